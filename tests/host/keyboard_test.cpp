#include "host/keyboard.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "errors/runtime_error.h"
#include "host/keyboard_window.h"
#include "host/run_state.h"

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        keyboard_init();
        pause_flag = 0;
        fullscreen_toggle_request = 0;
        mark = string_temps_mark();
    }
    void TearDown() override {
        for (int32_t m : {key_left_shift, key_right_shift, key_left_ctrl, key_right_ctrl, key_left_alt, key_right_alt})
            key_up(m);
        string_temps_release(mark, 0);
    }
    // The next key as bytes; "" when none waits.
    static std::string read() {
        StringValue* s = key_read();
        return std::string(reinterpret_cast<char*>(s->data), size_t(s->length));
    }
    static std::string two(int a, int b) { return std::string{char(a), char(b)}; }
    static void tap(int32_t code) {
        key_down(code);
        key_up(code);
    }
    uint32_t mark = 0;
};

TEST_F(KeyboardTest, EmptyBufferGivesNothingAtOnce) { EXPECT_EQ(read(), ""); }

TEST_F(KeyboardTest, CharactersAndExtendedKeys) {
    tap(27);
    tap(0x3B00);
    key_down(key_left_shift);
    tap(0x3B00);
    key_up(key_left_shift);
    EXPECT_EQ(read(), "\x1b");
    EXPECT_EQ(read(), two(0, 59));
    EXPECT_EQ(read(), two(0, 84));
    EXPECT_EQ(read(), "");
}

TEST_F(KeyboardTest, CtrlLetterIsStoredWithItsScanCode) {
    key_down(key_left_ctrl);
    tap('a');
    key_up(key_left_ctrl);
    const uint8_t* low = low_memory_block();
    EXPECT_EQ(low[1024 + 30], 1);
    EXPECT_EQ(low[1024 + 31], 30);
    EXPECT_EQ(read(), "\x01");
}

TEST_F(KeyboardTest, FifteenKeysWaitAndTheSixteenthIsDropped) {
    for (int i = 0; i < 16; i++) tap('a' + i);
    for (int i = 0; i < 15; i++) EXPECT_EQ(read(), std::string(1, char('a' + i)));
    EXPECT_EQ(read(), "");
    // Head and tail wrap from 60 to 30: after 15 reads both stand at 60.
    const uint8_t* low = low_memory_block();
    EXPECT_EQ(low[1050], 60);
    tap('x');
    EXPECT_EQ(low[1052], 30);
    EXPECT_EQ(read(), "x");
    EXPECT_EQ(low[1050], 30);
}

TEST_F(KeyboardTest, PauseHoldsUntilTheNextKeyWhichIsSwallowed) {
    tap(key_pause);
    EXPECT_EQ(pause_flag.load(), 1);
    tap('q');
    EXPECT_EQ(pause_flag.load(), 0);
    EXPECT_EQ(read(), "");
    key_down(key_left_ctrl);
    tap(key_num_lock);  // Ctrl+Num Lock pauses too
    EXPECT_EQ(pause_flag.load(), 1);
    key_up(key_left_ctrl);  // a key up does not end the pause
    tap('w');
    EXPECT_EQ(pause_flag.load(), 0);
    EXPECT_EQ(read(), "");
}

TEST_F(KeyboardTest, AltEnterSwitchesFullScreenInsteadOfTyping) {
    key_down(key_left_alt);
    tap(13);
    key_up(key_left_alt);
    EXPECT_EQ(fullscreen_toggle_request.load(), 1);
    EXPECT_EQ(read(), "");
}

TEST_F(KeyboardTest, TheTableRowsOfThePcKeyboard) {
    struct Row {
        int index, base, scan, none, shift, ctrl, alt;
    };
    const Row rows[] = {{8, 8, 14, 8, 8, 127, 0x0E00},          {9, 9, 15, 9, 0x0F00, 0x9400, 0},
                        {13, 13, 28, 13, 13, 10, 0},             {27, 27, 1, 27, 27, 27, 0},
                        {32, 32, 57, 32, 32, 32, 0},             {49, 49, 2, 49, 49, 0, 0x7800},
                        {65, 97, 30, 65, 65, 1, 0x1E00},         {97, 97, 30, 97, 97, 1, 0x1E00},
                        {256 + 59, 59, 59, 0x3B00, 0x5400, 0x5E00, 0x6800},
                        {256 + 75, 75, 75, 0x4B00, 0x4B00, 0x7300, 0x9B00},
                        {256 + 83, 83, 83, 0x5300, 0x5300, 0x9300, 0xA300},
                        {512, 512, 82, 0x5200, 48, 0x9200, 0}, {527, 527, 28, 13, 13, 10, 0xA600}};
    for (const Row& r : rows) {
        const KeyEntry& e = key_table_entry(r.index);
        SCOPED_TRACE(r.index);
        EXPECT_EQ(e.base, r.base);
        EXPECT_EQ(e.scan, r.scan);
        EXPECT_EQ(e.value[0], r.none);
        EXPECT_EQ(e.value[1], r.shift);
        EXPECT_EQ(e.value[2], r.ctrl);
        EXPECT_EQ(e.value[3], r.alt);
    }
    EXPECT_EQ(key_table_entry(512).value[4], 48);
    EXPECT_EQ(key_table_entry(512).value[7], 0x5200);
}

