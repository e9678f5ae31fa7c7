# Native build: the platform layer is the simulated Windows machine.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MSPACK REQUIRED IMPORTED_TARGET libmspack)
find_package(Threads REQUIRED)

file(GLOB SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
list(FILTER SIM_SOURCES EXCLUDE REGEX "(_test|setup_sim_main)\\.cpp$")
add_library(platform_sim STATIC ${SIM_SOURCES})
target_include_directories(platform_sim PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(platform_sim PUBLIC PkgConfig::MSPACK Threads::Threads)

# The core calls the platform layer and the sim layer calls back into nothing of the core,
# so the link order is core first, then the platform.
add_executable(setup-sim ${CMAKE_SOURCE_DIR}/src/platform/sim/setup_sim_main.cpp)
target_link_libraries(setup-sim PRIVATE setup_core platform_sim)
set_target_properties(setup-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Test-only programs shared by both builds live under tests/ and build here too.
include(${CMAKE_SOURCE_DIR}/tests/tests.cmake)
