# The parser fuzzers (preset "fuzz"): one libFuzzer program per tests/fuzz/fuzz_*.cpp, each
# linked against the one instrumented build of the core, the setup-sim runner and the simulated
# machine. Target "fuzzers" builds them all into build/fuzz/fuzzers/.
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
add_custom_target(fuzzers)
foreach(source ${FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/fuzz)
  target_link_libraries(${name} PRIVATE setup_core setup_sim_runner platform_sim)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  add_dependencies(fuzzers ${name})
endforeach()
