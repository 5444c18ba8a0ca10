# vellix_add_catalog(<target> SOURCE <source> OUTPUT <catalog>)
#
# Compiles <source> (relative to the current source directory) into <catalog> (relative to the
# current binary directory) as part of the build, again whenever the source changes, and makes
# <target> depend on it. A catalog source is compiled with vellmake (vellix::vellmake); a PO file
# (ending in .po or .pot) with `vellix compile` (vellix::vellix_tool), whose FILE:LINE errors fail the
# build. Both this project and find_package(vellix) provide the two targets.
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
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SOURCE;OUTPUT" "")
  if(NOT TARGET ${target})
    message(FATAL_ERROR "vellix_add_catalog: ${target} is not a target")
  endif()
  if(NOT arg_SOURCE OR NOT arg_OUTPUT OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vellix_add_catalog: usage: vellix_add_catalog(<target> SOURCE <source> OUTPUT <catalog>)")
  endif()
  get_filename_component(source "${arg_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(output_dir "${output}" DIRECTORY)
  if(source MATCHES "\\.pot?$")
    _vellix_host_program(program vellix vellix::vellix_tool VELLIX_HOST_VELLIX)
    set(compile ${program} compile -o "${output}" "${source}")
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
endfunction()
