# The Windows build, cross-compiled with cmake/mingw-i686.cmake or
# cmake/mingw-x86_64.cmake (scripts/build-windows.sh) and tested under Wine
# (scripts/test-windows.sh). Included by the main list: the same libraries and
# programs over the Win32 files named here. No freeglut, GLEW, X11 or libpng:
# the window is our own over WGL (host/window_win32.cpp), PNG goes through
# zlib, and commands go to the system's own command interpreter.

# libz.a, not the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

set(skerrow_paths_system host/folders_win32.cpp)
set(skerrow_files_system files/file_layer_win32.cpp)
set(skerrow_host_system host/system_win32.cpp host/shell_win32.cpp host/menu_library_win32.cpp
  host/user32_win32.cpp)
set(skerrow_feed_system feed/feed_file_win32.cpp)
include(${CMAKE_CURRENT_LIST_DIR}/feed_windows.cmake)
set(skerrow_png_system graphics/png_writer_zlib.cpp)
set(skerrow_png_library ZLIB::ZLIB)
# One window with WGL and OpenGL 1.1, MessageBoxA for the dialogs.
set(skerrow_platform_window_system host/platform_win32.cpp host/window_win32.cpp host/message_box_win32.cpp)
set(skerrow_platform_window_libraries OpenGL::GL gdi32 winmm)

# Optimised across modules costs the cross linker minutes for every test
# executable; the Windows build does without.
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE OFF)
