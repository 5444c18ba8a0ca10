# vellix_add_catalog(<target> SOURCE <source> OUTPUT <catalog> [INSTALL_DESTINATION <dir>])
#
# Compiles <source> (relative to the current source directory) into <catalog> (relative to the
# current binary directory) as part of the build, again whenever the source changes, and makes
# <target> depend on it. A catalog source is compiled with vellmake (vellix::vellmake); a PO file
# (ending in .po or .pot) with `vellix compile` (vellix::vellix_tool), whose FILE:LINE errors fail the
# build. Both this project and find_package(vellix) provide the two targets. With
# INSTALL_DESTINATION, the catalog is installed into <dir> under its own name: give
# ${CMAKE_INSTALL_LOCALEDIR}/<ll> for the layout vellix_open_dir searches.
#
# Cross-compiling (say, a Windows program built on Linux with the package of a Windows build), those
# programs are for the target system. Which program runs, first that applies:
#   1. the cache variables VELLIX_HOST_VELLIX and VELLIX_HOST_VELLMAKE, when set: programs for the
#      build host (any build of this major version: catalogs are the same on every platform);
#   2. the package's own programs, through CMAKE_CROSSCOMPILING_EMULATOR (Wine), when it is set;
#   3. `vellix` and `vellmake` found on the PATH;
#   4. else configuring stops and says what to set.
# Without cross-compiling, the package's programs run (unless VELLIX_HOST_* names others).

# The command that runs the program `name` (target vellix::<target>, cache variable `variable`) on
# the build host, in `out` (a list), and what the build must make first, in `out_depends`. With
# OPTIONAL, an empty command instead of the error when none can run.
function(_vellix_host_program out out_depends name target variable)
  cmake_parse_arguments(PARSE_ARGV 5 arg "OPTIONAL" "" "")
  set(${out_depends} "" PARENT_SCOPE)
  if(${variable})
    set(${out} "${${variable}}" PARENT_SCOPE)
    return()
  endif()
  if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
    set(${out_depends} ${target} PARENT_SCOPE)
    # The emulator is named here: CMake puts it before the programs a project builds, but not
    # before an imported package's (nor before a $<TARGET_FILE>).
    if(CMAKE_CROSSCOMPILING)
      set(${out} ${CMAKE_CROSSCOMPILING_EMULATOR} "$<TARGET_FILE:${target}>" PARENT_SCOPE)
    else()
      set(${out} "$<TARGET_FILE:${target}>" PARENT_SCOPE)
    endif()
    return()
  endif()
  # A toolchain file usually keeps program searches out of its target root already; say so again.
  find_program(_vellix_found_${name} ${name} NO_CMAKE_FIND_ROOT_PATH)
  if(_vellix_found_${name})
    set(${out} "${_vellix_found_${name}}" PARENT_SCOPE)
    return()
  endif()
  if(arg_OPTIONAL)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  message(FATAL_ERROR "vellix: cross-compiling, the package's ${name} is a program for the target system and cannot "
    "run on this host, and no CMAKE_CROSSCOMPILING_EMULATOR is set. Set ${variable} to the ${name} of a vellix "
    "installed for this host (-D${variable}=/path/to/${name}), put that ${name} on the PATH, or set "
    "CMAKE_CROSSCOMPILING_EMULATOR (the toolchain file installed beside this package does, where Wine is installed).")
endfunction()

