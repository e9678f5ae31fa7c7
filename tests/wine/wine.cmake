# Wine end-to-end tests of setup.exe (Windows builds). One test per case and Windows version of
# tests/wine/cases.py, named wine.<case>.<version>, labelled "wine". A setup fixture starts one
# Xvfb and makes the template prefix (a 32-bit one for the 32-bit build, which runs the same
# cases); a cleanup fixture ends the Xvfb. The tests skip (77) when Wine is not installed, or when
# this build's setup.exe is 32-bit and the 32-bit Wine is missing.
find_program(WINETEST_PYTHON NAMES python3 REQUIRED)
set(WINETEST ${CMAKE_CURRENT_LIST_DIR}/winetest.py)
set(WINETEST_ROOT ${CMAKE_BINARY_DIR}/wine-tests)
set(WINETEST_STATE ${WINETEST_ROOT}/display.json)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^i[3-6]86$")
  set(WINETEST_ARCH win32)
else()
  set(WINETEST_ARCH win64)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${WINETEST} ${CMAKE_CURRENT_LIST_DIR}/cases.py)

# The stand-in driver setup program that the installation cases put beside setup.exe.
add_executable(driver-setup-stub ${CMAKE_CURRENT_LIST_DIR}/driver_setup_stub.c)
target_compile_options(driver-setup-stub PRIVATE -municode)
target_link_options(driver-setup-stub PRIVATE -municode -static -static-libgcc)
target_link_libraries(driver-setup-stub PRIVATE advapi32)
set_target_properties(driver-setup-stub PROPERTIES OUTPUT_NAME driver_setup_stub RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Where Wine cannot run this build's programs (no Wine, no 32-bit Wine, or a kernel without
# 32-bit support) one test says why and skips, in place of a skipping test per case.
execute_process(COMMAND ${WINETEST_PYTHON} ${WINETEST} check --arch ${WINETEST_ARCH}
  OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE WINETEST_CHECK_RESULT)
if(WINETEST_CHECK_RESULT EQUAL 77)
  add_test(NAME wine.unavailable COMMAND ${WINETEST_PYTHON} ${WINETEST} check --arch ${WINETEST_ARCH})
  set_tests_properties(wine.unavailable PROPERTIES LABELS wine SKIP_RETURN_CODE 77)
  return()
endif()

execute_process(COMMAND ${WINETEST_PYTHON} ${WINETEST} list
  OUTPUT_VARIABLE WINETEST_CASES RESULT_VARIABLE WINETEST_LIST_RESULT ERROR_VARIABLE WINETEST_LIST_ERROR)
if(NOT WINETEST_LIST_RESULT EQUAL 0)
  message(FATAL_ERROR "tests/wine/winetest.py list failed:\n${WINETEST_CASES}${WINETEST_LIST_ERROR}")
endif()

add_test(NAME wine.display.start COMMAND ${WINETEST_PYTHON} ${WINETEST} display-start --state ${WINETEST_STATE})
set_tests_properties(wine.display.start PROPERTIES FIXTURES_SETUP wine_display LABELS wine
  SKIP_RETURN_CODE 77 TIMEOUT 60)
add_test(NAME wine.display.stop COMMAND ${WINETEST_PYTHON} ${WINETEST} display-stop --state ${WINETEST_STATE})
set_tests_properties(wine.display.stop PROPERTIES FIXTURES_CLEANUP wine_display LABELS wine TIMEOUT 60)
add_test(NAME wine.prefix.template
  COMMAND ${WINETEST_PYTHON} ${WINETEST} template --root ${WINETEST_ROOT} --state ${WINETEST_STATE}
          --arch ${WINETEST_ARCH})
set_tests_properties(wine.prefix.template PROPERTIES FIXTURES_SETUP wine_prefix
  FIXTURES_REQUIRED wine_display LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 1200)

string(REPLACE "\n" ";" WINETEST_CASES "${WINETEST_CASES}")
foreach(entry IN LISTS WINETEST_CASES)
  if(entry STREQUAL "")
    continue()
  endif()
  string(REPLACE " " ";" entry "${entry}")
  list(GET entry 0 case_name)
  list(GET entry 1 case_version)
  list(GET entry 2 case_mode)
  set(test_name wine.${case_name}.${case_version})
  add_test(NAME ${test_name}
    COMMAND ${WINETEST_PYTHON} ${WINETEST} case ${case_name} ${case_version}
            --exe $<TARGET_FILE:setup> --stub $<TARGET_FILE:driver-setup-stub> --fixtures ${SETUP_FIXTURE_DIR}
            --root ${WINETEST_ROOT} --state ${WINETEST_STATE})
  set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED "wine_display;wine_prefix"
    LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 400)
  if(case_mode STREQUAL "serial")
    set_tests_properties(${test_name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endforeach()
