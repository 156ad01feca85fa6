#include "host/platform_window.h"

#include "host/window_x11.h"

const Platform platform_window = {
    .name = "x11",
    .window = &window_system_x11,
    .message_box = message_box_x11,
    .message_box_abandon = message_box_x11_abandon,
    .lock_keys = window_x11_lock_keys,
};
