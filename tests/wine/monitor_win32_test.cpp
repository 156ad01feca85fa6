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
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/golden.h"
#include "tests/support/gui_harness.h"

namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

const std::string six_calls = "W1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n";

// A setup file, its log (name and text) and the golden picture they make, if any.
struct Scene {
    const char* name;
    std::string setup, log_name, log, golden;
};

std::vector<Scene> scenes() {
    std::string others = "header\r\n";
    const char* calls[] = {"K1ABC", "K1AB", "OH2XYZZY", "ZS6ABCDE", "LU1ABCDE", "PY2ABCDE", "VE3ABCDE", "EA8ABCDE",
                           "UA9ABCDE", "LATECALL"};
    int minute = 0;
    for (const char* c : calls) {
        others += std::string(c) + ",aux,20:" + (minute < 10 ? "0" : "") + std::to_string(minute) + ":00,-7,-40\r\n";
        minute += 5;
    }
    others += "VERYLONGCALLSIGN/PORTABLE,aux,23:59:59,-10,-40\r\n";
    return {
        {"colours", "spots.log\r\nY\r\n" + six_calls, "spots.log",
         "header\r\nW1AW,FN31,01:00:00,-10,-50\r\nK1JT,FN20,03:00:00,-5,-20\r\nG4ABC,IO91,05:00:00,0,-64\r\n"
         "VK2XYZ,QF56,07:30:00,5,0\r\nJA1NRH,PM95,10:00:00,10,-30\r\nDL1ABC,JO62,12:00:00,-20,-63.9\r\n"
         "N0CALL,EM12,14:00:00,-15,-40\r\n",
         "monitor/colours"},
        {"edges", "spots.log\r\ny\r\nW1AW\r\nK1JT\r\nW1AW\r\n\r\nJA1NRH\r\nDL1ABC\r\n", "spots.log",
         "Spots,of,a,test\r\n-5,-40\r\nW1AW,FN31,02:00:00,19,-35\r\nW1AW,FN31,04:00:00,-33,-30\r\n"
         "W1AW,FN31,06:00:00,19.5,-30\r\nW1AW,FN31,08:00:00,-33.5,-30\r\n"
         "\"DL1ABC\",\"JO62, near Berlin\",\"16:00:00\",-8,-40\r\n,empty call,18:00:00,-12,-40\r\n"
         "K1JT,FN20,7:35:00,-3,-40\r\n",
         "monitor/edges"},
        {"others", "spots.log\r\nY\r\n" + six_calls, "spots.log", others, "monitor/others"},
        {"control bytes", "spots.log\r\nN\r\n" + six_calls, "spots.log",
         "header\r\nK\f1\vJT,a,01:00:00,-5,-20\r\n\"AB\nCD\",a,02:00:00,-8,-20\r\n", ""},
    };
}

struct ClientArea {
    int x = -1, y = -1, width = 0, height = 0, menu = 0, bar = 0;
};

// A capture may ask for a part of the screen that a moving window has just left.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

class MonitorWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        loader = environment("SKERROW_WINE_LOADER");
        build = environment("SKERROW_WIN_BUILD");
        linux_snapshot = environment("SKERROW_LINUX_SNAPSHOT");
        ASSERT_FALSE(loader.empty() || build.empty() || linux_snapshot.empty())
            << "SKERROW_WINE_LOADER, SKERROW_WIN_BUILD and SKERROW_LINUX_SNAPSHOT name the programs";
        server.display_name = environment("DISPLAY");
        server.display = XOpenDisplay(server.display_name.c_str());
        ASSERT_NE(server.display, nullptr) << "no X server at DISPLAY=" << server.display_name;
        XSetErrorHandler(ignore_x_error);
        folder = run_folder_create(build + "/skerrow.exe");
        fs::copy_file(build + "/SkerrowHelp.htm", folder.path + "/SkerrowHelp.htm");
    }
    void TearDown() override {
        program_kill(program);  // with what it started: Wine forks its children
        run_folder_remove(folder);
        xserver_stop(server);  // closes the connection; the server is the run's
    }
    void files(const Scene& s) {
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
        Program p = program_start(server, loader, folder.path, all);
        bool ended = program_wait_exit(p, 60000);
        std::string text = program_stderr(p);
        program_kill(p);
        return ended && p.exit_code == 0 ? text : "";
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
    std::vector<uint32_t> screen(const ClientArea& c) {
        std::vector<uint32_t> pixels;
        Display* d = server.display;
        XImage* image = XGetImage(d, DefaultRootWindow(d), c.x, c.y, 640, 480, AllPlanes, ZPixmap);
        if (image == nullptr) return pixels;
        pixels.resize(640 * 480);
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) pixels[size_t(y) * 640 + size_t(x)] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
        XDestroyImage(image);
        return pixels;
    }
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
    // The PNG a snapshot wrote, 0x00RRGGBB; empty when there is none.
    static std::vector<uint32_t> picture(const std::string& path) {
        std::vector<uint32_t> rgb;
        int32_t w = 0, h = 0;
        if (!png_read_rgb(path, rgb, w, h) || w != 640 || h != 480) rgb.clear();
        for (uint32_t& p : rgb) p &= 0xFFFFFF;
        fs::remove(path);
        return rgb;
    }
    std::vector<uint32_t> windows_snapshot() {
        std::string out = folder.path + "/windows.png";
        run({"-C", "Z:" + folder.path, "Z:" + out}, build + "/skerrow-snapshot.exe");
        return picture(out);
    }
    std::vector<uint32_t> linux_snapshot_of_folder() {
        std::string out = folder.path + "/linux.png";
        std::string command = "'" + linux_snapshot + "' -C '" + folder.path + "' '" + out + "' 2> /dev/null";
        return std::system(command.c_str()) == 0 ? picture(out) : std::vector<uint32_t>();
    }
    // A top-level window whose title holds `part`, of any process, and that process.
    Window window_titled(const std::string& part, long& pid) {
        Display* d = server.display;
        XSync(d, False);
        Window root, parent, *children = nullptr, found = 0;
        unsigned int n = 0;
        if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return 0;
        for (unsigned int i = 0; i < n && found == 0; i++) {
            XWindowAttributes a;
            if (window_title(d, children[i]).find(part) != std::string::npos && XGetWindowAttributes(d, children[i], &a) &&
                a.map_state == IsViewable)
                found = children[i];
        }
        if (children) XFree(children);
        pid = -1;
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (found != 0 &&
            XGetWindowProperty(d, found, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr && count == 1)
            pid = *reinterpret_cast<long*>(data);
        if (data) XFree(data);
        return found;
    }
    void pointer_button(int x, int y, bool down) {
        XTestFakeMotionEvent(server.display, -1, x, y, 0);
        XTestFakeButtonEvent(server.display, 1, down, 0);
        XSync(server.display, False);
    }
    void ends_with_zero() {
        ASSERT_TRUE(program_wait_exit(program, 20000)) << program_stderr(program);
        EXPECT_EQ(program.exit_code, 0) << program_stderr(program);
    }

    std::string loader, build, linux_snapshot;
    XServer server;
    RunFolder folder;
    Program program;
    Window window = 0;
};

TEST_F(MonitorWin32Test, TheWindowShowsTheSnapshotOfWindowsAndOfLinuxPixelForPixel) {
    for (const Scene& s : scenes()) {
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
    files(scenes()[0]);
    std::vector<uint32_t> expected = linux_snapshot_of_folder();
    start({"SKERROW_TEXTURE_REFUSAL=1"});
    ClientArea c = client_with_menu();
    EXPECT_EQ(shows(c, expected), "") << program_stderr(program);
    EXPECT_NE(program_stderr(program).find("refused (SKERROW_TEXTURE_REFUSAL), padded to 1024 x 512"),
              std::string::npos)
        << program_stderr(program);
}

TEST_F(MonitorWin32Test, EditSetupFileOpensNotepadOnTheSetupFileAndTheCloseButtonEndsWithZero) {
    files(scenes()[0]);
    start();
    ClientArea c = client_with_menu();
    ASSERT_EQ(c.menu, 1);
    // Held on "Edit setup file", the first item, until the editor is there: the
    // monitor sees the item highlighted at its next poll.
    long notepad_pid = -1;
    Window notepad = 0;
    pointer_button(c.x + 20, c.y - c.bar / 2, true);
    bool opened = wait_until([&] { return (notepad = window_titled("Notepad", notepad_pid)) != 0; }, 30000);
    pointer_button(c.x + 20, c.y - c.bar / 2, false);
    ASSERT_TRUE(opened) << program_stderr(program);
    // The editor's window is "Untitled" until the file is loaded.
    wait_until([&] { return window_title(server.display, notepad).find("Skerrow020") != std::string::npos; }, 10000);
    EXPECT_NE(window_title(server.display, notepad).find("Skerrow020"), std::string::npos)
        << window_title(server.display, notepad);
    window_close_request(server.display, notepad);
    if (!wait_until([&] { return window_titled("Notepad", notepad_pid) == 0; }, 10000) && notepad_pid > 0)
        kill(pid_t(notepad_pid), SIGKILL);
    // The close button in the frame Wine draws: the top right corner of the caption.
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(server.display, window, &a));
    int caption = c.y - c.bar - a.y;
    pointer_button(a.x + a.width - caption / 2 - 2, a.y + caption / 2, true);
    pointer_button(a.x + a.width - caption / 2 - 2, a.y + caption / 2, false);
    ends_with_zero();
}

TEST_F(MonitorWin32Test, EscAsksForAKeyAndTheKeyEndsTheProgramWithZero) {
    files(scenes()[0]);
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
