// The window menu: a small menu layer of our own with the system's calls,
// drawn by the display loop as a bar above the screen image; the platforms
// without such a library bind it as theirs (host/menu_library.h).
//
// The program thread builds a menu and attaches it to the window; the user
// clicks an item, which turns its highlight on; the program polls the
// highlight. Each click shows to the polls as the highlight on for one poll,
// with an "off" poll between two clicks, so no click is lost or repeated
// however slowly the program polls.
#pragma once

#include <cstdint>

#include "host/menu_library.h"

// ---- The system's calls --------------------------------------------------------------

MenuHandle CreateMenu();
int SetMenu(WindowHandle window, MenuHandle menu);
int InsertMenuItemA(MenuHandle menu, uint32_t item, int by_position, const MenuItemInfo* info);
int GetMenuItemCount(MenuHandle menu);
int GetMenuItemInfoA(MenuHandle menu, uint32_t item, int by_position, MenuItemInfo* info);

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
