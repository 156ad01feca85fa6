// The menu calls of "user32.dll", bound by name with GetProcAddress and
// called through functions of ours: on 32-bit Windows the system's calls use
// its own calling convention (WINAPI), which the runtime's pointers do not.
//
// The record sizes: the design fills its menu-item records with cbSize 44,
// the 32-bit size without the last field, which a 32-bit Windows takes. A
// 64-bit Windows takes only its own sizes (72 or 80) and refuses 44, so the
// menu would never appear: there each record goes to the system as a whole
// one of the headers' size, and what the system writes comes back into the
// caller's record, whose size field stays as it was.
#include "host/user32_win32.h"

#include <windows.h>

#include <cstring>

static_assert(offsetof(MENUITEMINFOA, hSubMenu) == user32_item_submenu_at &&
                  offsetof(MENUITEMINFOA, dwTypeData) == user32_item_text_at &&
                  offsetof(MENUITEMINFOA, cch) == user32_item_count_at &&
                  offsetof(MENUITEMINFOA, hbmpItem) == user32_item_short_size,
              "the system's menu-item record");

namespace {

constexpr bool whole_records = sizeof(void*) == 8;

struct Calls {
    HMENU(WINAPI* create_menu)();
    BOOL(WINAPI* set_menu)(HWND, HMENU);
    BOOL(WINAPI* insert_item)(HMENU, UINT, BOOL, LPCMENUITEMINFOA);
    int(WINAPI* item_count)(HMENU);
    BOOL(WINAPI* item_info)(HMENU, UINT, BOOL, LPMENUITEMINFOA);
};
Calls calls{};

// The caller's record as one the system takes.
MENUITEMINFOA system_record(const void* record) {
    MENUITEMINFOA whole{};
    std::memcpy(&whole, record, user32_item_short_size);
    whole.cbSize = sizeof whole;
    return whole;
}

intptr_t create_menu() { return intptr_t(calls.create_menu()); }

int set_menu(intptr_t window, intptr_t menu) { return calls.set_menu(HWND(window), HMENU(menu)); }

int insert_item(intptr_t menu, uint32_t item, int by_position, const void* record) {
    if (!whole_records) return calls.insert_item(HMENU(menu), item, by_position, LPCMENUITEMINFOA(record));
    MENUITEMINFOA whole = system_record(record);
    return calls.insert_item(HMENU(menu), item, by_position, &whole);
}

int item_count(intptr_t menu) { return calls.item_count(HMENU(menu)); }

int item_info(intptr_t menu, uint32_t item, int by_position, void* record) {
    if (!whole_records) return calls.item_info(HMENU(menu), item, by_position, LPMENUITEMINFOA(record));
    MENUITEMINFOA whole = system_record(record);
    int result = calls.item_info(HMENU(menu), item, by_position, &whole);
    whole.cbSize = static_cast<const MENUITEMINFOA*>(record)->cbSize;
    std::memcpy(record, &whole, user32_item_short_size);
    return result;
}

// Binds `slot` to the library's call `name`; our function for it, or null.
template <typename Call>
void* bind(HMODULE library, Call& slot, const char* name, void* ours) {
    slot = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return slot != nullptr ? ours : nullptr;
}

}  // namespace

void* user32_load(const char* name) { return LoadLibraryA(name); }

void* user32_call(void* library, const char* name) {
    HMODULE module = HMODULE(library);
    if (module == nullptr || name == nullptr) return nullptr;
    if (std::strcmp(name, "CreateMenu") == 0)
        return bind(module, calls.create_menu, name, reinterpret_cast<void*>(&create_menu));
    if (std::strcmp(name, "SetMenu") == 0) return bind(module, calls.set_menu, name, reinterpret_cast<void*>(&set_menu));
    if (std::strcmp(name, "InsertMenuItemA") == 0)
        return bind(module, calls.insert_item, name, reinterpret_cast<void*>(&insert_item));
    if (std::strcmp(name, "GetMenuItemCount") == 0)
        return bind(module, calls.item_count, name, reinterpret_cast<void*>(&item_count));
    if (std::strcmp(name, "GetMenuItemInfoA") == 0)
        return bind(module, calls.item_info, name, reinterpret_cast<void*>(&item_info));
    return nullptr;
}

intptr_t user32_window_find(const char* class_name, const char* window_name) {
    return intptr_t(FindWindowA(class_name, window_name));
}
