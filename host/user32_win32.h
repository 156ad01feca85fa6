// The user-interface library of Win32 as the window menu binds it
// (menu_library_win32.cpp): loaded by name, its menu calls handed out as
// plain functions of the runtime's calling convention, and FindWindowA.
// Kept apart because host/menu_library.h declares a FindWindowA of the
// runtime's own, which the system's headers declare differently.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- The menu-item record as the system lays it out ---------------------------------

// Offsets of hSubMenu, dwTypeData and cch, and the size without the last
// field (hbmpItem): 20, 36, 40 and 44 on 32-bit Windows, 24, 56, 64 and 72 on
// 64-bit Windows. Both sides of the binding check their record against them.
constexpr size_t user32_item_submenu_at = sizeof(void*) == 4 ? 20 : 24;
constexpr size_t user32_item_text_at = user32_item_submenu_at + 4 * sizeof(void*);
constexpr size_t user32_item_count_at = user32_item_text_at + sizeof(void*);
constexpr size_t user32_item_short_size =
    (user32_item_count_at + 4 + sizeof(void*) - 1) / sizeof(void*) * sizeof(void*);

// ---- Binding ---------------------------------------------------------------------------

// LoadLibraryA of `name`, or null.
void* user32_load(const char* name);
// The call `name` of `library` (CreateMenu, SetMenu, InsertMenuItemA,
// GetMenuItemCount, GetMenuItemInfoA) as a function of the types of
// host/menu_library.h, or null when the library has no such call.
void* user32_call(void* library, const char* name);
// FindWindowA itself.
intptr_t user32_window_find(const char* class_name, const char* window_name);
