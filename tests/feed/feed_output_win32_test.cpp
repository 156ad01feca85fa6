// The spot log's rewrite on Windows while a reader holds the log open as the
// monitor does (sharing reads and writes, not deletion).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "feed/feed_output.h"
#include "tests/support/file_text.h"

namespace {

HANDLE open_as_the_monitor(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

class FeedOutputWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[MAX_PATH + 1] = {};
        GetTempPathA(sizeof folder, folder);
        log.path = std::string(folder) + "skerrow-feed-test-" + std::to_string(GetCurrentProcessId()) + ".log";
        ASSERT_TRUE(spot_log_rewrite(log, "OLD,a,01:00:00,-5,\r\n", 1)) << log.error;
    }
    void TearDown() override {
        DeleteFileA(log.path.c_str());
        DeleteFileA((log.path + ".tmp").c_str());
    }
    SpotLog log;
};

TEST_F(FeedOutputWin32, RewriteWaitsForTheReaderToLetGo) {
    HANDLE reader = open_as_the_monitor(log.path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread refresh([&] {
        Sleep(300);  // a refresh's read, shorter than the rewrite's patience
        CloseHandle(reader);
    });
    bool ok = spot_log_rewrite(log, "NEW,a,02:00:00,-6,\r\n", 1);
    refresh.join();
    EXPECT_TRUE(ok) << log.error;
    EXPECT_EQ(file_text(log.path), std::string(spot_log_header) + "NEW,a,02:00:00,-6,\r\n");
    EXPECT_TRUE(spot_log_unchanged(log));
}

TEST_F(FeedOutputWin32, RewriteRefusedForGoodLeavesTheOldLog) {
    HANDLE reader = open_as_the_monitor(log.path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(spot_log_rewrite(log, "NEW,a,02:00:00,-6,\r\n", 1));
    CloseHandle(reader);
    EXPECT_EQ(log.error.rfind("cannot write " + log.path + ": ", 0), 0u) << log.error;
    EXPECT_EQ(file_text(log.path), std::string(spot_log_header) + "OLD,a,01:00:00,-5,\r\n");
    EXPECT_EQ(GetFileAttributesA((log.path + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(log.records, 1);
}

}  // namespace
