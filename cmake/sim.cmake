# Native build: the platform layer is the simulated Windows machine.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MSPACK REQUIRED IMPORTED_TARGET libmspack)
find_package(Threads REQUIRED)

# The optimised build for package authors links everything in (C library, C++ runtime,
# libmspack) when the static libraries are installed: a run then starts without loading and
# binding shared libraries first. Otherwise it links the C++ runtime in and the rest shared.
set(SIM_MSPACK PkgConfig::MSPACK)
set(SIM_FULLY_STATIC OFF)
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  find_library(SIM_MSPACK_STATIC NAMES libmspack.a HINTS ${MSPACK_LIBRARY_DIRS})
  find_library(SIM_LIBC_STATIC NAMES libc.a)
  if(SIM_MSPACK_STATIC AND SIM_LIBC_STATIC)
    set(SIM_MSPACK ${SIM_MSPACK_STATIC})
    set(SIM_FULLY_STATIC ON)
  endif()
endif()

# The machine's rooms (machine, kernel, processes, registry, security, ui, devices) are the
# subfolders of src/platform/sim; every source there except the unit tests is the platform layer.
file(GLOB_RECURSE SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
list(FILTER SIM_SOURCES EXCLUDE REGEX "_test\\.cpp$")

# The program's own resources (string tables, dialog templates) come from the real resource
# script: compiled to a .res file by the mingw-w64 resource compiler and embedded as bytes,
# which the simulated machine serves to SysLoadString and the dialog functions.
find_program(SIM_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres)
if(NOT SIM_WINDRES)
  message(FATAL_ERROR "x86_64-w64-mingw32-windres not found: install binutils-mingw-w64-x86-64 "
                      "(the simulated machine compiles res/setup.rc with it)")
endif()
file(GLOB_RECURSE SIM_RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
set(SIM_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(SIM_RES_FILE ${SIM_GENERATED_DIR}/setup.res)
set(SIM_RES_SOURCE ${SIM_GENERATED_DIR}/program_resources.cpp)
add_custom_command(OUTPUT ${SIM_RES_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SIM_GENERATED_DIR}
  COMMAND ${SIM_WINDRES} -I ${CMAKE_SOURCE_DIR}/res -O res -i ${CMAKE_SOURCE_DIR}/res/setup.rc -o ${SIM_RES_FILE}
  DEPENDS ${SIM_RES_INPUTS}
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/res
  COMMENT "Compiling res/setup.rc for the simulated machine"
  VERBATIM)
add_custom_command(OUTPUT ${SIM_RES_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${SIM_RES_FILE} -DOUTPUT=${SIM_RES_SOURCE} -DSYMBOL=kProgramRes
          -P ${CMAKE_SOURCE_DIR}/cmake/embed_bytes.cmake
  DEPENDS ${SIM_RES_FILE} ${CMAKE_SOURCE_DIR}/cmake/embed_bytes.cmake
  VERBATIM)

add_library(platform_sim STATIC ${SIM_SOURCES} ${SIM_RES_SOURCE})
target_include_directories(platform_sim PUBLIC ${CMAKE_SOURCE_DIR}/src)
# The machine folds case and formats text with the text helpers of common/, nothing else of
# the core.
target_link_libraries(platform_sim PUBLIC setup_common ${SIM_MSPACK} Threads::Threads)
target_include_directories(platform_sim PRIVATE ${MSPACK_INCLUDE_DIRS})

# The setup-sim runner: the answers script, the run summary and the program's entry. It drives
# the machine from outside, as a user and an observer would, so it is not part of the platform.
add_library(setup_sim_runner STATIC ${CMAKE_SOURCE_DIR}/src/setup_sim/answers_file.cpp
                                    ${CMAKE_SOURCE_DIR}/src/setup_sim/run_summary.cpp
                                    ${CMAKE_SOURCE_DIR}/src/setup_sim/check_package.cpp
                                    ${CMAKE_SOURCE_DIR}/src/setup_sim/check_ini.cpp
                                    ${CMAKE_SOURCE_DIR}/src/setup_sim/check_lists.cpp
                                    ${CMAKE_SOURCE_DIR}/src/setup_sim/check_values.cpp
                                    ${CMAKE_SOURCE_DIR}/src/setup_sim/explain_run.cpp)
# The package check and the explanations read the package and the run with the installer's own readers.
target_link_libraries(setup_sim_runner PUBLIC setup_core platform_sim)

add_executable(setup-sim ${CMAKE_SOURCE_DIR}/src/setup_sim/setup_sim_main.cpp)
target_link_libraries(setup-sim PRIVATE setup_core setup_sim_runner platform_sim)
set_target_properties(setup-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(SIM_FULLY_STATIC)
  target_link_options(setup-sim PRIVATE -static)
else()
  target_link_options(setup-sim PRIVATE $<$<CONFIG:Release>:-static-libstdc++ -static-libgcc>)
endif()

# Test-only programs shared by both builds live under tests/ and build here too; the fuzz build
# makes the parser harnesses instead.
if(SETUP_FUZZ)
  include(${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
else()
  include(${CMAKE_SOURCE_DIR}/tests/tests.cmake)
endif()
