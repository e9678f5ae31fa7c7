# Parity probe: the same profile, registry and file-installation scripts through the platform
# seam in both builds. The native build makes parity-probe (simulated machine); the Windows build
# makes parity-probe.exe with its helper window_owner.exe, and registers the test that runs both
# and compares them line by line. Both read the cabinet and version fixtures (target "fixtures").
set(PARITY_DIR ${CMAKE_SOURCE_DIR}/tests/parity)
set(PARITY_SOURCES ${PARITY_DIR}/parity_probe.cpp ${PARITY_DIR}/parity_files.cpp)

if(SETUP_PLATFORM STREQUAL "sim")
  add_executable(parity-probe ${PARITY_SOURCES} ${PARITY_DIR}/parity_main_sim.cpp)
  target_include_directories(parity-probe PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(parity-probe PRIVATE PARITY_FIXTURE="${PARITY_DIR}/fixture.ini"
    PARITY_FIXTURE_DIR="${SETUP_FIXTURE_DIR}")
  target_link_libraries(parity-probe PRIVATE setup_core platform_sim)
  set_target_properties(parity-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(parity-probe fixtures)
else()
  add_executable(parity-probe ${PARITY_SOURCES} ${PARITY_DIR}/parity_main_win.cpp)
  target_include_directories(parity-probe PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(parity-probe PRIVATE setup_core platform_win32)
  target_link_options(parity-probe PRIVATE -static -static-libgcc -static-libstdc++)
  set_target_properties(parity-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

  # The other program whose listed window the probe closes.
  add_executable(window-owner WIN32 ${PARITY_DIR}/window_owner.c)
  target_link_libraries(window-owner PRIVATE user32 shell32)
  target_link_options(window-owner PRIVATE -static -static-libgcc)
  set_target_properties(window-owner PROPERTIES OUTPUT_NAME window_owner RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(parity-probe window-owner fixtures)

  set(PARITY_NATIVE_PROBE ${CMAKE_SOURCE_DIR}/build/sim/parity-probe CACHE FILEPATH
    "parity-probe of the native build that the parity test compares against")
  find_program(PARITY_PYTHON NAMES python3 REQUIRED)
  add_test(NAME parity.probe
    COMMAND ${PARITY_PYTHON} ${PARITY_DIR}/parity_check.py
            --exe $<TARGET_FILE:parity-probe> --owner $<TARGET_FILE:window-owner>
            --native ${PARITY_NATIVE_PROBE}
            --fixture ${PARITY_DIR}/fixture.ini --fixtures ${SETUP_FIXTURE_DIR}
            --known ${PARITY_DIR}/known_differences.txt
            --root ${CMAKE_BINARY_DIR}/wine-tests --state ${CMAKE_BINARY_DIR}/wine-tests/display.json
            --work ${CMAKE_BINARY_DIR}/wine-tests/parity)
  # The template prefix and the display come from the Wine tests' fixtures (tests/wine/wine.cmake):
  # the window owner needs a display.
  set_tests_properties(parity.probe PROPERTIES LABELS "parity;wine"
    FIXTURES_REQUIRED "wine_display;wine_prefix" SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
