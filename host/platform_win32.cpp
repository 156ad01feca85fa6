#include "host/platform_window.h"

#include "host/message_box_win32.h"
#include "host/window_win32.h"

const Platform platform_window = {
    .name = "win32",
    .window = &window_system_win32,
    .message_box = message_box_win32,
    .message_box_abandon = message_box_win32_abandon,
    .lock_keys = window_win32_lock_keys,
};
