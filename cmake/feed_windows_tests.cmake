# The feeder's Win32 pieces under Wine (included by cmake/windows_tests.cmake):
# its paths, and the spot log's rewrite while the monitor holds the log open.
set(SKERROW_TEST_LIBS skerrow_feed)
skerrow_windows_test(feed_system_win32_test feed/feed_system_win32_test.cpp)
skerrow_windows_test(feed_output_win32_test feed/feed_output_win32_test.cpp)
# The reception reports' parsers, files and queries, as on Linux.
skerrow_windows_test(feed_report_parse_test feed/report_parse_test.cpp)
skerrow_windows_test(feed_report_query_test feed/report_query_test.cpp)
skerrow_windows_test(feed_report_file_test feed/report_file_test.cpp)
