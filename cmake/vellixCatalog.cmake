# vellix_add_catalog(<target> SOURCE <source> OUTPUT <catalog>)
#
# Compiles the catalog source <source> (relative to the current source directory) with vellmake into
# <catalog> (relative to the current binary directory) as part of the build, again whenever the source
# changes, and makes <target> depend on it. Needs the executable target vellix::vellmake, which both
# this project and find_package(vellix) provide.
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
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_dir}"
    COMMAND vellix::vellmake "${output}" "${source}"
    DEPENDS "${source}" vellix::vellmake
    COMMENT "Compiling catalog ${arg_OUTPUT}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "vellix_catalog_${target}_${arg_OUTPUT}" catalog_target)
  add_custom_target(${catalog_target} DEPENDS "${output}")
  add_dependencies(${target} ${catalog_target})
endfunction()
