// The feeder's paths on Windows: drives, both separators, trailing ones; the
// spot log's lock.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "feed/feed_lock.h"
#include "feed/feed_system.h"

TEST(FeedSystemWin32, PathsJoinTrimAndSplit) {
    EXPECT_EQ(feed_path_join("C:\\Users\\op\\AppData\\Local\\WSJT-X", "ALL.TXT"),
              "C:\\Users\\op\\AppData\\Local\\WSJT-X\\ALL.TXT");
    EXPECT_EQ(feed_path_join("C:\\WSJT-X\\", "ALL.TXT"), "C:\\WSJT-X\\ALL.TXT");
    EXPECT_EQ(feed_path_join("C:/WSJT-X/", "ALL.TXT"), "C:/WSJT-X/ALL.TXT");
    EXPECT_EQ(feed_path_join("D:", "ALL.TXT"), "D:ALL.TXT");
    EXPECT_EQ(feed_path_trimmed("C:\\WSJT-X\\\\"), "C:\\WSJT-X");
    EXPECT_EQ(feed_path_trimmed("C:\\WSJT-X/"), "C:\\WSJT-X");
    EXPECT_EQ(feed_path_trimmed("C:\\"), "C:\\");
    EXPECT_EQ(feed_path_trimmed("\\\\"), "\\");
    EXPECT_EQ(feed_path_folder("C:\\Skerrow\\spots.log"), "C:\\Skerrow");
    EXPECT_EQ(feed_path_folder("C:\\spots.log"), "C:\\");
    EXPECT_EQ(feed_path_folder("C:spots.log"), "C:");
    EXPECT_EQ(feed_path_folder("\\spots.log"), "\\");
    EXPECT_EQ(feed_path_folder("spots.log"), "");
}

// Large buffers come from the heap here; the allocator still moves between the two kinds.
TEST(FeedSystemWin32, LargeBuffersComeFromTheHeap) {
    void* at = feed_memory_alloc(size_t(3) << 20);
    ASSERT_NE(at, nullptr);
    feed_memory_free(at, size_t(3) << 20);
    std::vector<uint32_t, FeedLargeAllocator<uint32_t>> v;
    for (uint32_t i = 0; i < 1000000; i++) v.push_back(i);
    for (uint32_t i = 0; i < 1000000; i += 4999) ASSERT_EQ(v[i], i);
}

// A second open of the lock is refused and names the keeper, until it lets go.
TEST(FeedSystemWin32, TheSpotLogLockRefusesASecondKeeper) {
    char folder[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string log = feed_path_join(folder, "skerrow-lock-test-" + std::to_string(GetCurrentProcessId()) + ".log");
    FeedLock first, second;
    long long other = -1;
    ASSERT_EQ(feed_lock_take(first, log, other), FeedLockState::held);
    EXPECT_EQ(feed_lock_take(second, log, other), FeedLockState::taken);
    EXPECT_EQ(other, (long long)GetCurrentProcessId());
    feed_lock_release(first);
    EXPECT_EQ(feed_lock_take(second, log, other), FeedLockState::held);
    feed_lock_release(second);
    EXPECT_EQ(feed_lock_take(first, std::string(folder) + "\\no such folder\\spots.log", other), FeedLockState::not_yet);
    DeleteFileA((log + ".lock").c_str());
}