# In `out`, whether catalogs can be compiled in this build: some vellix and vellmake can run.
function(_vellix_can_compile_catalogs out)
  _vellix_host_program(vellix_command vellix_depends vellix vellix::vellix_tool VELLIX_HOST_VELLIX OPTIONAL)
  _vellix_host_program(vellmake_command vellmake_depends vellmake vellix::vellmake VELLIX_HOST_VELLMAKE OPTIONAL)
  if(vellix_command AND vellmake_command)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(vellix_add_catalog target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SOURCE;OUTPUT;INSTALL_DESTINATION" "")
  if(NOT TARGET ${target})
    message(FATAL_ERROR "vellix_add_catalog: ${target} is not a target")
  endif()
  if(NOT arg_SOURCE OR NOT arg_OUTPUT OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vellix_add_catalog: usage: vellix_add_catalog(<target> SOURCE <source> OUTPUT <catalog> "
      "[INSTALL_DESTINATION <dir>])")
  endif()
  get_filename_component(source "${arg_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(output_dir "${output}" DIRECTORY)
  if(source MATCHES "\\.pot?$")
    _vellix_host_program(program dependency vellix vellix::vellix_tool VELLIX_HOST_VELLIX)
    # The formats' <inttypes.h> macros are expanded as the target platform's header spells them.
    if(WIN32)
      set(platform --target=windows)
    else()
      set(platform --target=lp64)
    endif()
    set(compile ${program} compile ${platform} -o "${output}" "${source}")
  else()
    _vellix_host_program(program dependency vellmake vellix::vellmake VELLIX_HOST_VELLMAKE)
    set(compile ${program} "${output}" "${source}")
  endif()
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_dir}"
    COMMAND ${compile}
    DEPENDS "${source}" ${dependency}
    COMMENT "Compiling catalog ${arg_OUTPUT}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "vellix_catalog_${target}_${arg_OUTPUT}" catalog_target)
  add_custom_target(${catalog_target} DEPENDS "${output}")
  add_dependencies(${target} ${catalog_target})
  if(arg_INSTALL_DESTINATION)
    install(FILES "${output}" DESTINATION "${arg_INSTALL_DESTINATION}")
  endif()
endfunction()

# vellix_add_translations(<target> TEMPLATE <po/app.pot> LANGUAGES <ll>... [KEYWORDS <NAME:KEY,TEXT[,PLURAL]>...]
#                         [INSTALL_DESTINATION <dir>] [COMPLETE | FAIL_UNDER <percent>])
#
# The translations of <target> in PO files beside the template (<po>/<ll>.po): each is compiled at
# build time (as vellix_add_catalog does) into <binary dir>/<po>/<ll>/<target>.18c and, with
# INSTALL_DESTINATION, installed as <dir>/<ll>/<target>.18c: the layout vellix_open_dir(<dir>,
# "<target>") searches (with <dir> ${CMAKE_INSTALL_LOCALEDIR}, "$ORIGIN/../share/locale" from a
# program in bin), which NLSPATH=<dir>/%L/%N finds too when the locale is named just <ll>.
# The target <target>_update_translations (not built by default) extracts the template from
# <target>'s sources with `vellix extract` (KEYWORDS written as for --keyword) and merges it into
# every language's PO file, starting missing ones with `vellix init` (and <po> itself). A language
# whose PO file does not exist yet is started the same way by the build that needs it.
# COMPLETE adds the test <target>_translations_complete (`vellix check --complete --against` the
# template: every key translated and reviewed); FAIL_UNDER <percent> adds
# <target>_translations_translated (`vellix stats --fail-under=<percent>`). Both are off by default.
set(_vellix_update_script "${CMAKE_CURRENT_LIST_DIR}/vellixUpdateTranslations.cmake")
function(vellix_add_translations target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "COMPLETE" "TEMPLATE;INSTALL_DESTINATION;FAIL_UNDER" "LANGUAGES;KEYWORDS")
  if(NOT TARGET ${target} OR NOT arg_TEMPLATE OR NOT arg_LANGUAGES OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vellix_add_translations: usage: vellix_add_translations(<target> TEMPLATE <pot> "
      "LANGUAGES <ll>... [KEYWORDS <NAME:KEY,TEXT[,PLURAL]>...] [INSTALL_DESTINATION <dir>] "
      "[COMPLETE | FAIL_UNDER <percent>])")
  endif()
  if(DEFINED arg_FAIL_UNDER AND NOT arg_FAIL_UNDER MATCHES "^([0-9]|[1-9][0-9]|100)$")
    message(FATAL_ERROR "vellix_add_translations: FAIL_UNDER takes a percent from 0 to 100, not '${arg_FAIL_UNDER}'")
  endif()
  get_filename_component(template "${arg_TEMPLATE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(po_dir "${template}" DIRECTORY)
  file(RELATIVE_PATH po_relative "${CMAKE_CURRENT_SOURCE_DIR}" "${po_dir}")

  # The target's sources relative to the current source directory, where the extraction runs, so
  # that the template's references are the same on every machine.
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(absolute_sources "")
  foreach(source IN LISTS sources)
    if(NOT source MATCHES "^\\$<")
      get_filename_component(source "${source}" ABSOLUTE BASE_DIR "${source_dir}")
      file(RELATIVE_PATH source "${CMAKE_CURRENT_SOURCE_DIR}" "${source}")
      list(APPEND absolute_sources "${source}")
    endif()
  endforeach()
  _vellix_host_program(vellix vellix_depends vellix vellix::vellix_tool VELLIX_HOST_VELLIX)
  # Lists travel to the script joined with '|', which no path or keyword holds.
  string(REPLACE ";" "|" vellix_command "${vellix}")
  string(REPLACE ";" "|" keywords "${arg_KEYWORDS}")
  string(REPLACE ";" "|" source_list "${absolute_sources}")
  set(update ${CMAKE_COMMAND} "-DVELLIX=${vellix_command}" "-DTEMPLATE=${template}" "-DPO_DIR=${po_dir}"
             "-DSOURCES=${source_list}" "-DKEYWORDS=${keywords}")

  set(translations "")
  foreach(language IN LISTS arg_LANGUAGES)
    set(translation "${po_dir}/${language}.po")
    list(APPEND translations "${translation}")
    if(NOT EXISTS "${translation}")
      # Started by the build that needs it, from a template extracted afresh.
      message(STATUS "vellix_add_translations: ${po_relative}/${language}.po does not exist yet; the build starts it "
        "(vellix extract, then vellix init --locale=${language}), or start it now with the target ${target}_update_translations")
      add_custom_command(OUTPUT "${translation}"
        COMMAND ${update} "-DLANGUAGES=${language}" -P "${_vellix_update_script}"
        DEPENDS ${vellix_depends}
        WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
        COMMENT "Starting the translation ${po_relative}/${language}.po"
        VERBATIM)
    endif()
    set(catalog "${po_relative}/${language}/${target}.18c")
    set(install "")
    if(arg_INSTALL_DESTINATION)
      set(install INSTALL_DESTINATION "${arg_INSTALL_DESTINATION}/${language}")
    endif()
    vellix_add_catalog(${target} SOURCE "${translation}" OUTPUT "${catalog}" ${install})
  endforeach()

  string(REPLACE ";" "|" languages "${arg_LANGUAGES}")
  add_custom_target(${target}_update_translations
    COMMAND ${update} "-DLANGUAGES=${languages}" -P "${_vellix_update_script}"
    DEPENDS ${vellix_depends}
    WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
    COMMENT "Updating the translations of ${target}"
    VERBATIM)

  # The gates a release build can fail on, as tests.
  if(arg_COMPLETE)
    add_test(NAME ${target}_translations_complete COMMAND ${vellix} check --complete --against "${template}" ${translations})
  endif()
  if(DEFINED arg_FAIL_UNDER)
    add_test(NAME ${target}_translations_translated COMMAND ${vellix} stats "--fail-under=${arg_FAIL_UNDER}" ${translations})
  endif()
endfunction()
