#include "host/message_box_win32.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string_view>
#include <vector>

#include "host/platform.h"

static_assert(box_ok == MB_OK && box_yes_no == MB_YESNO && box_system_modal == MB_SYSTEMMODAL && answer_ok == IDOK &&
                  answer_yes == IDYES && answer_no == IDNO,
              "the platform's styles and answers are MessageBoxA's");

namespace {

std::atomic<bool> abandoned{false};
std::mutex threads_mutex;
std::vector<DWORD> box_threads;  // threads inside MessageBoxA, once each per open box

int abandoned_answer(int style) { return (style & 0xF) == MB_YESNO ? IDNO : IDOK; }

// Answers a box once it is on the screen (its buttons are set up by then).
BOOL CALLBACK answer_box(HWND window, LPARAM) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string_view(name) == "#32770" && IsWindowVisible(window)) {
        HWND no = GetDlgItem(window, IDNO);  // a box may hold every button and hide the unused ones
        int answer = no != nullptr && IsWindowVisible(no) ? IDNO : IDOK;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
    return TRUE;
}

}  // namespace

int message_box_win32(const char* text, const char* title, int style) {
    {
        std::lock_guard<std::mutex> lock(threads_mutex);
        if (abandoned.load()) return abandoned_answer(style);
        box_threads.push_back(GetCurrentThreadId());
    }
    int answer = MessageBoxA(nullptr, text, title, UINT(style));
    std::lock_guard<std::mutex> lock(threads_mutex);
    box_threads.erase(std::find(box_threads.begin(), box_threads.end(), GetCurrentThreadId()));
    return answer;
}

void message_box_win32_abandon() {
    {
        std::lock_guard<std::mutex> lock(threads_mutex);
        abandoned.store(true);
    }
    // A box may still be on its way to the screen: answer until none is left.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 1000; Sleep(10)) {
        std::vector<DWORD> threads;
        {
            std::lock_guard<std::mutex> lock(threads_mutex);
            threads = box_threads;
        }
        if (threads.empty()) return;
        for (DWORD t : threads) EnumThreadWindows(t, answer_box, 0);
    }
}
