// The user-interface library on Win32: "user32.dll" itself, its menu calls
// bound by name (host/user32_win32.h), the menu-item record in the system's
// layout, and FindWindowA. Without a window (the headless platform) no
// window is found, so a picture made headless never reaches a window on the
// screen that has the same title.
#include "host/menu_library.h"

#include <cstddef>
#include <cstring>

#include "host/display.h"
#include "host/platform.h"
#include "host/user32_win32.h"

static_assert(offsetof(MenuItemInfo, hSubMenu) == user32_item_submenu_at &&
                  offsetof(MenuItemInfo, dwTypeData) == user32_item_text_at &&
                  offsetof(MenuItemInfo, cch) == user32_item_count_at && sizeof(MenuItemInfo) == user32_item_short_size,
              "the menu-item record in the system's layout, without its last field");
static_assert(sizeof(void*) != 4 || sizeof(MenuItemInfo) == 44, "44 bytes on 32-bit Windows, as the design fills it");

WindowHandle FindWindowA(const char* class_name, const char* window_name) {
    if (platform().window == nullptr) return 0;
    // The display thread opens the window while the program already runs.
    window_opening_wait();
    return user32_window_find(class_name, window_name);
}

void* library_load(const char* name) { return name != nullptr ? user32_load(name) : nullptr; }

// FindWindowA is ours (above), the menu calls the library's.
void* library_symbol(void* library, const char* name) {
    if (library != nullptr && name != nullptr && std::strcmp(name, "FindWindowA") == 0)
        return reinterpret_cast<void*>(&FindWindowA);
    return user32_call(library, name);
}
