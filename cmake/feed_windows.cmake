# skerrow-feed on Windows (included by cmake/windows.cmake): the Win32 side of
# its paths, console and spot-log lock, and 64-bit file offsets, without which
# an ALL.TXT past 2 GiB has a negative size there.
list(APPEND skerrow_feed_system feed/feed_system_win32.cpp feed/feed_lock_win32.cpp)
set_source_files_properties(feed/feed_main.cpp feed/feed_decoder_files.cpp PROPERTIES COMPILE_DEFINITIONS _FILE_OFFSET_BITS=64)
# Its HTTPS through the system's WinHTTP (winhttp.dll comes with Windows).
set(skerrow_feed_http feed/http_fetch_winhttp.cpp)
set(skerrow_feed_http_library winhttp)
