#include "host/platform_window.h"

#include "host/window_x11.h"

const Platform platform_window = {"x11", &window_system_x11, message_box_x11, message_box_x11_abandon,
                                  window_x11_lock_keys};
