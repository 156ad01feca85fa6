// Message boxes through MessageBoxA, under Wine: a box has the title, text
// and buttons asked for; abandoning answers No where there is a No, else OK,
// and later boxes at once.
#include "host/message_box_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

BOOL CALLBACK collect_text(HWND child, LPARAM texts) {
    char text[256] = {};
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
    return TRUE;
}

// The box once it is on the screen.
HWND box_wait(const char* title) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(10)) {
        HWND window = FindWindowA("#32770", title);
        if (window != nullptr && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

bool button_shown(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr && IsWindowVisible(button);
}

TEST(MessageBoxWin32, BoxesAreShownAsAskedAndAbandonedWithNoOrOkAndLaterOnesAnsweredAtOnce) {
    const char* text = "Line:200\nFile not found\nContinue?";
    int report = 0, critical = 0;
    std::thread report_box([&] { report = message_box_win32(text, "Unhandled Error #53", MB_YESNO | MB_SYSTEMMODAL); });
    std::thread critical_box([&] { critical = message_box_win32("Out of memory", "Critical Error #1", MB_OK); });
    HWND yes_no = box_wait("Unhandled Error #53"), ok = box_wait("Critical Error #1");
    ASSERT_NE(yes_no, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(button_shown(yes_no, IDYES));
    EXPECT_TRUE(button_shown(yes_no, IDNO));
    EXPECT_FALSE(button_shown(yes_no, IDOK));
    EXPECT_TRUE(button_shown(ok, IDOK));
    EXPECT_FALSE(button_shown(ok, IDNO));
    std::vector<std::string> texts;
    EnumChildWindows(yes_no, collect_text, LPARAM(&texts));
    EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end());
    message_box_win32_abandon();
    report_box.join();
    critical_box.join();
    EXPECT_EQ(report, IDNO);
    EXPECT_EQ(critical, IDOK);
    EXPECT_EQ(message_box_win32("Line:1\nContinue?", "Unhandled Error #5", MB_YESNO), IDNO);
    EXPECT_EQ(message_box_win32("Text", "Alert", MB_OK), IDOK);
    EXPECT_EQ(FindWindowA("#32770", "Alert"), nullptr);
}

}  // namespace
