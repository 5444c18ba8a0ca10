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
# programs are for the target system. They run through CMAKE_CROSSCOMPILING_EMULATOR when one is
# set; otherwise programs for the build host are used: the cache variables VELLIX_HOST_VELLMAKE and
# VELLIX_HOST_VELLIX, or else `vellmake` and `vellix` found on the PATH. The catalog files are the
# same on every platform, so any build of this major version makes them.

# The command that runs the program `name` (target vellix::<target>) on the build host, in `out`.
function(_vellix_host_program out name target variable)
  if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
    set(${out} ${target} PARENT_SCOPE)
    return()
  endif()
  # A toolchain file usually keeps program searches out of its target root already; say so again.
  find_program(${variable} ${name} NO_CMAKE_FIND_ROOT_PATH
    DOC "${name} for the build host, used by vellix_add_catalog when cross-compiling")
  if(NOT ${variable})
    message(FATAL_ERROR "vellix_add_catalog: cross-compiling, the package's ${name} is a program for the target "
      "system and cannot run on this host, and no CMAKE_CROSSCOMPILING_EMULATOR is set. Install vellix for this "
      "host and put its ${name} on the PATH, or set ${variable} to its full path.")
  endif()
  set(${out} "${${variable}}" PARENT_SCOPE)
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
    _vellix_host_program(program vellix vellix::vellix_tool VELLIX_HOST_VELLIX)
    # The formats' <inttypes.h> macros are expanded as the target platform's header spells them.
    if(WIN32)
      set(platform --target=windows)
    else()
      set(platform --target=lp64)
    endif()
    set(compile ${program} compile ${platform} -o "${output}" "${source}")
  else()
    _vellix_host_program(program vellmake vellix::vellmake VELLIX_HOST_VELLMAKE)
    set(compile ${program} "${output}" "${source}")
  endif()
  if(TARGET ${program})
    set(dependency ${program})
  else()
    set(dependency "${program}")
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
#                         [INSTALL_DESTINATION <dir>])
#
# The translations of <target> in PO files beside the template (<po>/<ll>.po): each is compiled at
# build time (as vellix_add_catalog does) into <binary dir>/<po>/<ll>/<target>.18c and, with
# INSTALL_DESTINATION, installed as <dir>/<ll>/<target>.18c: the layout vellix_open_dir(<dir>,
# "<target>") searches (with <dir> ${CMAKE_INSTALL_LOCALEDIR}, "$ORIGIN/../share/locale" from a
# program in bin), which NLSPATH=<dir>/%L/%N finds too when the locale is named just <ll>. The target <target>_update_translations (not built by default)
# extracts the template from <target>'s sources with `vellix extract` (KEYWORDS written as for
# --keyword) and merges it into every language's PO file, starting missing ones with `vellix init`.
set(_vellix_update_script "${CMAKE_CURRENT_LIST_DIR}/vellixUpdateTranslations.cmake")
function(vellix_add_translations target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TEMPLATE;INSTALL_DESTINATION" "LANGUAGES;KEYWORDS")
  if(NOT TARGET ${target} OR NOT arg_TEMPLATE OR NOT arg_LANGUAGES OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vellix_add_translations: usage: vellix_add_translations(<target> TEMPLATE <pot> "
      "LANGUAGES <ll>... [KEYWORDS <NAME:KEY,TEXT[,PLURAL]>...] [INSTALL_DESTINATION <dir>])")
  endif()
  get_filename_component(template "${arg_TEMPLATE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(po_dir "${template}" DIRECTORY)
  file(RELATIVE_PATH po_relative "${CMAKE_CURRENT_SOURCE_DIR}" "${po_dir}")
  foreach(language IN LISTS arg_LANGUAGES)
    set(catalog "${po_relative}/${language}/${target}.18c")
    set(install "")
    if(arg_INSTALL_DESTINATION)
      set(install INSTALL_DESTINATION "${arg_INSTALL_DESTINATION}/${language}")
    endif()
    vellix_add_catalog(${target} SOURCE "${po_dir}/${language}.po" OUTPUT "${catalog}" ${install})
  endforeach()
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
  _vellix_host_program(vellix vellix vellix::vellix_tool VELLIX_HOST_VELLIX)
  if(TARGET ${vellix})
    set(vellix_path "$<TARGET_FILE:${vellix}>")
  else()
    set(vellix_path "${vellix}")
  endif()
  # Lists travel to the script joined with '|', which no path or keyword holds.
  string(REPLACE ";" "|" languages "${arg_LANGUAGES}")
  string(REPLACE ";" "|" keywords "${arg_KEYWORDS}")
  string(REPLACE ";" "|" source_list "${absolute_sources}")
  add_custom_target(${target}_update_translations
    COMMAND ${CMAKE_COMMAND} "-DVELLIX=${vellix_path}" "-DTEMPLATE=${template}" "-DPO_DIR=${po_dir}"
            "-DLANGUAGES=${languages}" "-DSOURCES=${source_list}" "-DKEYWORDS=${keywords}" -P "${_vellix_update_script}"
    WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
    COMMENT "Updating the translations of ${target}"
    VERBATIM)
endfunction()
