#include "host/keyboard_win32.h"

#include <windows.h>

int win32_lock_keys() {
    return (GetKeyState(VK_CAPITAL) & 1 ? 1 : 0) | (GetKeyState(VK_NUMLOCK) & 1 ? 2 : 0) |
           (GetKeyState(VK_SCROLL) & 1 ? 4 : 0);
}
