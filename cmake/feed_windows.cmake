# skerrow-feed on Windows (included by cmake/windows.cmake): the Win32 side of
# its paths and console, its spot-log lock, its datagram socket, and 64-bit
# file offsets, without which an ALL.TXT past 2 GiB has a negative size there.
list(APPEND skerrow_feed_system feed/feed_system_win32.cpp feed/feed_lock_win32.cpp feed/udp_socket_win32.cpp)
# Winsock, and the interface list a multicast group is joined on: system DLLs.
set(skerrow_feed_libraries ws2_32 iphlpapi)
set_source_files_properties(feed/feed_main.cpp feed/feed_decoder_files.cpp PROPERTIES COMPILE_DEFINITIONS _FILE_OFFSET_BITS=64)
# Its HTTPS through the system's WinHTTP (winhttp.dll comes with Windows).
set(skerrow_feed_http feed/http_fetch_winhttp.cpp)
set(skerrow_feed_http_library winhttp)
