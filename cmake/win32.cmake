# mingw-w64 cross build of the real Windows program.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/res")

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
list(FILTER WIN32_SOURCES EXCLUDE REGEX "win_main\\.cpp$")
add_library(platform_win32 STATIC ${WIN32_SOURCES})
target_include_directories(platform_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(platform_win32 PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
set(WIN32_SYSTEM_LIBS ole32 shell32 advapi32 user32 gdi32 comctl32 comdlg32 uuid setupapi version)
target_link_libraries(platform_win32 PUBLIC ${WIN32_SYSTEM_LIBS})

# Statically linked: no mingw runtime DLL has to lie beside setup.exe.
set(WIN_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_executable(setup WIN32 ${CMAKE_SOURCE_DIR}/src/platform/win32/win_main.cpp ${CMAKE_SOURCE_DIR}/res/setup.rc)
target_compile_definitions(setup PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_libraries(setup PRIVATE setup_core platform_win32)
target_link_options(setup PRIVATE ${WIN_STATIC_LINK})
set_target_properties(setup PROPERTIES OUTPUT_NAME setup RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

include(${CMAKE_SOURCE_DIR}/tests/tests.cmake)
