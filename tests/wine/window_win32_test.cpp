// The Win32 window backend under Wine, through its probe: the picture on the
// screen pixel for pixel (with and without the menu bar, in and out of full
// screen), the keys with their codes, the lock toggles, the mouse, the timer
// and the close button. Wine runs without a window manager and draws the frame itself, so
// the probe reports where its client area lies and the captures read that
// part of the screen. The X server is the one of the whole run
// (scripts/test-windows.sh): Wine's desktop process, shared by every Wine
// program of the run, stays bound to the display it started on.
#include <gtest/gtest.h>
// After GoogleTest: X11 defines None and Bool as macros.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <string>

#include "tests/host/window_probe_pattern.h"
#include "tests/support/gui_fixture.h"

namespace {

const char* const probe_title = "Skerrow window probe";

struct ClientArea {
    int x = -1, y = -1, width = 0, height = 0;
};

class WindowWin32Test : public WineTest {
protected:
    void SetUp() override {
        WineTest::SetUp();
        if (HasFatalFailure()) return;
        std::string probe = environment_value("SKERROW_PROBE");
        ASSERT_FALSE(probe.empty()) << "SKERROW_PROBE names the probe";
        folder = run_folder_create(probe);
        program = program_start(server, environment_value("SKERROW_WINE_LOADER"), folder.path, {folder.exe});
        window = window_wait(server.display, program.pid, probe_title, 30000);
        ASSERT_NE(window, 0u) << program_stderr(program);
        ASSERT_TRUE(reported("gl 1 bgra 1")) << program_stderr(program);
        window_focus(server.display, window);
    }
    // The probe's standard error so far, one \n before each line (Windows ends them with \r\n).
    std::string lines() {
        std::string text = "\n";
        for (char c : program_stderr(program))
            if (c != '\r') text += c;
        return text;
    }
    // Waits for this exact line on the probe's standard error.
    bool reported(const std::string& line, int timeout_ms = 10000) {
        return wait_until([&] { return lines().find("\n" + line + "\n") != std::string::npos; }, timeout_ms);
    }
    // The client area the probe reported last.
    ClientArea client() {
        std::string text = lines();
        size_t at = text.rfind("\nclient ");
        ClientArea c;
        if (at != std::string::npos) std::sscanf(text.c_str() + at, "\nclient %d %d %d %d", &c.x, &c.y, &c.width, &c.height);
        return c;
    }
    // Waits until the client area has this size and shows the probe picture at its top-left corner.
    bool picture_shown(int width, int height) {
        return wait_until(
            [&] {
                ClientArea c = client();
                return c.width == width && c.height == height && picture_at(c.x, c.y);
            },
            10000);
    }
    bool picture_at(int x, int y) {
        std::vector<uint32_t> shown = screen_capture(server.display, x, y, probe_picture_width, probe_picture_height);
        if (shown.empty()) return false;
        int different = 0;
        for (int py = 0; py < probe_picture_height; py++)
            for (int px = 0; px < probe_picture_width; px++)
                different += shown[size_t(py) * probe_picture_width + size_t(px)] != probe_picture_pixel(px, py);
        return different == 0;
    }
    // The lock toggles the probe reported last, or -2.
    int locks() {
        std::string text = lines();
        size_t at = text.rfind("\nlocks ");
        int value = -2;
        if (at != std::string::npos) std::sscanf(text.c_str() + at, "\nlocks %d", &value);
        return value;
    }
    void tap(unsigned long keysym, const std::vector<unsigned long>& modifiers = {}) {
        key_tap(server.display, keysym, modifiers);
    }
    void end_with_q() {
        tap(XK_q);
        ASSERT_TRUE(program_wait_exit(program, 10000)) << program_stderr(program);
        EXPECT_EQ(program.exit_code, 0);
        EXPECT_TRUE(reported("left", 0));
    }

