// The display loop and the keyboard, for real: the probe program under Xvfb,
// its window captured, keys injected through XTest.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include "graphics/image_surface.h"
#include "graphics/png_writer.h"
#include "graphics/text_print.h"
#include "tests/host/probe_picture.h"
#include "tests/support/gui_fixture.h"
#include "tests/support/text_count.h"

namespace {

class DisplayTest : public GuiTest {
protected:
    DisplayTest() : GuiTest(PROBE_EXE) {}
    // Starts the probe with a scenario and waits for its window and its picture.
    void start(const char* scenario, int ready_timeout_ms = 10000, const std::vector<std::string>& environment = {}) {
        program = program_start(server, folder.exe, folder.path, {scenario}, environment);
        window = window_wait(server.display, program.pid, "Skerrow probe", 15000);
        ASSERT_NE(window, 0u) << program_stderr(program);
        ASSERT_TRUE(said("probe: ready", ready_timeout_ms)) << program_stderr(program);
        window_focus(server.display, window);
    }
    int count(const std::string& text) { return int(::count(program_stderr(program), text)); }
    // Waits until the window shows `expected`; otherwise leaves both pictures
    // in the current folder for a look.
    bool shows(const std::vector<uint32_t>& expected, int timeout_ms = 5000) {
        std::vector<uint32_t> seen;
        int w = 0, h = 0;
        bool same = wait_until(
            [&] {
                seen = window_capture(server.display, window, w, h);
                return seen == expected && w == 640 && h == 480;
            },
            timeout_ms);
        if (!same) {
            std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            if (seen.size() == size_t(w) * size_t(h) && w > 0) png_write_rgb((name + ".seen.png").c_str(), seen.data(), w, h);
            png_write_rgb((name + ".expected.png").c_str(), expected.data(), 640, 480);
            ADD_FAILURE() << "window " << w << " x " << h << ", " << seen.size() << " pixels captured";
        }
        return same;
    }
    bool sized(int width, int height) { return GuiTest::sized(window, width, height); }
    int last_tick() {
        std::smatch m;
        std::string all = program_stderr(program);
        int tick = -1;
        static const std::regex pattern("probe: tick (\\d+)");
        for (auto it = std::sregex_iterator(all.begin(), all.end(), pattern); it != std::sregex_iterator(); ++it)
            tick = std::stoi((*it)[1]);
        return tick;
    }
    void go() { run_folder_write(folder, "go", ""); }
    // Types a key the probe reports and waits for the report: the keyboard
    // path is up before a test's own keys.
    void warm_up() {
        key_tap(server.display, XK_z);
        ASSERT_TRUE(said("probe: key 122")) << program_stderr(program);
    }
    // The probe's screen drawn here, as the window must show it (0x00RRGGBB).
    static std::vector<uint32_t> expected_picture(void (*extra)() = nullptr) {
        screen_mode_set(2, 0, 0, 0, 0, screen_mode_passed);  // through another mode: a fresh screen
        screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
        screen_clear(0, 0, 0);
        probe_picture();
        if (extra) extra();
        std::vector<uint32_t> rgb(640 * 480);
        image_expand_rgb(image_destination(), rgb.data());
        for (uint32_t& p : rgb) p &= 0xFFFFFF;
        return rgb;
    }
    Window window = 0;
};

// ---- Frames ------------------------------------------------------------------------

TEST_F(DisplayTest, WindowShowsTheScreenPixelForPixel) {
    start("display");
    EXPECT_TRUE(shows(expected_picture())) << "the window differs from the screen image";
}

// A driver may refuse a texture of 640 x 480; the test switch refuses it here.
TEST_F(DisplayTest, ARefusedTextureGoesPaddedAndShowsTheSamePixels) {
    start("display", 10000, {"SKERROW_TEXTURE_REFUSAL=1"});
    EXPECT_TRUE(said("refused (SKERROW_TEXTURE_REFUSAL), padded to 1024 x 512")) << program_stderr(program);
    EXPECT_TRUE(shows(expected_picture()));
}

TEST_F(DisplayTest, PaletteOnlyChangeShowsAtTheNextFrame) {
    start("display");
    ASSERT_TRUE(shows(expected_picture()));
    key_tap(server.display, XK_p);
    ASSERT_TRUE(said("probe: palette"));
    EXPECT_TRUE(shows(expected_picture([] { image_destination()->palette[1] = 0xFF0000; })));
}

TEST_F(DisplayTest, UnchangedScreenIsUploadedOnceAndNotRedrawn) {
    start("display");
    ASSERT_TRUE(shows(expected_picture()));
    static const std::regex counters("passes=(\\d+) builds=(\\d+) uploads=(\\d+) swaps=(\\d+)");
    auto read_counters = [&](long long out[4]) {
        int before = count("probe: counters");
        key_tap(server.display, XK_c);
        if (!wait_until([&] { return count("probe: counters") > before; }, 5000)) return false;
        std::string all = program_stderr(program);
        std::smatch m;
        std::string last = all.substr(all.rfind("probe: counters"));
        if (!std::regex_search(last, m, counters)) return false;
        for (int i = 0; i < 4; i++) out[i] = std::stoll(m[i + 1]);
        return true;
    };
    long long first[4], later[4];
    ASSERT_TRUE(read_counters(first));
    ASSERT_TRUE(wait_until([&] { return read_counters(later) && later[0] >= first[0] + 10; }, 10000));
    EXPECT_EQ(later[1], first[1]) << "no frame built for an unchanged screen";
    EXPECT_EQ(later[2], first[2]) << "no texture uploaded";
    EXPECT_EQ(later[3], first[3]) << "no redraw and no swap";
}

TEST_F(DisplayTest, WindowResizedByHandSnapsBack) {
    start("display");
    ASSERT_TRUE(sized(640, 480));
    XResizeWindow(server.display, window, 320, 200);
    XSync(server.display, False);
    EXPECT_TRUE(sized(640, 480));
    EXPECT_TRUE(shows(expected_picture()));
}

TEST_F(DisplayTest, TitleFollowsTheProgram) {
    start("display");
    key_tap(server.display, XK_t);
    ASSERT_TRUE(said("probe: title"));
    EXPECT_TRUE(wait_until([&] { return window_title(server.display, window) == "Title two"; }, 5000));
}

TEST_F(DisplayTest, AltEnterSwitchesToFullScreenAndBack) {
    start("display");
    warm_up();
    ASSERT_TRUE(sized(640, 480));
    key_tap(server.display, XK_Return, {XK_Alt_L});
    ASSERT_TRUE(sized(1024, 768)) << "full screen fills the screen\n" << program_stderr(program);
    int w = 0, h = 0;
    ASSERT_TRUE(wait_until(
        [&] {
            std::vector<uint32_t> all = window_capture(server.display, window, w, h);
            // 1.6 times: the 640 x 480 picture fills 1024 x 768 exactly; the top-left bar is colour 0.
            return w == 1024 && all.size() == 1024u * 768u && all[10 * 1024 + 10] == 0xFFFBCFu &&
                   all[767 * 1024 + 1023] != 0;
        },
        5000));
    key_tap(server.display, XK_Return, {XK_Alt_L});
    EXPECT_TRUE(sized(640, 480));
    EXPECT_TRUE(shows(expected_picture()));
    EXPECT_EQ(count("probe: key"), 1) << "Alt+Enter is not a key for the program";
}

// Run under AddressSanitizer, this catches a mode change freeing the screen
// while a frame is still being built from it.
TEST_F(DisplayTest, ModeChangesWhileFramesAreBuiltFreeNothingTheBuilderReads) {
    start("modes", 60000);
    std::smatch m;
    const std::string& all = program_stderr(program);
    ASSERT_TRUE(std::regex_search(all, m, std::regex("modes changed, (\\d+) frames built"))) << all;
    EXPECT_GE(std::stoi(m[1]), 100) << "most switches came while frames were being built";
    EXPECT_TRUE(shows(expected_picture()));
}

// ---- Keys ----------------------------------------------------------------------------

TEST_F(DisplayTest, KeysArriveTranslated) {
    start("keys");
    go();
    key_tap(server.display, XK_F1);
    key_tap(server.display, XK_F1, {XK_Shift_L});
    key_tap(server.display, XK_a, {XK_Control_L});
    key_tap(server.display, XK_Left);
    key_tap(server.display, XK_q);
    ASSERT_TRUE(said("probe: key 113")) << program_stderr(program);
    const std::string& all = program_stderr(program);
    size_t f1 = all.find("probe: key 0 59\n"), shift_f1 = all.find("probe: key 0 84\n"),
           ctrl_a = all.find("probe: key 1\n"), left = all.find("probe: key 0 75\n"), q = all.find("probe: key 113\n");
    ASSERT_NE(f1, std::string::npos) << all;
    EXPECT_LT(f1, shift_f1) << all;
    EXPECT_LT(shift_f1, ctrl_a) << all;
    EXPECT_LT(ctrl_a, left) << all;
    EXPECT_LT(left, q) << all;
}

TEST_F(DisplayTest, SixteenthKeyTypedBeforeAnyReadIsDropped) {
    start("keys");
    const KeySym letters[16] = {XK_a, XK_b, XK_d, XK_e, XK_f, XK_g, XK_h, XK_i,
                                XK_j, XK_k, XK_l, XK_m, XK_n, XK_o, XK_q, XK_r};
    for (KeySym k : letters) key_tap(server.display, k);
    // The window handles its events in order: once it has snapped back from
    // this resize, every key before it is in the buffer.
    XResizeWindow(server.display, window, 320, 200);
    XSync(server.display, False);
    ASSERT_TRUE(sized(640, 480));
    go();
    ASSERT_TRUE(said("probe: key 111")) << program_stderr(program);  // 'o', the 14th
    ASSERT_TRUE(said("probe: key 113"));                              // 'q', the 15th
    const std::string& all = program_stderr(program);
    size_t previous = 0;
    for (int i = 0; i < 15; i++) {
        std::string line = "probe: key " + std::to_string(int(letters[i])) + "\n";
        size_t at = all.find(line);
        ASSERT_NE(at, std::string::npos) << line << all;
        EXPECT_GT(at, previous);
        previous = at;
    }
    key_tap(server.display, XK_s);
    ASSERT_TRUE(said("probe: key 115"));
    EXPECT_EQ(program_stderr(program).find("probe: key 114\n"), std::string::npos) << "the 16th key, r, was dropped";
}

TEST_F(DisplayTest, PauseHoldsTheProgramUntilTheNextKey) {
    start("keys");
    go();
    ASSERT_TRUE(wait_until([&] { return last_tick() >= 2; }, 5000));
    key_tap(server.display, XK_Pause);
    // Held: the tick count stops moving.
    int seen = -1;
    ASSERT_TRUE(wait_until(
        [&] {
            int now = last_tick();
            bool still = now == seen;
            seen = now;
            if (still) return true;
            usleep(400000);
            return false;
        },
        10000))
        << "the program kept running while paused";
    key_tap(server.display, XK_x);
    ASSERT_TRUE(wait_until([&] { return last_tick() > seen; }, 5000)) << "the next key did not end the pause";
    key_tap(server.display, XK_y);
    ASSERT_TRUE(said("probe: key 121"));
    EXPECT_EQ(program_stderr(program).find("probe: key 120"), std::string::npos) << "the key ending a pause is swallowed";
}

TEST_F(DisplayTest, CtrlBreakEndsTheProgramWithZero) {
    start("keys");
    go();
    warm_up();
    key_tap(server.display, XK_Pause, {XK_Control_L});
    if (!program_wait_exit(program, 5000)) {
        // Seen once in many runs under AddressSanitizer and a loaded machine:
        // the first press did not arrive. Say so, and try the key once more.
        std::fprintf(stderr, "warning: the first Ctrl+Break was not seen within 5 s\n");
        key_tap(server.display, XK_Pause, {XK_Control_L});
        ASSERT_TRUE(program_wait_exit(program, 5000)) << program_stderr(program);
    }
    EXPECT_EQ(program.exit_code, 0);
}

// ---- The end of the program ----------------------------------------------------------------

// The screen with the closing prompt on its last row.
void closing_prompt() {
    ImageSurface* s = image_destination();
    s->text_top_row = s->text_bottom_row = s->cursor_row = 30;
    s->cursor_column = 1;
    print_string(string_from_text("", 0), 1);
    print_string(string_from_cstring("Press any key to continue"), 0);
}

TEST_F(DisplayTest, CloseButtonEndsThePressAnyKeyWaitAndKeysBeforeEscDoNotCount) {
    start("keys");
    key_tap(server.display, XK_Escape);
    key_tap(server.display, XK_b);
    key_tap(server.display, XK_c);
    go();
    ASSERT_TRUE(said("probe: ending"));
    ASSERT_TRUE(shows(expected_picture(closing_prompt))) << "no prompt on row 30";
    EXPECT_FALSE(program_wait_exit(program, 1000)) << "keys typed before Esc ended the wait";
    window_close_request(server.display, window);
    ASSERT_TRUE(program_wait_exit(program, 3000));
    EXPECT_EQ(program.exit_code, 0);
}

TEST_F(DisplayTest, AKeyEndsThePressAnyKeyWait) {
    start("keys");
    go();
    key_tap(server.display, XK_Escape);
    ASSERT_TRUE(said("probe: ending"));
    ASSERT_TRUE(shows(expected_picture(closing_prompt)));
    key_tap(server.display, XK_z);
    ASSERT_TRUE(program_wait_exit(program, 3000));
    EXPECT_EQ(program.exit_code, 0);
}

}  // namespace
