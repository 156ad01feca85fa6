// skerrow-feed as a process: a converted file, --follow behind a writer that
// appends half lines, rotates and rewrites its file, and the spot log on a
// full disk, deleted, or named where no spot log belongs.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "support/feed_process.h"

namespace {

using namespace feed_test;

TEST_F(FeedProcessTest, OnceWritesTheDayWithDuplicatesOnce) {
    append("ALL.TXT",
           "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n"
           "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n"
           "190909_000015    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN42\n"
           "not a decode\n"
           "190908_235959    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN4");  // no line end
    pid = start({"--once", "--day", "2019-09-08", "-o", folder + "/spots.log", folder});
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(read_file(folder + "/spots.log"), header + "N1AW,14.0740,05:25:15,-18,\r\n");
    EXPECT_NE(errors().find("1 spots in " + folder + "/spots.log; 1 lines not understood, 1 decodes outside the day "
                            "or filters; 1 incomplete last line left out\n"),
              std::string::npos)
        << errors();
}

TEST_F(FeedProcessTest, FollowReadsNewLinesWaitsForHalfLinesAndNoticesRotation) {
    const std::string out = folder + "/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n");
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, input});
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("N1AW,") != std::string::npos; }, 10000));
    append("ALL.TXT", "190908_060000    14.074 Rx FT8    -11  0.3 1304 CQ K1AB");  // half a line
    append("ALL.TXT", "C FN42\n");
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("K1ABC,FN42,06:00:00,-11,") != std::string::npos; }, 10000))
        << read_file(out);
    EXPECT_EQ(read_file(out).find("K1AB,"), std::string::npos) << "a half line is left for the next pass";
    // Rotation: the file is moved away and a new one begins.
    fs::rename(input, folder + "/ALL.TXT.old");
    append("ALL.TXT", "190908_070000    14.074 Rx FT8    -7  0.3 1304 CQ G4ABC IO91\n");
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("G4ABC,IO91,07:00:00,-7,") != std::string::npos; }, 10000));
    // Truncated and written again: read from the start, nothing twice.
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        << "190908_070000    14.074 Rx FT8    -7  0.3 1304 CQ G4ABC IO91\n"
           "190908_080000    14.074 Rx FT8    -3  0.3 1304 CQ VK2XYZ QF56\n";
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("VK2XYZ") != std::string::npos; }, 10000));
    std::string all = read_file(out);
    EXPECT_EQ(all.find("G4ABC"), all.rfind("G4ABC")) << all;
}

TEST_F(FeedProcessTest, OnceOnAFullDiskLeavesThePreviousLogAndNoTemporaryFile) {
    std::string why;
    if (!mount_small_disk(why)) GTEST_SKIP() << why;
    const std::string out = disk + "/spots.log", previous = header + "W1AW,FN31,00:00:00,-1,\r\n";
    std::ofstream(out, std::ios::binary) << previous;
    append("ALL.TXT", decodes(3000, "K"));  // about 80 KiB of records
    pid = start({"--once", "--day", "2019-09-08", "-o", out, folder + "/ALL.TXT"});
    EXPECT_EQ(finish(), 1);
    EXPECT_EQ(errors(), "skerrow-feed: cannot write " + out + ": No space left on device\n");
    EXPECT_EQ(read_file(out), previous);
    EXPECT_FALSE(fs::exists(out + ".tmp"));
}

TEST_F(FeedProcessTest, FollowOnAFullDiskKeepsWholeRecordsSaysSoOnceAndCatchesUp) {
    std::string why;
    if (!mount_small_disk(why)) GTEST_SKIP() << why;
    const std::string out = disk + "/spots.log", first = header + "G0X,FN42,00:00:00,-10,\r\n";
    append("ALL.TXT", decodes(1, "G"));
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, folder + "/ALL.TXT"});
    ASSERT_TRUE(wait_for([&] { return read_file(out) == first; }, 10000));
    {  // fill the disk
        std::ofstream filler(disk + "/filler", std::ios::binary);
        std::string block(4096, 'x');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
    }
    append("ALL.TXT", decodes(400, "K"));  // more than the slack in the log's last page
    ASSERT_TRUE(wait_for([&] { return errors().find("No space left on device") != std::string::npos; }, 10000));
    long long calls = write_calls(pid);
    ASSERT_TRUE(wait_for([&] { return write_calls(pid) >= calls + 2; }, 10000)) << "it tries again each pass";
    EXPECT_EQ(read_file(out), first) << "cut back to the last whole record";
    fs::remove(disk + "/filler");
    ASSERT_TRUE(wait_for([&] { return errors().find("caught up: 401 spots in " + out) != std::string::npos; }, 10000))
        << errors();
    kill(pid, SIGTERM);
    EXPECT_EQ(finish(), 0);
    std::string log = read_file(out);
    EXPECT_EQ(log.substr(0, first.size()), first);
    EXPECT_EQ(count(log, "\r\n"), 402u);
    EXPECT_EQ(log.substr(log.size() - 26), "K399X,FN42,00:06:39,-10,\r\n");
    EXPECT_EQ(count(errors(), "No space left on device"), 1u) << errors();
    EXPECT_NE(errors().find("401 spots in " + out + ";"), std::string::npos) << errors();
}

TEST_F(FeedProcessTest, FollowRecreatesADeletedLogWholeAndRereadsAnInputRewrittenPastItsSize) {
    const std::string out = folder + "/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", decodes(100, "K"));
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, input});
    ASSERT_TRUE(wait_for([&] { return count(read_file(out), "\r\n") == 101; }, 10000));
    const std::string log = read_file(out);
    fs::remove(out);
    ASSERT_TRUE(wait_for([&] { return read_file(out) == log; }, 10000)) << "the header line included";
    // Truncated and refilled beyond its old size between two polls.
    std::ofstream(input, std::ios::binary | std::ios::trunc) << decodes(200, "G");
    ASSERT_TRUE(wait_for([&] { return count(read_file(out), "\r\n") == 301; }, 10000))
        << count(read_file(out), "\r\n") << " lines";
    EXPECT_NE(read_file(out).find("G0X,"), std::string::npos);
}

TEST_F(FeedProcessTest, RefusesAnOutputThatIsNoRegularFileAndLeavesNoTemporaryFile) {
    append("ALL.TXT", decodes(1, "K"));
    const std::string pipe = folder + "/pipe", dir = folder + "/dir";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directory(dir);
    for (const std::string& out : {pipe, dir}) {
        pid = start({"--once", "-o", out, folder + "/ALL.TXT"});
        EXPECT_EQ(finish(), 2) << out;
        EXPECT_EQ(errors(), "skerrow-feed: will not replace " + out + ": not a regular file\n");
        EXPECT_FALSE(fs::exists(out + ".tmp"));
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_directory(dir));
    pid = start({"--once", "-o", folder + "/none/spots.log", folder + "/ALL.TXT"});
    EXPECT_EQ(finish(), 1);
    EXPECT_EQ(errors(), "skerrow-feed: cannot write " + folder + "/none/spots.log: No such file or directory\n");
}

}  // namespace
