// The monitor's picture for set-ups and logs built here, through
// skerrow-snapshot: pixels computed from the plotting rules, golden images of
// whole screens, and the error reports in the dialog's words.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/fonts.h"
#include "tests/support/file_text.h"
#include "tests/support/golden.h"
#include "tests/support/monitor_scenes.h"

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
    void files(const MonitorScene& s) {
        write("Skerrow020.SET", s.setup);
        write(s.log_name, s.log);
    }
    Snapshot run() {
        Snapshot s;
        std::string out = folder + "/snap.png", err = folder + "/stderr.txt";
        // A bound, so that a snapshot that hangs fails instead of stalling the run.
        std::string command = std::string("timeout 60 '") + SNAPSHOT_EXE + "' -C '" + folder + "' '" + out + "' 2> '" + err + "'";
        int status = std::system(command.c_str());
        s.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        s.errors = file_text(err);
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

// True when the text cells from (row, column) on show `text` in colour 15 on colour 0.
bool cells_show(const Snapshot& s, int row, int column, const std::string& text) {
    for (size_t i = 0; i < text.size(); i++)
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 8; x++) {
                bool set = (vga_font_8x16_bits[uint8_t(text[i]) * 16 + y] >> (7 - x)) & 1;
                if (s.at((column - 1 + int(i)) * 8 + x, (row - 1) * 16 + y) != colours[set ? 15 : 0]) return false;
            }
    return true;
}

TEST_F(SnapshotTest, WatchedCallsInTheirColoursAndTheLevelMarks) {
    files(monitor_scene("colours"));
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
    files(monitor_scene("edges"));  // the fourth watched call is empty
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
    files(monitor_scene("others"));
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

TEST_F(SnapshotTest, ControlBytesFromTheLogPrintAsGlyphsAndActOnNothing) {
    setup("Y", six);
    // Three unwatched calls: cursor moves and a screen clear, a quoted line
    // break, eight bells. `plain` writes each control byte as an x instead.
    const std::string calls[3] = {"AB\v\x1c\x1d\x1e\x1f\fCD", "EF\nGH\r", "K\a\a\a\a\a\a\a\a1JT"};
    auto log = [&](bool plain) {
        std::string text = "header\r\n";
        const char* times[3] = {"10:00:00,-5", "11:00:00,-6", "13:00:00,-5"};
        for (int i = 0; i < 3; i++) {
            std::string call = calls[i];
            if (plain)
                for (char& c : call)
                    if (uint8_t(c) < 32) c = 'x';
            text += "\"" + call + "\",x," + times[i] + ",-20\r\n";
        }
        return text;
    };
    write("spots.log", log(false));
    auto start = std::chrono::steady_clock::now();
    Snapshot s = run();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(s.exit_code, 0) << s.errors;
    EXPECT_EQ(s.errors, "");
    ASSERT_FALSE(s.rgb.empty());
    EXPECT_LT(seconds, 2.0) << "the bells paused the pass (sixteen of them took 4 s)";
    EXPECT_TRUE(cells_show(s, 27, 50, calls[2] + " 13:00:00 -5 dB    "));
    EXPECT_TRUE(cells_show(s, 29, 19, calls[0] + " " + calls[1] + " " + calls[2] + " "));
    // Everything outside those two lines is what plain calls give: nothing
    // cleared, moved or scrolled.
    write("spots.log", log(true));
    Snapshot plain = run();
    ASSERT_FALSE(plain.rgb.empty());
    for (int y : {416, 448})
        for (int yy = y; yy < y + 16; yy++)
            for (int x = y == 416 ? 392 : 144; x < 640; x++) s.rgb[size_t(yy) * 640 + size_t(x)] = plain.at(x, yy);
    EXPECT_TRUE(s.rgb == plain.rgb);
}

TEST_F(SnapshotTest, NulBlocksHideNothing) {
    setup("Y", six);
    const std::string first = "header\r\nW1AW,a,01:00:00,-10,-30\r\nN0CALL,a,02:00:00,-12,-30\r\n";
    const std::string second = "K1JT,a,03:00:00,-5,-20\r\nG4ABC,a,04:00:00,-8,-20\r\n";
    const std::string nuls(4096, '\0');
    write("spots.log", first + second);
    Snapshot clean = run();
    ASSERT_FALSE(clean.rgb.empty());
    write("spots.log", first + nuls + second + nuls);
    Snapshot s = run();
    EXPECT_EQ(s.errors, "") << "a block at the end is the end of the file";
    EXPECT_TRUE(s.rgb == clean.rgb);
    write("spots.log", first + second + "\r\n" + nuls);
    EXPECT_EQ(run().errors, "Unhandled Error #62: Line:286 Input past end of file Continue?\n")
        << "an extra empty line is still a record cut short";
}

TEST_F(SnapshotTest, AnOverflowingNumberLeavesTheLaterRecordsInStep) {
    setup("Y", six);
    const std::string good = "K1JT,a,03:00:00,-5,-20\r\nG4ABC,a,04:00:00,-8,-20\r\nVK2XYZ,a,05:00:00,2,-20\r\n"
                             "JA1NRH,a,06:00:00,-15,-20\r\nDL1ABC,a,07:00:00,-25,-20\r\n";
    // The overflowing SNR is stored as 0 and the level is passed over,
    // keeping the previous record's -30.
    write("spots.log", "header\r\nW1AW,a,00:30:00,-10,-30\r\nW1AW,IO91,01:00:00,0,-30\r\n" + good);
    Snapshot expected = run();
    ASSERT_FALSE(expected.rgb.empty());
    write("spots.log", "header\r\nW1AW,a,00:30:00,-10,-30\r\nW1AW,IO91,01:00:00,1e40,-20\r\n" + good);
    Snapshot s = run();
    EXPECT_EQ(s.errors, "Unhandled Error #6: Line:286 Overflow Continue?\n");
    EXPECT_TRUE(s.rgb == expected.rgb);
}

TEST_F(SnapshotTest, AFieldPastTheLengthLimitIsPassedOver) {
    setup("Y", six);
    const std::string rest = ",01:00:00,-10,-30\r\nK1JT,a,03:00:00,-5,-20\r\n";
    write("spots.log", "header\r\nW1AW,a" + rest);
    Snapshot expected = run();
    ASSERT_FALSE(expected.rgb.empty());
    write("spots.log", "header\r\nW1AW," + std::string(300000, 'a') + rest);
    Snapshot s = run();
    EXPECT_EQ(s.errors, "");
    EXPECT_TRUE(s.rgb == expected.rgb);
}

TEST_F(SnapshotTest, DevicesFifosAndFoldersAreNotReadAsFiles) {
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
    fs::create_directory(folder + "/folder");
    for (const char* log : {"/dev/zero", "fifo", "folder"}) {
        SCOPED_TRACE(log);
        setup("Y", six, log);
        Snapshot s = run();
        EXPECT_EQ(s.exit_code, 0);
        EXPECT_EQ(s.errors, "Unhandled Error #75: Line:282 Path/File access error Continue?\n");
        ASSERT_FALSE(s.rgb.empty());
        EXPECT_EQ(s.at(300, 200), colours[14]) << "the frame is drawn";
    }
    fs::remove(folder + "/Skerrow020.SET");
    ASSERT_EQ(mkfifo((folder + "/Skerrow020.SET").c_str(), 0600), 0);
    const std::string expected = "Unhandled Error #75: Line:147 Path/File access error Continue?\n"
                                 "Unhandled Error #52: Line:148 ";
    EXPECT_EQ(run().errors.substr(0, expected.size()), expected);
}

}  // namespace
