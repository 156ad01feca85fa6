# The tests of the Windows build (included by tests/CMakeLists.txt), each
# executable run whole under Wine, the cross build's emulator:
#   - every unit test of text/, files/ and graphics/ that the Linux build has
#     (tests/<folder>/*_test.cpp), one executable per test file;
#   - the host's windowless tests and the tests of the Win32 pieces;
#   - the programs tests/wine/ drives under Xvfb (scripts/test-windows.sh).
# GoogleTest comes from Debian's sources, built by the cross compiler.

get_directory_property(skerrow_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")  # GoogleTest without our warning flags
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${skerrow_options}")

add_library(skerrow_error_record STATIC support/error_record.cpp)
target_link_libraries(skerrow_error_record PUBLIC skerrow_errors)
add_library(skerrow_golden STATIC support/golden.cpp support/png_reader_zlib.cpp)
target_link_libraries(skerrow_golden PUBLIC skerrow_graphics ZLIB::ZLIB)
# Wine finds the sources through its drive Z:, the Linux root.
target_compile_definitions(skerrow_golden PRIVATE SKERROW_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}")

function(skerrow_windows_test name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${SKERROW_TEST_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit)
endfunction()

foreach(folder text files graphics)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*_test.cpp)
  list(FILTER sources EXCLUDE REGEX "_posix_test\\.cpp$")
  set(SKERROW_TEST_LIBS skerrow_${folder} skerrow_golden skerrow_error_record)
  foreach(source IN LISTS sources)
    get_filename_component(stem ${source} NAME_WE)
    skerrow_windows_test(${folder}_${stem} ${source})
  endforeach()
endforeach()

# headless_test is the runtime's own menu layer, which Windows does not use.
set(SKERROW_TEST_LIBS skerrow_host)
foreach(stem keyboard_test line_event_test folders_win32_test shell_win32_test menu_library_win32_test)
  skerrow_windows_test(host_${stem} host/${stem}.cpp)
endforeach()
set(SKERROW_TEST_LIBS skerrow_platform_window)
skerrow_windows_test(host_message_box_win32_test host/message_box_win32_test.cpp)

# Programs for tests/wine/: the window backend's probe, and a query of the
# monitor's windows from outside (its client area and menu, a box's text).
add_executable(window_win32_probe WIN32 host/window_win32_probe.cpp)
target_link_libraries(window_win32_probe PRIVATE skerrow_platform_window)
add_executable(window_query_win32 host/window_query_win32.cpp)

if(SKERROW_FEED)
  include(${CMAKE_SOURCE_DIR}/cmake/feed_windows_tests.cmake)
endif()
