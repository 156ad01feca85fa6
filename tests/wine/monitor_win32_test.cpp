// The Windows build of the monitor under Wine in Xvfb: the window's client
// area shows what skerrow-snapshot.exe writes and what the Linux
// skerrow-snapshot writes, pixel for pixel, for several setups and logs (one
// through the padded texture a refusing driver forces); the real menu bar is
// attached and "Edit setup file" opens Wine's notepad on the setup file; Esc
// and a key end the program with 0, so does the close button; a missing log
// is reported in a message box that a key answers.
//
// Wine runs without a window manager and draws the frames itself: the client
// area's place comes from Windows (window_query_win32.exe), and the captures
// read that part of the screen. The X server and the Wine prefix are those of
// the whole run (scripts/test-windows.sh).
#include <gtest/gtest.h>
// After GoogleTest: X11 defines None and Bool as macros.
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/gui_fixture.h"
#include "tests/support/monitor_picture.h"
#include "tests/support/monitor_scenes.h"

namespace {

namespace fs = std::filesystem;

struct ClientArea {
    int x = -1, y = -1, width = 0, height = 0, menu = 0, bar = 0;
};

class MonitorWin32Test : public WineTest {
protected:
    void SetUp() override {
        WineTest::SetUp();
        if (HasFatalFailure()) return;
        loader = environment_value("SKERROW_WINE_LOADER");
        build = environment_value("SKERROW_WIN_BUILD");
        linux_snapshot = environment_value("SKERROW_LINUX_SNAPSHOT");
        ASSERT_FALSE(loader.empty() || build.empty() || linux_snapshot.empty())
            << "SKERROW_WINE_LOADER, SKERROW_WIN_BUILD and SKERROW_LINUX_SNAPSHOT name the programs";
        folder = run_folder_create(build + "/skerrow.exe");
        fs::copy_file(build + "/SkerrowHelp.htm", folder.path + "/SkerrowHelp.htm");
    }
    void files(const MonitorScene& s) {
        run_folder_write(folder, "Skerrow020.SET", s.setup);
        if (!s.log.empty()) run_folder_write(folder, s.log_name, s.log);
    }
    void start(const std::vector<std::string>& environment = {}) {
        program = program_start(server, loader, folder.path, {folder.exe}, environment);
        window = window_wait(server.display, program.pid, "Orvane Skerrow", 30000);
        ASSERT_NE(window, 0u) << program_stderr(program);
    }
    // A helper program of the cross build run to its end; its standard error.
    std::string run(const std::vector<std::string>& args, const std::string& exe) {
        std::vector<std::string> all{exe};
        all.insert(all.end(), args.begin(), args.end());
        std::string text;
        return program_run(server, loader, folder.path, all, &text) == 0 ? text : "";
    }
    ClientArea client() {
        ClientArea c;
        std::string text = run({"client"}, build + "/tests/window_query_win32.exe");
        std::sscanf(text.c_str(), "client %d %d %d %d menu %d bar %d", &c.x, &c.y, &c.width, &c.height, &c.menu, &c.bar);
        return c;
    }
    // Waits for the menu bar, which the monitor attaches a second after its
    // title, and for the client area of the monitor's 640 x 480 screen.
    ClientArea client_with_menu() {
        ClientArea c;
        wait_until([&] { return (c = client()).menu == 1 && c.width == 640 && c.height == 480; }, 30000);
        return c;
    }
    // The client area's pixels as 0x00RRGGBB, read from the screen.
    std::vector<uint32_t> screen(const ClientArea& c) { return screen_capture(server.display, c.x, c.y, 640, 480); }
    // "" once the client area shows `expected`; else how the last capture differs.
    std::string shows(const ClientArea& c, const std::vector<uint32_t>& expected, int timeout_ms = 20000) {
        if (expected.empty()) return "no picture to compare with";
        std::vector<uint32_t> got;
        if (wait_until([&] { return (got = screen(c)) == expected; }, timeout_ms)) return "";
        if (got.size() != expected.size()) return "no capture";
        size_t first = 0, n = 0;
        for (size_t i = 0; i < got.size(); i++)
            if (got[i] != expected[i] && n++ == 0) first = i;
        char text[160];
        std::snprintf(text, sizeof text, "%zu of 307200 pixels differ, the first at (%zu, %zu): %06X for %06X", n,
                      first % 640, first / 640, got[first], expected[first]);
        return text;
    }
    std::vector<uint32_t> windows_snapshot() {
        std::string out = folder.path + "/windows.png";
        run({"-C", "Z:" + folder.path, "Z:" + out}, build + "/skerrow-snapshot.exe");
        return snapshot_taken(out);
    }
    std::vector<uint32_t> linux_snapshot_of_folder() {
        std::string out = folder.path + "/linux.png";
        return snapshot_picture("'" + linux_snapshot + "' -C '" + folder.path + "' '" + out + "' 2> /dev/null", out);
    }
    void ends_with_zero() {
        ASSERT_TRUE(program_wait_exit(program, 20000)) << program_stderr(program);
        EXPECT_EQ(program.exit_code, 0) << program_stderr(program);
    }

