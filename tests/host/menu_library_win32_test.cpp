// The window menu's calls on Win32, under Wine: bound by name from the real
// "user32.dll", they take the design's records with cbSize 44 on either
// width (a 64-bit Windows refuses 44 from the caller itself), and a picture
// made headless finds no window.
#include "host/menu_library.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MenuLibraryWin32, ItemsInsertedAndReadWithTheDesignsRecordSize) {
    void* library = library_load("user32.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library_load("skerrow-no-such-library.dll"), nullptr);
    EXPECT_EQ(library_symbol(library, "NoSuchCall"), nullptr);
    auto create_menu = reinterpret_cast<MenuHandle (*)()>(library_symbol(library, "CreateMenu"));
    auto insert_item = reinterpret_cast<int (*)(MenuHandle, uint32_t, int, const MenuItemInfo*)>(
        library_symbol(library, "InsertMenuItemA"));
    auto item_count = reinterpret_cast<int (*)(MenuHandle)>(library_symbol(library, "GetMenuItemCount"));
    auto item_info = reinterpret_cast<int (*)(MenuHandle, uint32_t, int, MenuItemInfo*)>(
        library_symbol(library, "GetMenuItemInfoA"));
    ASSERT_TRUE(create_menu && insert_item && item_count && item_info && library_symbol(library, "SetMenu"));
    MenuHandle menu = create_menu();
    ASSERT_NE(menu, 0);
    const char* captions[2] = {"Edit setup file", "Help"};
    char caption[1000] = {};
    for (uint32_t i = 0; i < 2; i++) {
        MenuItemInfo item{};
        item.cbSize = 44;
        item.fMask = 19;
        item.wID = uint32_t(item_count(menu));
        std::strcpy(caption, captions[i]);
        item.dwTypeData = caption;
        item.cch = 4;
        EXPECT_NE(insert_item(menu, item.wID, 1, &item), 0) << captions[i];
    }
    EXPECT_EQ(item_count(menu), 2);
    MenuItemInfo read{};
    read.cbSize = 44;
    read.fMask = 19;
    read.fState = 0xFFFF;
    read.dwTypeData = caption;
    read.cch = sizeof caption;
    EXPECT_NE(item_info(menu, 1, 1, &read), 0);
    EXPECT_EQ(read.cbSize, 44u);
    EXPECT_EQ(read.wID, 1u);
    EXPECT_EQ(read.fState & menu_state_hilite, 0u);
    EXPECT_STREQ(caption, "Help");
}

TEST(MenuLibraryWin32, WithoutAWindowNoWindowIsFound) {
    auto find = reinterpret_cast<WindowHandle (*)(const char*, const char*)>(
        library_symbol(library_load("USER32.DLL"), "FindWindowA"));
    ASSERT_EQ(find, &FindWindowA);
    EXPECT_EQ(find(nullptr, "Program Manager"), 0);
}

}  // namespace
