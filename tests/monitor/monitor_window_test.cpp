// The monitor in its window under Xvfb: the same picture as skerrow-snapshot,
// refreshes that follow the files, the end by Esc, an error report answered,
// a menu click during a long refresh, and control bytes in the log and its name.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/golden.h"
#include "tests/support/gui_fixture.h"
#include "tests/support/monitor_picture.h"
#include "tests/support/text_count.h"

namespace {

namespace fs = std::filesystem;

constexpr int bar = monitor_menu_bar;
const char* const six_calls = "W1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n";

std::string small_log() {
    std::string log = "Test spots\r\n";
    const char* calls[] = {"W1AW", "K1JT", "N0CALL", "G4ABC", "VK2XYZ", "OH2BH", "JA1NRH", "DL1ABC"};
    for (int i = 0; i < 40; i++)
        log += std::string(calls[i % 8]) + ",aux," + (i / 2 < 10 ? "0" : "") + std::to_string(i / 2) + ":" +
               std::to_string(10 + i) + ":00," + std::to_string(i % 25 - 20) + "," + std::to_string(-10 - i) + "\r\n";
    return log;
}

class MonitorWindowTest : public GuiTest {
protected:
    MonitorWindowTest() : GuiTest(SKERROW_EXE) {}
    void SetUp() override {
        GuiTest::SetUp();
        fs::path built = fs::path(SKERROW_EXE).parent_path();
        for (const char* f : {"skerrow-cmd", "SkerrowHelp.htm"}) fs::copy_file(built / f, fs::path(folder.path) / f);
    }
    void files(const std::string& meter, const std::string& log_name, const std::string& log) {
        run_folder_write(folder, "Skerrow020.SET", log_name + "\r\n" + meter + "\r\n" + six_calls);
        if (!log.empty()) run_folder_write(folder, log_name, log);
    }
    void start(const std::vector<std::string>& environment = {}) {
        program = program_start(server, folder.exe, folder.path, {}, environment);
        window = window_wait(server.display, program.pid, "Orvane Skerrow", 15000);
        ASSERT_NE(window, 0u) << program_stderr(program);
        window_focus(server.display, window);
    }
    std::vector<uint32_t> snapshot() {
        std::string out = folder.path + "/snap.png";
        return snapshot_picture(std::string("'") + SNAPSHOT_EXE + "' -C '" + folder.path + "' '" + out + "' 2>/dev/null", out);
    }
    std::vector<uint32_t> screen() { return monitor_screen(server.display, window); }
    bool shows(const std::vector<uint32_t>& expected, int timeout_ms) {
        return !expected.empty() && wait_until([&] { return screen() == expected; }, timeout_ms);
    }
    Window window = 0;
};

TEST_F(MonitorWindowTest, TheWindowShowsWhatTheSnapshotShows) {
    files("Y", "spots.log", small_log());
    start();
    EXPECT_TRUE(shows(snapshot(), 15000)) << program_stderr(program);
}

TEST_F(MonitorWindowTest, ControlBytesShowAsGlyphsAndTheTitleShowsThemAsQuestionMarks) {
    files("Y", "spots\x07\x1f.log", "header\r\nK\f1\vJT,a,01:00:00,-5,-20\r\n\"AB\nCD\",a,02:00:00,-8,-20\r\n");
    start();
    EXPECT_TRUE(shows(snapshot(), 15000)) << program_stderr(program);
    const std::string title = "Orvane Skerrow V0.20 18/03/18    spots??.log";
    EXPECT_TRUE(wait_until([&] { return window_title(server.display, window) == title; }, 10000))
        << window_title(server.display, window);
}

TEST_F(MonitorWindowTest, AnEditedSetupAndAGrowingLogShowAtTheNextRefresh) {
    files("Y", "spots.log", small_log());
    start();
    ASSERT_TRUE(shows(snapshot(), 15000));
    files("N", "spots.log", small_log() + "W1AW,aux,23:00:00,10,-20\r\nZL1ABC,aux,23:30:00,-25,-20\r\n");
    EXPECT_TRUE(shows(snapshot(), 40000)) << "a refresh comes every hundred cycles";
}

TEST_F(MonitorWindowTest, EscAsksForAKeyAndTheKeyEndsTheProgram) {
    files("Y", "spots.log", small_log());
    start();
    ASSERT_TRUE(shows(snapshot(), 15000));
    key_tap(server.display, XK_Escape);
    // Row 30: the background with the prompt in black.
    const size_t glyph_bits = font_ink_pixels("Press any key to continue");
    ASSERT_TRUE(wait_until(
        [&] {
            std::vector<uint32_t> s = screen();
            if (s.empty()) return false;
            size_t black = 0, other = 0;
            for (int y = 464; y < 480; y++)
                for (int x = 0; x < 640; x++) {
                    uint32_t p = s[size_t(y) * 640 + size_t(x)];
                    if (p == 0) black++;
                    else if (p != 0xFFFBCF) other++;
                }
            return black == glyph_bits && other == 0;
        },
        10000))
        << "no prompt on row 30";
    key_tap(server.display, XK_a);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, 0);
}

