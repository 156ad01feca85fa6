// The monitor's picture for set-ups and logs built here, through
// skerrow-snapshot: pixels computed from the plotting rules, golden images of
// whole screens, and the error reports in the dialog's words.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/golden.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Palette of the monitor's screen as 0xFFRRGGBB: the defaults with 0, 14 and 15 changed.
const uint32_t colours[16] = {0xFFFFFBCF, 0xFF0000AA, 0xFF00AA00, 0xFF00AAAA, 0xFFAA0000, 0xFFAA00AA,
                              0xFFAA5500, 0xFFAAAAAA, 0xFF555555, 0xFF5555FF, 0xFF55FF55, 0xFF55FFFF,
                              0xFFFF5555, 0xFFFF55FF, 0xFFFFFFFF, 0xFF000000};

struct Snapshot {
    int exit_code = -1;
    std::string errors;          // standard error
    std::vector<uint32_t> rgb;   // 640 x 480
    uint32_t at(int x, int y) const { return rgb[size_t(y) * 640 + size_t(x)]; }
};

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/skerrow-snap-XXXXXX";
        folder = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(folder); }
    void write(const std::string& name, const std::string& content) {
        std::ofstream(folder + "/" + name, std::ios::binary) << content;
    }
    // A setup file: log name, meter flag and six calls, one to a line.
    void setup(const std::string& meter, const std::vector<std::string>& calls, const std::string& log = "spots.log") {
        std::string text = log + "\r\n" + meter + "\r\n";
        for (const std::string& c : calls) text += c + "\r\n";
        write("Skerrow020.SET", text);
    }
    Snapshot run() {
        Snapshot s;
        std::string out = folder + "/snap.png", err = folder + "/stderr.txt";
        std::string command = std::string("'") + SNAPSHOT_EXE + "' -C '" + folder + "' '" + out + "' 2> '" + err + "'";
        int status = std::system(command.c_str());
        s.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(err);
        s.errors.assign(std::istreambuf_iterator<char>(in), {});
        int32_t w = 0, h = 0;
        if (!png_read_rgb(out, s.rgb, w, h) || w != 640 || h != 480) s.rgb.clear();
        return s;
    }
    std::string folder;
};

// Where the plotting rules put a spot.
int spot_x(int hour, int minute) { return 32 + int(std::nearbyint(hour * 24 + minute / 2.5)); }
int spot_y(double snr) { return int(std::nearbyint(float(345 - float(snr * 6.4 + 194)))); }

const std::vector<std::string> six = {"W1AW", "K1JT", "G4ABC", "VK2XYZ", "JA1NRH", "DL1ABC"};

TEST_F(SnapshotTest, WatchedCallsInTheirColoursAndTheLevelMarks) {
    setup("Y", six);
    write("spots.log",
          "header\r\n"
          "W1AW,FN31,01:00:00,-10,-50\r\n"
          "K1JT,FN20,03:00:00,-5,-20\r\n"
          "G4ABC,IO91,05:00:00,0,-64\r\n"
          "VK2XYZ,QF56,07:30:00,5,0\r\n"
          "JA1NRH,PM95,10:00:00,10,-30\r\n"
          "DL1ABC,JO62,12:00:00,-20,-63.9\r\n"
          "N0CALL,EM12,14:00:00,-15,-40\r\n");
    Snapshot s = run();
    ASSERT_EQ(s.exit_code, 0) << s.errors;
    EXPECT_EQ(s.errors, "");
    ASSERT_FALSE(s.rgb.empty());
    const int colour_of[6] = {2, 12, 7, 13, 1, 4};
    const int hours[6] = {1, 3, 5, 7, 10, 12}, minutes[6] = {0, 0, 0, 30, 0, 0};
    const double snrs[6] = {-10, -5, 0, 5, 10, -20};
    for (int i = 0; i < 6; i++) {
        int x = spot_x(hours[i], minutes[i]), y = spot_y(snrs[i]);
        SCOPED_TRACE(six[i]);
        uint32_t c = colours[colour_of[i]];
        EXPECT_EQ(s.at(x, y), c) << "the centre point";
        for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-3, 0}, {3, 0}, {0, 3}, {-2, -2}})
            EXPECT_EQ(s.at(x + dx, y + dy), c) << dx << "," << dy;
        for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}}) EXPECT_EQ(s.at(x + dx, y + dy), colours[14]) << "diagonal neighbours stay white";
    }
    // Level marks: -50 and -20 and -30 and -63.9 dB are inside (-64, 0); -64 and 0 are not.
    auto level_y = [](double level) { return int(std::nearbyint(345 - float(level * 6.4 + 321))); };
    EXPECT_EQ(s.at(spot_x(1, 0) + 1, level_y(-50)), colours[7]);
    EXPECT_EQ(s.at(spot_x(3, 0) + 1, level_y(-20)), colours[7]);
    EXPECT_EQ(s.at(spot_x(12, 0) + 1, level_y(-63.9)), colours[7]) << "a mark below the plot frame";
    EXPECT_NE(s.at(spot_x(5, 0) + 1, level_y(-64)), colours[7]);
    EXPECT_NE(s.at(spot_x(7, 30) + 1, level_y(0)), colours[7]);
    // The unwatched spot: one black point, its call on the Other line.
    EXPECT_EQ(s.at(spot_x(14, 0), spot_y(-15)), colours[15]);
    EXPECT_EQ(s.at(spot_x(14, 0) + 1, spot_y(-15)), colours[14]);
    EXPECT_EQ(golden_compare("monitor/colours", s.rgb, 640, 480), "");
}