    std::string loader, build, linux_snapshot;
    Window window = 0;
};

TEST_F(MonitorWin32Test, TheWindowShowsTheSnapshotOfWindowsAndOfLinuxPixelForPixel) {
    for (const MonitorScene& s : monitor_scenes()) {
        SCOPED_TRACE(s.name);
        files(s);
        std::vector<uint32_t> linux_picture = linux_snapshot_of_folder(), windows_picture = windows_snapshot();
        ASSERT_FALSE(linux_picture.empty());
        EXPECT_TRUE(windows_picture == linux_picture) << "skerrow-snapshot.exe differs from skerrow-snapshot";
        if (!s.golden.empty()) {
            std::vector<uint32_t> opaque = linux_picture;
            for (uint32_t& p : opaque) p |= 0xFF000000u;
            EXPECT_EQ(golden_compare(s.golden, opaque, 640, 480), "");
        }
        start();
        ClientArea c = client_with_menu();
        ASSERT_EQ(c.menu, 1) << "no menu bar";
        EXPECT_EQ(c.width, 640);
        EXPECT_EQ(c.height, 480);
        EXPECT_EQ(shows(c, linux_picture), "") << program_stderr(program);
        window_close_request(server.display, window);
        ends_with_zero();
        program_kill(program);
    }
}

TEST_F(MonitorWin32Test, ARefusedTextureGoesPaddedAndTheWindowShowsTheSamePixels) {
    files(monitor_scene("colours"));
    std::vector<uint32_t> expected = linux_snapshot_of_folder();
    start({"SKERROW_TEXTURE_REFUSAL=1"});
    ClientArea c = client_with_menu();
    EXPECT_EQ(shows(c, expected), "") << program_stderr(program);
    EXPECT_NE(program_stderr(program).find("refused (SKERROW_TEXTURE_REFUSAL), padded to 1024 x 512"),
              std::string::npos)
        << program_stderr(program);
}

TEST_F(MonitorWin32Test, EditSetupFileOpensNotepadOnTheSetupFileAndTheCloseButtonEndsWithZero) {
    files(monitor_scene("colours"));
    start();
    ClientArea c = client_with_menu();
    ASSERT_EQ(c.menu, 1);
    // Held on "Edit setup file", the first item, until the editor is there: the
    // monitor sees the item highlighted at its next poll.
    long notepad_pid = -1;
    Window notepad = 0;
    pointer_button(server.display, c.x + 20, c.y - c.bar / 2, true);
    bool opened = wait_until([&] { return (notepad = window_titled(server.display, "Notepad", &notepad_pid)) != 0; }, 30000);
    pointer_button(server.display, c.x + 20, c.y - c.bar / 2, false);
    ASSERT_TRUE(opened) << program_stderr(program);
    // The editor's window is "Untitled" until the file is loaded.
    wait_until([&] { return window_title(server.display, notepad).find("Skerrow020") != std::string::npos; }, 10000);
    EXPECT_NE(window_title(server.display, notepad).find("Skerrow020"), std::string::npos)
        << window_title(server.display, notepad);
    window_close_request(server.display, notepad);
    if (!wait_until([&] { return window_titled(server.display, "Notepad", &notepad_pid) == 0; }, 10000) && notepad_pid > 0)
        kill(pid_t(notepad_pid), SIGKILL);
    // The close button in the frame Wine draws: the top right corner of the caption.
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(server.display, window, &a));
    int caption = c.y - c.bar - a.y;
    pointer_button(server.display, a.x + a.width - caption / 2 - 2, a.y + caption / 2, true);
    pointer_button(server.display, a.x + a.width - caption / 2 - 2, a.y + caption / 2, false);
    ends_with_zero();
}

TEST_F(MonitorWin32Test, EscAsksForAKeyAndTheKeyEndsTheProgramWithZero) {
    files(monitor_scene("colours"));
    std::vector<uint32_t> expected = linux_snapshot_of_folder();
    start();
    ClientArea c = client_with_menu();
    ASSERT_EQ(shows(c, expected), "") << program_stderr(program);
    window_focus(server.display, window);
    key_tap(server.display, XK_Escape);
    // Row 30: the background with the prompt in black.
    const size_t glyph_bits = font_ink_pixels("Press any key to continue");
    ASSERT_TRUE(wait_until(
        [&] {
            std::vector<uint32_t> s = screen(c);
            if (s.empty()) return false;
            size_t black = 0, other = 0;
            for (size_t i = 464 * 640; i < s.size(); i++) {
                if (s[i] == 0) black++;
                else if (s[i] != 0xFFFBCF) other++;
            }
            return black == glyph_bits && other == 0;
        },
        20000))
        << "no prompt on row 30";
    key_tap(server.display, XK_a);
    ends_with_zero();
}

TEST_F(MonitorWin32Test, AMissingLogIsReportedAtItsStatementInABoxThatAKeyAnswers) {
    files({"missing", "missing.log\r\nY\r\n" + six_calls, "", "", ""});
    start();
    Window box = window_wait(server.display, program.pid, "Unhandled Error #53", 30000);
    ASSERT_NE(box, 0u) << program_stderr(program);
    EXPECT_EQ(run({"box", "Unhandled Error #53"}, build + "/tests/window_query_win32.exe"),
              "box Line:282|File not found|Continue?\r\n");
    window_focus(server.display, box);
    key_tap(server.display, XK_n);  // No: the program ends
    ends_with_zero();
}

}  // namespace
