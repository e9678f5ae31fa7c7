# Parity probe: the same profile and registry script through the platform seam in both builds.
# The native build makes parity-probe (simulated machine); the Windows build makes
# parity-probe.exe and registers the test that runs both and compares them line by line.
set(PARITY_DIR ${CMAKE_SOURCE_DIR}/tests/parity)

if(SETUP_PLATFORM STREQUAL "sim")
  add_executable(parity-probe ${PARITY_DIR}/parity_probe.cpp ${PARITY_DIR}/parity_main_sim.cpp)
  target_include_directories(parity-probe PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(parity-probe PRIVATE PARITY_FIXTURE="${PARITY_DIR}/fixture.ini")
  target_link_libraries(parity-probe PRIVATE setup_core platform_sim)
  set_target_properties(parity-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
else()
  add_executable(parity-probe ${PARITY_DIR}/parity_probe.cpp ${PARITY_DIR}/parity_main_win.cpp)
  target_include_directories(parity-probe PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(parity-probe PRIVATE setup_core platform_win32)
  target_link_options(parity-probe PRIVATE -static -static-libgcc -static-libstdc++)
  set_target_properties(parity-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

  set(PARITY_NATIVE_PROBE ${CMAKE_SOURCE_DIR}/build/sim/parity-probe CACHE FILEPATH
    "parity-probe of the native build that the parity test compares against")
  find_program(PARITY_PYTHON NAMES python3 REQUIRED)
  add_test(NAME parity.profile_and_registry
    COMMAND ${PARITY_PYTHON} ${PARITY_DIR}/parity_check.py
            --exe $<TARGET_FILE:parity-probe> --native ${PARITY_NATIVE_PROBE}
            --fixture ${PARITY_DIR}/fixture.ini --known ${PARITY_DIR}/known_differences.txt
            --root ${CMAKE_BINARY_DIR}/wine-tests --work ${CMAKE_BINARY_DIR}/wine-tests/parity)
  # The template prefix comes from the Wine tests' fixture (tests/wine/wine.cmake).
  set_tests_properties(parity.profile_and_registry PROPERTIES LABELS "parity;wine"
    FIXTURES_REQUIRED wine_prefix SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
