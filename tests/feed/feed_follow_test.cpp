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
           "190908_052530    14.074 Rx FT8    -18  0.3 1304 TNX 73 GL\n"
           "190908_235959    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN4");  // no line end
    pid = start({"--once", "--day", "2019-09-08", "-o", folder + "/spots.log", folder});
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(file_text(folder + "/spots.log"), header + "N1AW,14.0740,05:25:15,-18,\r\n");
    EXPECT_NE(errors().find("1 spots in " + folder + "/spots.log; 1 lines not understood, 1 decodes naming no sender, "
                            "1 decodes outside the day or filters; 1 incomplete last line left out\n"),
              std::string::npos)
        << errors();
}

TEST_F(FeedProcessTest, OnceOnDecodesOutOfOrderReadsAgainAndCountsOnce) {
    append("ALL.TXT",
           "190907_235945    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN42\n"
           "190908_052530    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n"
           "not a decode\n"
           "190908_052515    14.074 Rx FT8    -12  0.3 1304 CQ K1ABC FN42\n"  // a step back
           "190908_052530    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n");
    pid = start({"--once", "--day", "2019-09-08", "-o", folder + "/spots.log", folder});
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(file_text(folder + "/spots.log"), header + "K1ABC,FN42,05:25:15,-12,\r\nN1AW,14.0740,05:25:30,-18,\r\n");
    EXPECT_NE(errors().find("2 spots in " + folder + "/spots.log; 1 lines not understood, 0 decodes naming no sender, "
                            "1 decodes outside the day or filters\n"),
              std::string::npos)
        << errors();
    EXPECT_FALSE(fs::exists(folder + "/spots.log.tmp"));
}

TEST_F(FeedProcessTest, FollowReadsNewLinesWaitsForHalfLinesAndNoticesRotation) {
    const std::string out = folder + "/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n");
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, input});
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("N1AW,") != std::string::npos; }, 10000));
    append("ALL.TXT", "190908_060000    14.074 Rx FT8    -11  0.3 1304 CQ K1AB");  // half a line
    append("ALL.TXT", "C FN42\n");
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("K1ABC,FN42,06:00:00,-11,") != std::string::npos; }, 10000))
        << file_text(out);
    EXPECT_EQ(file_text(out).find("K1AB,"), std::string::npos) << "a half line is left for the next pass";
    // Rotation: the file is moved away and a new one begins.
    fs::rename(input, folder + "/ALL.TXT.old");
    append("ALL.TXT", "190908_070000    14.074 Rx FT8    -7  0.3 1304 CQ G4ABC IO91\n");
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("G4ABC,IO91,07:00:00,-7,") != std::string::npos; }, 10000));
    // Truncated and written again: read from the start, nothing twice.
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        << "190908_070000    14.074 Rx FT8    -7  0.3 1304 CQ G4ABC IO91\n"
           "190908_080000    14.074 Rx FT8    -3  0.3 1304 CQ VK2XYZ QF56\n";
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("VK2XYZ") != std::string::npos; }, 10000));
    std::string all = file_text(out);
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
    EXPECT_EQ(file_text(out), previous);
    EXPECT_FALSE(fs::exists(out + ".tmp"));
}

TEST_F(FeedProcessTest, FollowOnAFullDiskKeepsWholeRecordsSaysSoOnceAndCatchesUp) {
    std::string why;
    if (!mount_small_disk(why)) GTEST_SKIP() << why;
    const std::string out = disk + "/spots.log", first = header + "G0X,FN42,00:00:00,-10,\r\n";
    append("ALL.TXT", decodes(1, "G"));
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, folder + "/ALL.TXT"});
    ASSERT_TRUE(wait_until([&] { return file_text(out) == first; }, 10000));
    {  // fill the disk
        std::ofstream filler(disk + "/filler", std::ios::binary);
        std::string block(4096, 'x');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
    }
    append("ALL.TXT", decodes(400, "K"));  // more than the slack in the log's last page
    ASSERT_TRUE(wait_until([&] { return errors().find("No space left on device") != std::string::npos; }, 10000));
    long long calls = write_calls(pid);
    ASSERT_TRUE(wait_until([&] { return write_calls(pid) >= calls + 2; }, 10000)) << "it tries again each pass";
    EXPECT_EQ(file_text(out), first) << "cut back to the last whole record";
    fs::remove(disk + "/filler");
    ASSERT_TRUE(wait_until([&] { return errors().find("caught up: 401 spots in " + out) != std::string::npos; }, 10000))
        << errors();
    kill(pid, SIGTERM);
    EXPECT_EQ(finish(), 0);
    std::string log = file_text(out);
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
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 101; }, 10000));
    const std::string log = file_text(out);
    fs::remove(out);
    ASSERT_TRUE(wait_until([&] { return file_text(out) == log; }, 10000)) << "the header line included";
    // Truncated and refilled beyond its old size between two polls.
    std::ofstream(input, std::ios::binary | std::ios::trunc) << decodes(200, "G");
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 301; }, 10000))
        << count(file_text(out), "\r\n") << " lines";
    EXPECT_NE(file_text(out).find("G0X,"), std::string::npos);
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

TEST_F(FeedProcessTest, ASecondFeederOnTheSameLogIsRefusedUntilTheFirstEnds) {
    const std::string out = folder + "/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", decodes(2, "K"));
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, input});
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 3; }, 10000));
    const std::string log = file_text(out);
    const std::string refusal = "skerrow-feed: another skerrow-feed (process " + std::to_string(pid) + ") keeps " + out;
    for (const char* mode : {"--once", "--follow"}) {
        EXPECT_EQ(run({mode, "--day", "2019-09-08", "-o", out, input}), 2) << mode;
        EXPECT_EQ(errors().rfind(refusal, 0), 0u) << mode << ": " << errors();
    }
    EXPECT_EQ(file_text(out), log);
    kill(pid, SIGKILL);  // the system lets the lock go
    finish(pid);
    pid = start({"--once", "--day", "2019-09-08", "-o", out, input});
    EXPECT_EQ(finish(), 0) << errors();
}

