# mingw-w64 cross build of the real Windows program.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/res")

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
list(FILTER WIN32_SOURCES EXCLUDE REGEX "(win_main|runtime_imports)\\.cpp$")
add_library(platform_win32 STATIC ${WIN32_SOURCES})
target_include_directories(platform_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(platform_win32 PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
set(WIN32_SYSTEM_LIBS ole32 shell32 advapi32 user32 gdi32 comctl32 uuid)
target_link_libraries(platform_win32 PUBLIC ${WIN32_SYSTEM_LIBS})

set(WIN_STATIC_LINK -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release,MinSizeRel>:-s>)

# runtime_imports.cpp is linked as an object of its own so that its import replacements come
# before the runtime libraries that ask for them.
add_executable(setup WIN32 ${CMAKE_SOURCE_DIR}/src/platform/win32/win_main.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/win32/runtime_imports.cpp ${CMAKE_SOURCE_DIR}/res/setup.rc)
target_compile_definitions(setup PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_libraries(setup PRIVATE setup_core platform_win32)
target_link_options(setup PRIVATE ${WIN_STATIC_LINK})
# The oldest Windows of the build as the subsystem and system version the loader checks: 4.0
# (Windows 95 and NT 4) for i686, 5.2 (Windows XP x64) for x86_64.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  target_link_options(setup PRIVATE -Wl,--subsystem,windows:5.2 -Wl,--major-os-version,5,--minor-os-version,2)
else()
  target_link_options(setup PRIVATE -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4,--minor-os-version,0)
endif()
set_target_properties(setup PROPERTIES OUTPUT_NAME setup RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

include(${CMAKE_SOURCE_DIR}/tests/tests.cmake)

# The import check: setup.exe imports only functions that the oldest Windows of its build
# exports (Windows 95 and NT 4 for i686, Windows XP x64 for x86_64) and asks for no newer
# subsystem, so that their loaders start it. Debian's python3-pefile reads the import table.
find_program(SETUP_SYSTEM_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(SETUP_SYSTEM_PYTHON3)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(SETUP_OLDEST_WINDOWS xp64)
    set(SETUP_MAX_SUBSYSTEM 5.2)
  else()
    set(SETUP_OLDEST_WINDOWS win95_nt4)
    set(SETUP_MAX_SUBSYSTEM 4.0)
  endif()
  add_test(NAME import_check
    COMMAND ${SETUP_SYSTEM_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/check_imports.py $<TARGET_FILE:setup>
            ${CMAKE_SOURCE_DIR}/tools/imports/${SETUP_OLDEST_WINDOWS} ${SETUP_MAX_SUBSYSTEM})
  set_tests_properties(import_check PROPERTIES SKIP_RETURN_CODE 77 LABELS imports)
endif()

# The platform contract on the real Windows layer, with the checks of setup.exe's resources:
# GoogleTest built from its source package, run under Wine (64-bit build only: 32-bit programs
# need wine32), once on the wide road and once on the ANSI road of the 9x family.
set(SETUP_GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest source folder for the Windows checks")
find_program(SETUP_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
if(EXISTS ${SETUP_GTEST_SOURCE_DIR}/src/gtest-all.cc)
  set(CONTRACT_DIR ${CMAKE_SOURCE_DIR}/tests/contract)
  add_library(gtest_mingw STATIC ${SETUP_GTEST_SOURCE_DIR}/src/gtest-all.cc)
  target_include_directories(gtest_mingw SYSTEM PUBLIC ${SETUP_GTEST_SOURCE_DIR}/include)
  target_include_directories(gtest_mingw PRIVATE ${SETUP_GTEST_SOURCE_DIR})
  target_compile_definitions(gtest_mingw PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest_mingw PUBLIC -include ${CONTRACT_DIR}/gtest_mingw_shim.h PRIVATE -w)

  file(GLOB CONTRACT_CASE_SOURCES CONFIGURE_DEPENDS ${CONTRACT_DIR}/*_contract.cpp)
  add_executable(platform_contract ${CONTRACT_CASE_SOURCES} ${CONTRACT_DIR}/seed_win32.cpp
    ${CONTRACT_DIR}/setup_exe_resources.cpp)
  target_include_directories(platform_contract PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(platform_contract PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601
    SETUP_FIXTURE_DIR="${SETUP_FIXTURE_DIR}")
  target_link_libraries(platform_contract PRIVATE platform_win32 gtest_mingw version)
  target_link_options(platform_contract PRIVATE ${WIN_STATIC_LINK})
  set_target_properties(platform_contract PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(platform_contract fixtures)

  if(SETUP_WINE64 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(CONTRACT_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-contract-prefix;WINEDEBUG=-all;WINEDLLOVERRIDES=winemenubuilder.exe=d")
    add_test(NAME platform_contract
      COMMAND ${SETUP_WINE64} $<TARGET_FILE_NAME:platform_contract> $<TARGET_FILE_NAME:setup>
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    add_test(NAME platform_contract_ansi
      COMMAND ${SETUP_WINE64} $<TARGET_FILE_NAME:platform_contract> --ansi-road $<TARGET_FILE_NAME:setup>
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(platform_contract platform_contract_ansi PROPERTIES TIMEOUT 600 LABELS contract
      ENVIRONMENT "${CONTRACT_ENV}" RESOURCE_LOCK wine-contract-prefix)
  endif()
endif()
