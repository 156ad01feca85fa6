# The feeder's Win32 pieces under Wine (included by cmake/windows_tests.cmake):
# its paths, the spot log's rewrite while the monitor holds the log open, and its socket.
set(SKERROW_TEST_LIBS skerrow_feed)
skerrow_windows_test(feed_system_win32_test feed/feed_system_win32_test.cpp)
skerrow_windows_test(feed_output_win32_test feed/feed_output_win32_test.cpp)
# The reception reports' parsers, files and queries, as on Linux.
skerrow_windows_test(feed_report_parse_test feed/report_parse_test.cpp)
skerrow_windows_test(feed_report_query_test feed/report_query_test.cpp)
skerrow_windows_test(feed_report_file_test feed/report_file_test.cpp)
# The datagram socket over loopback, and skerrow-feed.exe --udp beside it
# (Wine reaches the build through its drive Z:).
skerrow_windows_test(feed_udp_socket_win32_test feed/udp_socket_win32_test.cpp)
target_compile_definitions(feed_udp_socket_win32_test PRIVATE FEED_EXE="Z:$<TARGET_FILE:skerrow-feed>")
add_dependencies(feed_udp_socket_win32_test skerrow-feed)