TEST_F(SnapshotTest, RangeEdgesSameCallTwiceAndALowerCaseMeterFlag) {
    setup("y", {"W1AW", "K1JT", "W1AW", "", "JA1NRH", "DL1ABC"});
    write("spots.log",
          "Spots,of,a,test\r\n"  // four header fields: the last three open the first record
          "-5,-40\r\n"
          "W1AW,FN31,02:00:00,19,-35\r\n"
          "W1AW,FN31,04:00:00,-33,-30\r\n"
          "W1AW,FN31,06:00:00,19.5,-30\r\n"
          "W1AW,FN31,08:00:00,-33.5,-30\r\n"
          "\"DL1ABC\",\"JO62, near Berlin\",\"16:00:00\",-8,-40\r\n"
          ",empty call,18:00:00,-12,-40\r\n"
          "K1JT,FN20,7:35:00,-3,-40\r\n");
    Snapshot s = run();
    ASSERT_EQ(s.exit_code, 0) << s.errors;
    ASSERT_FALSE(s.rgb.empty());
    uint32_t third = colours[7];  // W1AW in the third field: the later colour wins
    EXPECT_EQ(s.at(spot_x(2, 0), spot_y(19)), third);
    EXPECT_EQ(s.at(spot_x(2, 0) + 3, spot_y(19)), third) << "19 dB is still a watched spot";
    EXPECT_EQ(s.at(spot_x(4, 0) + 3, spot_y(-33)), third) << "-33 dB is still a watched spot";
    EXPECT_EQ(s.at(spot_x(6, 0), spot_y(19.5)), colours[15]) << "beyond the range: a black point";
    EXPECT_EQ(s.at(spot_x(6, 0) + 3, spot_y(19.5)), colours[14]);
    EXPECT_EQ(s.at(spot_x(8, 0), spot_y(-33.5)), colours[15]);
    EXPECT_EQ(s.at(spot_x(16, 0) + 3, spot_y(-8)), colours[4]) << "a quoted call and a quoted field with a comma";
    EXPECT_EQ(s.at(spot_x(18, 0) + 3, spot_y(-12)), colours[13]) << "an empty call matches the empty watch field";
    EXPECT_EQ(s.at(spot_x(7, 5) + 3, spot_y(-3)), colours[12]) << "7:35 reads as hour 7, minute 5";
    EXPECT_EQ(s.at(spot_x(2, 0) + 1, int(345 - (-35 * 6.4 + 321))), colours[14]) << "no level marks without \"Y\"";
    EXPECT_EQ(golden_compare("monitor/edges", s.rgb, 640, 480), "");
}

TEST_F(SnapshotTest, OtherListCutAtFiftySixAndALatestSpotThatWraps) {
    setup("Y", six);
    std::string log = "header\r\n";
    const char* calls[] = {"K1ABC", "K1AB", "OH2XYZZY", "ZS6ABCDE", "LU1ABCDE", "PY2ABCDE", "VE3ABCDE", "EA8ABCDE",
                           "UA9ABCDE", "LATECALL"};
    int minute = 0;
    for (const char* c : calls) {
        log += std::string(c) + ",aux,20:" + (minute < 10 ? "0" : "") + std::to_string(minute) + ":00,-7,-40\r\n";
        minute += 5;
    }
    log += "VERYLONGCALLSIGN/PORTABLE,aux,23:59:59,-10,-40\r\n";
    write("spots.log", log);
    Snapshot s = run();
    ASSERT_EQ(s.exit_code, 0) << s.errors;
    ASSERT_FALSE(s.rgb.empty());
    EXPECT_EQ(golden_compare("monitor/others", s.rgb, 640, 480), "");
}

TEST_F(SnapshotTest, MissingSetupFileIsReportedAtItsStatements) {
    Snapshot s = run();
    EXPECT_EQ(s.exit_code, 0);
    std::string expected = "Unhandled Error #53: Line:147 File not found Continue?\n";
    for (int line = 148; line <= 155; line++)
        expected += "Unhandled Error #52: Line:" + std::to_string(line) + " Bad file name or number Continue?\n";
    EXPECT_EQ(s.errors.substr(0, expected.size()), expected);
}

TEST_F(SnapshotTest, MissingLogIsReportedOnceAndThePassEnds) {
    setup("Y", six, "nowhere.log");
    Snapshot s = run();
    EXPECT_EQ(s.exit_code, 0);
    EXPECT_EQ(s.errors, "Unhandled Error #53: Line:282 File not found Continue?\n");
    ASSERT_FALSE(s.rgb.empty());
    EXPECT_EQ(s.at(300, 200), colours[14]) << "the frame is drawn";
}

TEST_F(SnapshotTest, ShortSetupFileAndAnEmptyLog) {
    write("Skerrow020.SET", "spots.log,Y,W1AW,K1JT,G4ABC\r\n");
    write("spots.log", "");
    Snapshot s = run();
    EXPECT_EQ(s.exit_code, 0);
    std::string expected;
    for (int line = 153; line <= 155; line++)
        expected += "Unhandled Error #62: Line:" + std::to_string(line) + " Input past end of file Continue?\n";
    expected += "Unhandled Error #62: Line:283 Input past end of file Continue?\n";
    EXPECT_EQ(s.errors, expected);
}

}  // namespace
