// The feeder's paths and large buffers on POSIX systems.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "feed/feed_system.h"

TEST(FeedSystemPosix, PathsJoinTrimAndSplit) {
    EXPECT_EQ(feed_path_join("/home/op/WSJT-X", "ALL.TXT"), "/home/op/WSJT-X/ALL.TXT");
    EXPECT_EQ(feed_path_join("/home/op/WSJT-X/", "ALL.TXT"), "/home/op/WSJT-X/ALL.TXT");
    EXPECT_EQ(feed_path_join("a\\b", "ALL.TXT"), "a\\b/ALL.TXT");  // a backslash is part of a name here
    EXPECT_EQ(feed_path_trimmed("/home/op//"), "/home/op");
    EXPECT_EQ(feed_path_trimmed("/"), "/");
    EXPECT_EQ(feed_path_folder("/home/op/spots.log"), "/home/op");
    EXPECT_EQ(feed_path_folder("/spots.log"), "/");
    EXPECT_EQ(feed_path_folder("spots.log"), "");
    EXPECT_FALSE(feed_console_release());
}

// A large buffer lies on whole large pages, is all writable, and a container
// growing through the allocator keeps what it held.
TEST(FeedSystemPosix, LargeBuffersLieOnWholeLargePages) {
    for (size_t size : {size_t(1) << 20, (size_t(3) << 20) + 5}) {
        char* at = static_cast<char*>(feed_memory_alloc(size));
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(uintptr_t(at) % (uintptr_t(2) << 20), 0u) << size;
        std::memset(at, 0x5a, size);
        feed_memory_free(at, size);
    }
    std::vector<uint32_t, FeedLargeAllocator<uint32_t>> v;
    for (uint32_t i = 0; i < 1000000; i++) v.push_back(i);  // from the heap to large pages
    EXPECT_EQ(uintptr_t(v.data()) % (uintptr_t(2) << 20), 0u);
    for (uint32_t i = 0; i < 1000000; i += 4999) ASSERT_EQ(v[i], i);
}