    Window window = 0;
};

TEST_F(WindowWin32Test, ShowsThePicturePixelForPixelWithTheMenuBarAndInFullScreen) {
    ASSERT_TRUE(picture_shown(640, 480)) << program_stderr(program);
    int bare_y = client().y, outer_w = 0, bare_h = 0, menu_h = 0;
    window_size(server.display, window, outer_w, bare_h);
    // A real menu bar, attached from another thread: the client area stays 640 x 480 below it.
    tap(XK_m);
    ASSERT_TRUE(reported("menu 1"));
    ASSERT_TRUE(wait_until([&] { return client().y > bare_y; }, 10000)) << program_stderr(program);
    ASSERT_TRUE(picture_shown(640, 480)) << program_stderr(program);
    int menu_y = client().y;
    window_size(server.display, window, outer_w, menu_h);
    EXPECT_EQ(menu_h - bare_h, menu_y - bare_y);
    // Full screen: the whole screen, no frame, no menu; leaving restores both.
    tap(XK_f);
    Display* d = server.display;
    ASSERT_TRUE(picture_shown(DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d))))
        << program_stderr(program);
    EXPECT_EQ(client().x, 0);
    EXPECT_EQ(client().y, 0);
    tap(XK_w);
    ASSERT_TRUE(picture_shown(640, 480)) << program_stderr(program);
    EXPECT_EQ(client().y, menu_y);
    end_with_q();
}

TEST_F(WindowWin32Test, KeysArriveWithFreeglutsCodesAndPauseAndBreakAsKeyCodes) {
    EXPECT_TRUE(reported("timer 3"));
    tap(XK_Escape);
    EXPECT_TRUE(reported("keyboard 27 0"));
    EXPECT_TRUE(reported("keyboard-up 27 0"));
    tap(XK_a, {XK_Shift_L});
    EXPECT_TRUE(reported("special 112 1"));
    EXPECT_TRUE(reported("keyboard 65 1"));
    EXPECT_TRUE(reported("keyboard-up 65 1"));
    EXPECT_TRUE(reported("special-up 112 0"));
    tap(XK_a, {XK_Control_R});
    EXPECT_TRUE(reported("special 115 2"));
    EXPECT_TRUE(reported("keyboard 1 2"));
    tap(XK_Delete);
    EXPECT_TRUE(reported("keyboard 127 0"));
    EXPECT_TRUE(reported("keyboard-up 127 0"));
    tap(XK_F1);
    EXPECT_TRUE(reported("special 1 0"));
    EXPECT_TRUE(reported("special-up 1 0"));
    tap(XK_F12);
    EXPECT_TRUE(reported("special 12 0"));
    tap(XK_Left);
    EXPECT_TRUE(reported("special 100 0"));
    tap(XK_Pause);
    EXPECT_TRUE(reported("break 100019 1"));
    EXPECT_TRUE(reported("break 100019 0"));
    tap(XK_Pause, {XK_Control_L});
    EXPECT_TRUE(reported("break 100318 1")) << program_stderr(program);
    end_with_q();
}

TEST_F(WindowWin32Test, CapsLockPressesTurnItsLockBitOverAndBack) {
    ASSERT_TRUE(wait_until([&] { return locks() >= 0; }, 10000)) << program_stderr(program);
    int before = locks();
    tap(XK_Caps_Lock);
    EXPECT_TRUE(wait_until([&] { return locks() == (before ^ 1); }, 10000)) << program_stderr(program);
    tap(XK_Caps_Lock);
    EXPECT_TRUE(wait_until([&] { return locks() == before; }, 10000)) << program_stderr(program);
    end_with_q();
}

TEST_F(WindowWin32Test, MouseButtonsAndTheCloseButtonAsACloseRequest) {
    ASSERT_TRUE(picture_shown(640, 480)) << program_stderr(program);
    ClientArea c = client();
    pointer_click(server.display, DefaultRootWindow(server.display), c.x + 10, c.y + 20);
    EXPECT_TRUE(reported("mouse 0 0 10 20"));
    EXPECT_TRUE(reported("mouse 0 1 10 20"));
    window_close_request(server.display, window);
    ASSERT_TRUE(reported("close")) << program_stderr(program);
    // The window stays, and so does the program, until it chooses to end.
    EXPECT_FALSE(program_poll(program));
    XSync(server.display, False);
    EXPECT_EQ(window_of_pid(server.display, program.pid, probe_title), window);
    end_with_q();
}

}  // namespace
