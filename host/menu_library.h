// The user-interface library the window menu is bound from by name, its
// menu-item record, and the lookup of the main window by its title.
//
// Each platform binds its own library in a file named for it: on POSIX
// systems (menu_library_posix.cpp) "user32.dll" is the runtime's own menu
// layer (host/menu_bar.h), drawn by the display loop as a bar above the screen;
// on Win32 (menu_library_win32.cpp) it is the system's own.
#pragma once

#include <cstdint>

using MenuHandle = intptr_t;
using WindowHandle = intptr_t;

// The menu-item record: the system's own, in its layout without the last
// field (hbmpItem), 44 bytes on 32-bit Windows.
struct MenuItemInfo {
    uint32_t cbSize;        // size of the record
    uint32_t fMask;         // which members are used: menu_mask_state, _id, _type
    uint32_t fType;         // 0: a text item
    uint32_t fState;        // menu_state_hilite while the item is highlighted
    uint32_t wID;           // the item's identifier
    uintptr_t hSubMenu, hbmpChecked, hbmpUnchecked, dwItemData;  // not used here
    char* dwTypeData;       // caption, NUL-terminated
    uint32_t cch;           // caption buffer length (queries)
};
constexpr uint32_t menu_mask_state = 0x1, menu_mask_id = 0x2, menu_mask_type = 0x10;
constexpr uint32_t menu_state_hilite = 0x80;

// ---- Binding by name -------------------------------------------------------------------

// The user-interface library by file name ("user32.dll", any case), or null.
void* library_load(const char* name);
// One of its calls by name, or null: CreateMenu, SetMenu, InsertMenuItemA,
// GetMenuItemCount, GetMenuItemInfoA, FindWindowA.
void* library_symbol(void* library, const char* name);

// The top-level window whose title is `window_name`, or 0.
WindowHandle FindWindowA(const char* class_name, const char* window_name);
