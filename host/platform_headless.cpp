// The platform without a window, for pictures made headless and for tests:
// no window system is reached; every box is answered at once, Yes or OK; the
// lock keys are off. The title and the menu are kept by the runtime as for a
// window, so they can be asked for.
#include "host/platform.h"

namespace {

int headless_message_box(const char*, const char*, int style) {
    return (style & box_yes_no) ? answer_yes : answer_ok;
}

void headless_abandon() {}

int headless_lock_keys() { return 0; }

}  // namespace

const Platform platform_headless = {
    .name = "headless",
    .window = nullptr,
    .message_box = headless_message_box,
    .message_box_abandon = headless_abandon,
    .lock_keys = headless_lock_keys,
};
