// The feeder's paths on Windows: drives, both separators, trailing ones.
#include <gtest/gtest.h>

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
