// The user-interface library on POSIX systems: "user32.dll" is the runtime's
// own menu layer (host/menu_bar.h), and the main window is found by the title
// the display loop keeps.
#include "host/menu_library.h"

#include <strings.h>

#include <cstring>

#include "host/display.h"
#include "host/menu_bar.h"

WindowHandle FindWindowA(const char*, const char* window_name) {
    // The display thread opens the window while the program already runs.
    window_opening_wait();
    return window_name && window_title_is(window_name) ? 1 : 0;
}

void* library_load(const char* name) {
    static int user_interface_library;
    return name && strcasecmp(name, "user32.dll") == 0 ? &user_interface_library : nullptr;
}

void* library_symbol(void* library, const char* name) {
    if (library == nullptr || library != library_load("user32.dll") || name == nullptr) return nullptr;
    struct Entry {
        const char* name;
        void* call;
    };
    static const Entry calls[] = {{"CreateMenu", reinterpret_cast<void*>(&CreateMenu)},
                                  {"SetMenu", reinterpret_cast<void*>(&SetMenu)},
                                  {"InsertMenuItemA", reinterpret_cast<void*>(&InsertMenuItemA)},
                                  {"GetMenuItemCount", reinterpret_cast<void*>(&GetMenuItemCount)},
                                  {"GetMenuItemInfoA", reinterpret_cast<void*>(&GetMenuItemInfoA)},
                                  {"FindWindowA", reinterpret_cast<void*>(&FindWindowA)}};
    for (const Entry& e : calls)
        if (std::strcmp(e.name, name) == 0) return e.call;
    return nullptr;
}
