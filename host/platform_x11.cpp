#include "host/platform_x11.h"

#include "host/window_x11.h"

const Platform platform_x11 = {"x11", &window_system_x11, message_box_x11, message_box_x11_abandon,
                               window_x11_lock_keys};