TEST_F(MonitorWindowTest, AMissingLogIsReportedAndTheMonitorRunsOn) {
    files("Y", "missing.log", "");
    start();
    const std::string report = "Unhandled Error #53: Line:282 File not found Continue?";
    ASSERT_TRUE(wait_until([&] { return program_stderr(program).find(report) != std::string::npos; }, 15000));
    Window box = window_wait(server.display, program.pid, "Unhandled Error #53", 10000);
    ASSERT_NE(box, 0u);
    window_focus(server.display, box);
    key_tap(server.display, XK_y);
    // The frame stays up and the next refresh tries again: one report per refresh.
    auto reports = [&] { return count(program_stderr(program), report); };
    ASSERT_TRUE(wait_until([&] { return reports() == 2; }, 40000)) << program_stderr(program);
    EXPECT_FALSE(program_poll(program));
    EXPECT_EQ(program_stderr(program).find("Line:283"), std::string::npos) << "nothing read from the unopened file";
}

TEST_F(MonitorWindowTest, AMenuClickDuringALongRefreshIsNotLost) {
    std::string log = "Many spots\r\n";
    for (int i = 0; i < 30000; i++)
        log += "K" + std::to_string(i % 500) + "XX,aux," + (i % 24 < 10 ? "0" : "") + std::to_string(i % 24) + ":30:00,-10,-30\r\n";
    files("Y", "spots.log", log);
    run_folder_write(folder, "editor", "#!/bin/sh\necho \"$@\" >> '" + folder.path + "/edited.log'\n");
    fs::permissions(folder.path + "/editor", fs::perms::owner_all);
    start({"SKERROW_EDITOR=" + folder.path + "/editor"});
    // The title names the log once the refresh has begun its log pass.
    ASSERT_TRUE(wait_until([&] { return window_title(server.display, window).find("spots.log") != std::string::npos; }, 20000));
    ASSERT_TRUE(wait_until([&] { int w, h; return window_size(server.display, window, w, h) && h == 480 + bar; }, 10000));
    pointer_click(server.display, window, 20, 10);
    EXPECT_TRUE(wait_until([&] { return fs::exists(folder.path + "/edited.log"); }, 90000)) << "the click was lost";
}

}  // namespace

// Xlib's own handler ended the process through exit(), whose clean-up ran
// under the program thread (it crashed in the menu's records about one time in
// three); our handler ends it at once, saying so.
TEST_F(MonitorWindowTest, AnXServerThatGoesAwayEndsTheMonitorWithOne) {
    files("Y", "spots.log", small_log());
    for (int i = 0; i < 2; i++) {
        if (i > 0) {
            ASSERT_TRUE(xserver_start(server));
        }
        start();
        if (i % 2) {
            ASSERT_TRUE(shows(snapshot(), 15000)) << program_stderr(program);
        }
        xserver_stop(server);
        ASSERT_TRUE(program_wait_exit(program, 10000));
        EXPECT_EQ(program.exit_code, 1) << program_stderr(program);
        EXPECT_NE(program_stderr(program).find("skerrow: the X display"), std::string::npos) << program_stderr(program);
    }
}