TEST_F(KeyboardTest, KeypadDigitsCursorRoleAndTwins) {
    tap(100257);  // keypad 1: the digit
    key_down(key_left_shift);
    tap(100257);  // with Shift: End
    key_up(key_left_shift);
    tap(200001);  // keypad End in its cursor role
    key_down(key_left_alt);
    tap('x');     // Alt+X
    key_up(key_left_alt);
    tap(200);     // no key of its own: the character itself
    EXPECT_EQ(read(), "1");
    EXPECT_EQ(read(), two(0, 0x4F));
    EXPECT_EQ(read(), two(0, 0x4F));
    EXPECT_EQ(read(), two(0, 0x2D));
    EXPECT_EQ(read(), std::string(1, char(200)));
    key_down(100271);
    EXPECT_TRUE(key_is_down(13)) << "keypad Enter is Enter's twin";
    key_up(100271);
    key_down(200007);
    EXPECT_TRUE(key_is_down(0x4700)) << "keypad Home is Home's twin";
    key_up(200007);
    EXPECT_FALSE(key_is_down(0x4700));
}

int fake_locks = 0;
int read_fake_locks() { return fake_locks; }

TEST_F(KeyboardTest, LockTogglesFollowTheSystem) {
    keyboard_set_lock_reader(read_fake_locks);
    fake_locks = 1 | 4;
    keyboard_sync_locks();
    EXPECT_TRUE(key_is_down(key_caps_lock));
    EXPECT_TRUE(key_is_down(key_scroll_state));
    EXPECT_EQ(low_memory_block()[1047] & (64 | 16), 64 | 16);
    fake_locks = 0;
    keyboard_sync_locks();
    EXPECT_FALSE(key_is_down(key_caps_lock));
    EXPECT_FALSE(key_is_down(key_scroll_state));
    keyboard_set_lock_reader(nullptr);
    EXPECT_EQ(read(), "") << "lock keys never reach the buffer";
}

TEST_F(KeyboardTest, PendingErrorGivesEmptyWithoutTakingAKey) {
    tap('k');
    error_pending = 5;
    EXPECT_EQ(read(), "");
    error_pending = 0;
    EXPECT_EQ(read(), "k");
}

// The window's thread types while the program's thread reads: every key
// arrives once and in order, none is half written.
TEST_F(KeyboardTest, TypingAndReadingOnTwoThreads) {
    constexpr int total = 20000;
    std::thread typist([] {
        for (int i = 0; i < total;) {
            uint8_t tail = reinterpret_cast<std::atomic<uint8_t>*>(low_memory_block() + 1052)->load();
            uint8_t head = reinterpret_cast<std::atomic<uint8_t>*>(low_memory_block() + 1050)->load();
            if ((tail + 2 == 62 ? 30 : tail + 2) == head) {
                std::this_thread::yield();
                continue;
            }
            key_down(0x3B00 + ((i % 10) << 8));  // F1..F10: two bytes each
            key_up(0x3B00 + ((i % 10) << 8));
            i++;
        }
    });
    int got = 0;
    while (got < total) {
        std::string k = read();
        string_temps_release(mark, 0);
        if (k.empty()) continue;
        ASSERT_EQ(k, two(0, 59 + got % 10)) << got;
        got++;
    }
    typist.join();
}

// The window's key callbacks, in the window's codes, through the seam.
int window_modifiers = 0, activities = 0;
const WindowSystem modifier_window = [] {
    WindowSystem w{};
    w.modifiers = [] { return window_modifiers; };
    return w;
}();

TEST_F(KeyboardTest, TheWindowsKeysThroughTheSeam) {
    keyboard_window_attach(&modifier_window, [] { activities++; });
    window_modifiers = window_active_ctrl;
    keyboard_window_special(window_key_ctrl_l);
    keyboard_window_character(1);  // Ctrl+A comes as 1
    EXPECT_EQ(read(), "\x01");
    window_modifiers = 0;  // Ctrl went up where the window did not see it
    keyboard_window_character('b');
    EXPECT_EQ(read(), "b");
    keyboard_window_special(window_key_f11);
    keyboard_window_character(127);
    EXPECT_EQ(read(), two(0, 0x85));
    EXPECT_EQ(read(), two(0, 0x53)) << "Delete";
    keyboard_window_break(window_code_pause, true);
    EXPECT_EQ(pause_flag.load(), 1);
    keyboard_window_break(window_code_pause, false);
    EXPECT_GE(activities, 4);
}

TEST_F(KeyboardTest, CtrlBreakAsksTheProgramToStop) {
    EXPECT_FALSE(stop_requested.load());
    tap(key_break);
    EXPECT_TRUE(stop_requested.load());
    EXPECT_EQ(read(), "");
}

}  // namespace
