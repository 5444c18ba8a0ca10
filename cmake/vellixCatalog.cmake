# vellix_add_catalog(<target> SOURCE <source> OUTPUT <catalog>)
#
# Compiles the catalog source <source> (relative to the current source directory) with vellmake into
# <catalog> (relative to the current binary directory) as part of the build, again whenever the source
# changes, and makes <target> depend on it. Needs the executable target vellix::vellmake, which both
# this project and find_package(vellix) provide.
#
# Cross-compiling (say, a Windows program built on Linux with the package of a Windows build), that
# vellmake is a program for the target system. It runs through CMAKE_CROSSCOMPILING_EMULATOR when
# one is set; otherwise a vellmake for the build host is used: the cache variable
# VELLIX_HOST_VELLMAKE, or else `vellmake` found on the PATH. The catalog files are the same on every
# platform, so any vellmake of this major version makes them.

# The command that runs vellmake on the build host, in `out`.
function(_vellix_host_vellmake out)
  if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
    set(${out} vellix::vellmake PARENT_SCOPE)
    return()
  endif()
  # A toolchain file usually keeps program searches out of its target root already; say so again.
  find_program(VELLIX_HOST_VELLMAKE vellmake NO_CMAKE_FIND_ROOT_PATH
    DOC "vellmake for the build host, used by vellix_add_catalog when cross-compiling")
  if(NOT VELLIX_HOST_VELLMAKE)
    message(FATAL_ERROR "vellix_add_catalog: cross-compiling, the package's vellmake is a program for the target "
      "system and cannot run on this host, and no CMAKE_CROSSCOMPILING_EMULATOR is set. Install vellix for this "
      "host and put its vellmake on the PATH, or set VELLIX_HOST_VELLMAKE to its full path.")
  endif()
  set(${out} "${VELLIX_HOST_VELLMAKE}" PARENT_SCOPE)
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
  _vellix_host_vellmake(vellmake)
  if(vellmake STREQUAL "vellix::vellmake")
    set(vellmake_dependency vellix::vellmake)
  else()
    set(vellmake_dependency "${vellmake}")
  endif()
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_dir}"
    COMMAND ${vellmake} "${output}" "${source}"
    DEPENDS "${source}" ${vellmake_dependency}
    COMMENT "Compiling catalog ${arg_OUTPUT}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "vellix_catalog_${target}_${arg_OUTPUT}" catalog_target)
  add_custom_target(${catalog_target} DEPENDS "${output}")
  add_dependencies(${target} ${catalog_target})
endfunction()
