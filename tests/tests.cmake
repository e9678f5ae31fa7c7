# Test targets. Native build: the unit-test binary (every *_test.cpp beside the code, and the
# platform contract's cases on the simulated machine). Windows build: the Wine end-to-end tests
# (the contract's Windows side is in cmake/win32.cmake).
enable_testing()

if(SETUP_PLATFORM STREQUAL "sim")
  find_package(GTest REQUIRED)
  file(GLOB_RECURSE UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*_test.cpp)
  file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  # The platform contract's cases, seeded through the simulated machine.
  file(GLOB CONTRACT_CASE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/contract/*_contract.cpp)
  add_executable(setup_tests ${UNIT_TEST_SOURCES} ${TEST_SUPPORT_SOURCES} ${CONTRACT_CASE_SOURCES}
    ${CMAKE_SOURCE_DIR}/tests/contract/seed_sim.cpp)
  target_include_directories(setup_tests PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(setup_tests PRIVATE setup_core setup_sim_runner platform_sim GTest::gtest GTest::gtest_main)
  # The package check's test reads the demo package of the source tree.
  target_compile_definitions(setup_tests PRIVATE SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  include(GoogleTest)
  gtest_discover_tests(setup_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

  # The fault sweep: the demo package installed over its older version with each failable call
  # failing in turn (tools/fault_sweep.py), on the sanitizer build, two runs at a time.
  find_package(Python3 COMPONENTS Interpreter)
  if(SETUP_SANITIZE AND Python3_Interpreter_FOUND)
    add_test(NAME fault_sweep
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/fault_sweep.py --setup-sim $<TARGET_FILE:setup-sim>
              --package ${CMAKE_SOURCE_DIR}/examples/demo-package --work ${CMAKE_BINARY_DIR}/fault-sweep --jobs 2)
    set_tests_properties(fault_sweep PROPERTIES TIMEOUT 1800 PROCESSORS 2)
  endif()
endif()

# Cabinets and version DLLs built for the tests (SETUP_FIXTURE_DIR, target "fixtures").
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/wine.cmake AND NOT SETUP_PLATFORM STREQUAL "sim")
  include(${CMAKE_SOURCE_DIR}/tests/wine/wine.cmake)
endif()
