// The window menu: a small menu layer of our own with the system's calls,
// drawn by the display loop as a bar above the screen image.
//
// The program thread builds a menu and attaches it to the window; the user
// clicks an item, which turns its highlight on; the program polls the
// highlight. Each click shows to the polls as the highlight on for one poll,
// with an "off" poll between two clicks, so no click is lost or repeated
// however slowly the program polls.
#pragma once

#include <cstdint>

using MenuHandle = intptr_t;
using WindowHandle = intptr_t;

// The menu-item record (the fields of the system's own; not its 32-bit layout).
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

// ---- The system's calls --------------------------------------------------------------

MenuHandle CreateMenu();
int SetMenu(WindowHandle window, MenuHandle menu);
int InsertMenuItemA(MenuHandle menu, uint32_t item, int by_position, const MenuItemInfo* info);
int GetMenuItemCount(MenuHandle menu);
int GetMenuItemInfoA(MenuHandle menu, uint32_t item, int by_position, MenuItemInfo* info);
// The top-level window whose title is `window_name`, or 0.
WindowHandle FindWindowA(const char* class_name, const char* window_name);

// ---- Binding by name -------------------------------------------------------------------

// The user-interface library by file name ("user32.dll", any case), or null.
void* library_load(const char* name);
// One of its calls by name, or null.
void* library_symbol(void* library, const char* name);

// ---- The display loop's side -----------------------------------------------------------

constexpr int menu_bar_height = 20;
// True while a menu is attached to the window.
bool menu_bar_attached();
// True when the bar needs drawing again.
bool menu_bar_changed();
// Redraws the bar into width x menu_bar_height words 0xAARRGGBB; true when
// it changed since the last call.
bool menu_bar_render(uint32_t* pixels, int width);
// A mouse button went down (true) or up at (x, y) of the bar.
void menu_bar_mouse(bool down, int x, int y);
// Registers the mouse callback (display thread).
void menu_bar_register_callbacks();