TEST_F(FeedProcessTest, ALockNotMakeableYetIsTakenAtTheFirstWrite) {
    const std::string out = folder + "/later/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", decodes(1, "K"));
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, input});
    ASSERT_TRUE(wait_until([&] { return errors().find("trying again") != std::string::npos; }, 10000)) << errors();
    fs::create_directory(folder + "/later");
    ASSERT_TRUE(wait_until([&] { return file_text(out + ".lock") == std::to_string(pid) + "\n"; }, 10000));
    EXPECT_EQ(run({"--once", "--day", "2019-09-08", "-o", out, input}), 2) << errors();
}

TEST_F(FeedProcessTest, JtdxMonthlyFilesAndDialsOfZeroAreRead) {
    const std::string out = folder + "/spots.log", files = folder + "/files", none = folder + "/none";
    fs::create_directory(files);
    fs::create_directory(none);
    std::ofstream(none + "/notes.txt") << "nothing\n";
    std::ofstream(files + "/202501_ALL.TXT", std::ios::binary)
        << "20250101_080415  21.074 MHz  FT8\r\n20250101_080430  -4 -0.4 1275 ~ CQ BH3GZP ON50            *\r\n";
    std::ofstream(files + "/ALL.TXT", std::ios::binary)
        << "250101_090000     0.000 Rx FT8    -10  0.1 1500 W1AW AM575C -05\n"
           "250101_090015     0.000 Rx FT8    -10  0.1 1500 W1AW <...> -05\n";
    pid = start({"--follow", "--day", "2025-01-01", "-o", out, none, files});
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 3; }, 10000)) << errors();
    EXPECT_EQ(file_text(out), header + "BH3GZP,ON50,08:04:30,-4,\r\nAM575C,,09:00:00,-10,\r\n");
    std::ofstream(files + "/202501_ALL.TXT", std::ios::binary | std::ios::app)
        << "20250101_100000 -12  0.1  900 ~ W1AW K1ABC R-05\r\n";
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("K1ABC,21.0740,10:00:00,-12,") != std::string::npos; }, 10000));
    kill(pid, SIGTERM);
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(count(errors(), "skerrow-feed: no decoder file in " + none +
                                  " (looked for ALL.TXT, ALL_WSPR.TXT, YYYY-ALL.TXT, YYYY-MM-ALL.TXT and YYYYMM_ALL.TXT)\n"),
              1u)
        << errors();
    EXPECT_NE(errors().find("0 lines not understood, 1 decodes naming no sender"), std::string::npos) << errors();
    pid = start({"--once", "--day", "2025-01-01", "--band", "21", "-o", out, files});
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(file_text(out), header + "BH3GZP,ON50,08:04:30,-4,\r\nK1ABC,21.0740,10:00:00,-12,\r\n")
        << "an unknown dial is on no band";
}

TEST_F(FeedProcessTest, AStartFoundByBisectionInJtdxFilesKeepsTheHeadersBand) {
    std::string lines;
    char line[128];
    for (int i = 0; i < 3 * 5760; i++) {  // three days, a decode every 15 s, a band change every 3000
        const int day = 1 + i / 5760, s = i % 5760 * 15;
        if (i % 3000 == 0)
            lines += "202501" + std::string(day < 10 ? "0" : "") + std::to_string(day) + "_000000  " +
                     (i / 3000 % 2 ? "14.074" : "21.074") + " MHz  FT8\r\n";
        std::snprintf(line, sizeof line, "202501%02d_%02d%02d%02d -10  0.1  900 ~ W1AW K%dX R-05\r\n", day, s / 3600,
                      s / 60 % 60, s % 60, i % 100);
        lines += line;
    }
    append("202501_ALL.TXT", lines);
    const std::string input = folder + "/202501_ALL.TXT";
    pid = start({"--once", "--day", "2025-01-03", "-o", folder + "/bisected.log", input});
    ASSERT_EQ(finish(), 0);
    ASSERT_EQ(run({"--once", "--day", "2025-01-03", "-o", folder + "/whole.log", input}, {"SKERROW_FEED_WHOLE_READ=1"}), 0);
    const std::string whole = file_text(folder + "/whole.log");
    EXPECT_EQ(count(whole, "\r\n"), 5761u);
    EXPECT_EQ(whole.substr(header.size(), 23), "K20X,14.0740,00:00:00,-") << "the band of the header before";
    EXPECT_EQ(file_text(folder + "/bisected.log"), whole);
}

TEST_F(FeedProcessTest, FollowReadsTheDecodeAfterALongRunOfNuls) {
    const std::string out = folder + "/spots.log";
    append("ALL.TXT", decodes(1, "K") + "190908_0000");  // a crash while writing: half a line, then NULs
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, folder + "/ALL.TXT"});
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("K0X,") != std::string::npos; }, 10000));
    const long long before = proc_figure(pid, "io", "rchar:");
    append("ALL.TXT", std::string(200 * 1024, '\0'));
    ASSERT_TRUE(wait_until([&] { return proc_figure(pid, "io", "rchar:") >= before + 200 * 1024; }, 10000)) << "read in a pass of its own";
    append("ALL.TXT", "190908_000100    14.074 Rx FT8    -10  0.3 1304 CQ G4ABC IO91\n");
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("G4ABC,IO91,00:01:00,-10,") != std::string::npos; }, 10000));
}

}  // namespace
