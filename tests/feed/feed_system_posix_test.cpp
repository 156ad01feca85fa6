// The feeder's paths on POSIX systems.
#include <gtest/gtest.h>

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
