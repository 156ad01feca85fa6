// The lock toggles through GetKeyState, under Wine: a Caps Lock press turns
// its bit over, a second one turns it back.
#include "host/keyboard_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

void key_press(WORD vk) {
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_KEYBOARD;
    press[0].ki.wVk = press[1].ki.wVk = vk;
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof(INPUT));
}

bool locks_become(int expected) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(5))
        if (win32_lock_keys() == expected) return true;
    return false;
}

TEST(KeyboardWin32, CapsLockPressesTurnItsBitOverAndBack) {
    int before = win32_lock_keys();
    ASSERT_GE(before, 0);
    ASSERT_LE(before, 7);
    key_press(VK_CAPITAL);
    EXPECT_TRUE(locks_become(before ^ 1));
    key_press(VK_CAPITAL);
    EXPECT_TRUE(locks_become(before));
}

}  // namespace
