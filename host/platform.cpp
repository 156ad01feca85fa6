#include "host/platform.h"

namespace {

const Platform* active = &platform_headless;

}  // namespace

void platform_set(const Platform* p) { active = p ? p : &platform_headless; }

const Platform& platform() { return *active; }
