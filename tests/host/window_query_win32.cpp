// Asks Windows about the monitor's windows from outside, for the tests under
// Wine (tests/wine/), and writes the answer as one line on standard error:
//
//   window_query_win32 client       "client X Y WIDTH HEIGHT menu M BAR B": the
//                                   client area of the window of the class
//                                   "Skerrow" on the screen, whether a menu
//                                   is attached (M 1) and the menu bar's height
//   window_query_win32 box TITLE    "box TEXT": the text of the message box
//                                   titled TITLE, its line feeds as "|"
//
// Exit code 0, or 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

BOOL CALLBACK static_text(HWND child, LPARAM out) {
    char name[16] = {}, text[512] = {};
    GetClassNameA(child, name, sizeof name);
    if (std::strcmp(name, "Static") != 0 || GetWindowTextA(child, text, sizeof text) == 0) return TRUE;
    *reinterpret_cast<std::string*>(out) = text;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "client") == 0) {
        HWND window = FindWindowA("Skerrow", nullptr);
        if (window == nullptr) return 1;
        RECT r{};
        POINT origin{0, 0};
        GetClientRect(window, &r);
        ClientToScreen(window, &origin);
        std::fprintf(stderr, "client %ld %ld %ld %ld menu %d bar %d\n", origin.x, origin.y, r.right, r.bottom,
                     GetMenu(window) != nullptr ? 1 : 0, GetSystemMetrics(SM_CYMENU));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "box") == 0) {
        HWND box = FindWindowA("#32770", argv[2]);
        if (box == nullptr) return 1;
        std::string text;
        EnumChildWindows(box, static_text, LPARAM(&text));
        for (char& c : text)
            if (c == '\n') c = '|';
        std::fprintf(stderr, "box %s\n", text.c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: window_query_win32 client | box TITLE\n");
    return 2;
}
