# The feeder's Win32 pieces under Wine (included by cmake/windows_tests.cmake):
# its paths, and the spot log's rewrite while the monitor holds the log open.
set(SKERROW_TEST_LIBS skerrow_feed)
skerrow_windows_test(feed_system_win32_test feed/feed_system_win32_test.cpp)
skerrow_windows_test(feed_output_win32_test feed/feed_output_win32_test.cpp)
