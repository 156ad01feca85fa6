# The Windows build, cross-compiled with cmake/mingw-i686.cmake or
# cmake/mingw-x86_64.cmake and tested under Wine (scripts/test-windows.sh).
# So far: the platform-free layers (text, graphics) with their unit tests, and
# the Win32 pieces of the host with their probes. The file layer is POSIX and
# not built here yet.

# libz.a, not the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

add_library(skerrow_text STATIC
  text/string_value.cpp text/string_functions.cpp text/byte_image.cpp text/number_text.cpp)

add_library(skerrow_graphics STATIC
  graphics/image_surface.cpp graphics/palette.cpp graphics/draw_line.cpp
  graphics/draw_circle.cpp graphics/text_print.cpp graphics/fonts.cpp graphics/font_data.cpp
  graphics/png_image.cpp graphics/png_writer_zlib.cpp)
target_link_libraries(skerrow_graphics PUBLIC skerrow_text ZLIB::ZLIB)

# ---- The host's Win32 pieces ----------------------------------------------------------

add_library(skerrow_window_win32 STATIC host/window_win32.cpp)
target_link_libraries(skerrow_window_win32 PUBLIC opengl32 gdi32 user32 winmm)
# Message boxes, child processes, the executable's folder, the lock keys.
add_library(skerrow_host_win32 STATIC
  host/message_box_win32.cpp host/shell_win32.cpp host/process_win32.cpp host/keyboard_win32.cpp)
target_link_libraries(skerrow_host_win32 PUBLIC user32 shell32)

enable_testing()
if(NOT SKERROW_TESTS)
  return()
endif()

# GoogleTest from Debian's sources, built by the cross compiler, without our warning flags.
get_directory_property(skerrow_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${skerrow_options}")

add_library(skerrow_fake_runtime STATIC tests/support/fake_runtime.cpp)
add_library(skerrow_golden STATIC tests/support/golden.cpp tests/support/png_reader_zlib.cpp)
target_link_libraries(skerrow_golden PUBLIC skerrow_graphics ZLIB::ZLIB)
# Wine finds the sources through its drive Z:, the Linux root.
target_compile_definitions(skerrow_golden PRIVATE SKERROW_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}")

# One executable per test file, run whole (one Wine start each).
function(skerrow_windows_test name source)
  add_executable(${name} tests/${source} ${ARGN})
  target_link_libraries(${name} PRIVATE ${SKERROW_TEST_LIBS} skerrow_fake_runtime GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit)
endfunction()

set(SKERROW_TEST_LIBS skerrow_text)
skerrow_windows_test(text_string_value_test text/string_value_test.cpp)
skerrow_windows_test(text_string_functions_test text/string_functions_test.cpp)
skerrow_windows_test(text_number_text_test text/number_text_test.cpp)
skerrow_windows_test(text_byte_image_test text/byte_image_test.cpp)

set(SKERROW_TEST_LIBS skerrow_graphics)
skerrow_windows_test(graphics_image_surface_test graphics/image_surface_test.cpp)
skerrow_windows_test(graphics_palette_test graphics/palette_test.cpp)
skerrow_windows_test(graphics_draw_line_test graphics/draw_line_test.cpp)
skerrow_windows_test(graphics_draw_circle_test graphics/draw_circle_test.cpp)
skerrow_windows_test(graphics_text_print_test graphics/text_print_test.cpp)
skerrow_windows_test(graphics_frame_golden_test graphics/frame_golden_test.cpp)
target_link_libraries(graphics_frame_golden_test PRIVATE skerrow_golden)
skerrow_windows_test(graphics_png_writer_test graphics/png_writer_test.cpp)
target_link_libraries(graphics_png_writer_test PRIVATE skerrow_golden)

set(SKERROW_TEST_LIBS skerrow_host_win32)
skerrow_windows_test(host_message_box_win32_test host/message_box_win32_test.cpp)
set_tests_properties(host_message_box_win32_test PROPERTIES LABELS gui)
skerrow_windows_test(host_shell_win32_test host/shell_win32_test.cpp)
skerrow_windows_test(host_process_win32_test host/process_win32_test.cpp)
skerrow_windows_test(host_keyboard_win32_test host/keyboard_win32_test.cpp)

# Probes, driven by tests/wine/ under Xvfb.
add_executable(window_win32_probe WIN32 tests/host/window_win32_probe.cpp)
target_link_libraries(window_win32_probe PRIVATE skerrow_window_win32)
