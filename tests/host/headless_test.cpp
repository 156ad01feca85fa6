// The headless platform, which skerrow-snapshot runs on: no window, but the
// title and the menu are kept as for one; boxes are answered at once.
#include <gtest/gtest.h>

#include "host/display.h"
#include "host/menu_bar.h"
#include "host/message_box.h"
#include "host/process.h"

namespace {

TEST(Headless, TitleAndMenuAreKeptBoxesAnsweredYesLockKeysOff) {
    runtime_start_headless();
    EXPECT_EQ(platform().window, nullptr);
    EXPECT_EQ(platform().lock_keys(), 0);
    window_title_set(string_from_cstring("Snapshot\ttitle"));
    EXPECT_TRUE(window_title_is("Snapshot?title"));
    auto find = reinterpret_cast<WindowHandle (*)(const char*, const char*)>(
        library_symbol(library_load("USER32.DLL"), "FindWindowA"));
    WindowHandle window = find(nullptr, "Snapshot?title");
    ASSERT_NE(window, 0);
    EXPECT_EQ(SetMenu(window, CreateMenu()), 1);
    EXPECT_TRUE(menu_bar_attached());
    testing::internal::CaptureStderr();
    EXPECT_EQ(message_box("Line:282\nFile not found\nContinue?", "Unhandled Error #53", box_yes_no), answer_yes);
    EXPECT_EQ(message_box("gone", "Alert", box_ok), answer_ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unhandled Error #53: Line:282 File not found Continue?\nAlert: gone\n");
}

}  // namespace
