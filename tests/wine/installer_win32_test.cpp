// The Windows installer under Wine in Xvfb, one step after the other on one
// prefix (scripts/test-installer.sh makes it and the X server): a silent
// install puts the files and the Start-menu entries in place; the monitor's
// shortcut starts the monitor on the demo log, its client area equal to
// skerrow-snapshot.exe's picture of the same folder; the feeder's shortcut
// turns an ALL.TXT in %LOCALAPPDATA%\WSJT-X into the spot log the starter
// setup file names, its messages in skerrow-feed.log; the setup file's opens
// it in Notepad; an installation over this one and a silent uninstall keep the
// setup file and the spot log, the uninstall removes the program.
#include <gtest/gtest.h>
// After GoogleTest: X11 defines None and Bool as macros.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/file_text.h"
#include "tests/support/gui_fixture.h"
#include "tests/support/monitor_picture.h"

namespace {

namespace fs = std::filesystem;

const char* const program_files[] = {"skerrow.exe", "skerrow-snapshot.exe", "skerrow-feed.exe", "SkerrowHelp.htm",
                                     "uninstall.exe"};
const char* const shortcuts[] = {"Skerrow.lnk", "Skerrow feeder.lnk", "Skerrow help.lnk", "Skerrow setup file.lnk"};

// Today's decodes as a 2.x ALL.TXT holds them (CR LF, as written on Windows),
// with a transmission and a line of noise among them.
std::string all_txt(std::string& expected_records) {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char day[16];
    std::strftime(day, sizeof day, "%y%m%d", &utc);
    struct Decode {
        const char* time;
        int snr;
        const char* message;
        const char* record;
    } decodes[] = {
        {"000015", -12, "CQ K1ABC FN42", "K1ABC,FN42,00:00:15,-12,\r\n"},
        {"000030", 3, "W1AW K1ABC -05", "K1ABC,14.0740,00:00:30,3,\r\n"},
        {"000045", -20, "CQ DX JA1NRH PM95", "JA1NRH,PM95,00:00:45,-20,\r\n"},
    };
    std::string text;
    for (const Decode& d : decodes) {
        char line[160];
        std::snprintf(line, sizeof line, "%s_%s    14.074 Rx FT8 %6d  0.2 1500 %s\r\n", day, d.time, d.snr, d.message);
        text += line;
        expected_records += d.record;
    }
    text += std::string(day) + "_000100    14.074 Tx FT8      0  0.0 1500 CQ G4ABC IO91\r\n";
    text += "#&%!garbage\r\n";
    return text;
}

class Installer : public WineTest {
protected:
    static void SetUpTestSuite() {
        loader = environment_value("SKERROW_WINE_LOADER");
        setup = environment_value("SKERROW_SETUP");
        query = environment_value("SKERROW_WINDOW_QUERY");
        prefix = environment_value("WINEPREFIX");
    }
    void SetUp() override {
        ASSERT_FALSE(loader.empty() || setup.empty() || query.empty() || prefix.empty())
            << "SKERROW_WINE_LOADER, SKERROW_SETUP, SKERROW_WINDOW_QUERY and WINEPREFIX name the pieces";
        WineTest::SetUp();
        if (HasFatalFailure()) return;
        if (local.empty()) local = unix_path(windows_variable("LOCALAPPDATA"));
        ASSERT_FALSE(local.empty());
    }
    // A Windows program run to its end in the prefix; its exit code, or -1 when it did not end.
    int run(const std::vector<std::string>& args, std::string* errors = nullptr) {
        return program_run(server, loader, prefix, args, errors);
    }
    std::string windows_variable(const char* name) {
        std::string text;
        if (run({"cmd", "/c", std::string("echo %") + name + "% 1>&2"}, &text) != 0) return "";
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
        return text;
    }
    // C:\x\y as the Linux path inside the prefix.
    fs::path unix_path(const std::string& windows) {
        if (windows.size() < 3 || windows.substr(1, 2) != ":\\") return {};
        std::string rest = windows.substr(3);
        for (char& c : rest)
            if (c == '\\') c = '/';
        return fs::path(prefix) / ("drive_" + std::string(1, char(std::tolower(windows[0])))) / rest;
    }
    fs::path folder() { return local / "Programs/Skerrow"; }
    std::string windows_folder() { return windows_variable("LOCALAPPDATA") + "\\Programs\\Skerrow"; }
    fs::path menu() { return unix_path(windows_variable("APPDATA")) / "Microsoft/Windows/Start Menu/Programs/Skerrow"; }
    // Starts a Start-menu entry as the Explorer would.
    void start_shortcut(const char* name) {
        program = program_start(server, loader, prefix,
                                {"start", windows_variable("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\Skerrow\\" + name});
    }
    void installed_or_skip() {
        if (!fs::exists(folder() / "skerrow.exe")) GTEST_SKIP() << "not installed";
    }
    // The monitor's client area on the screen, from Windows itself.
    bool client_area(int& x, int& y) {
        std::string text;
        int width = 0, height = 0;
        return run({query, "client"}, &text) == 0 && std::sscanf(text.c_str(), "client %d %d %d %d", &x, &y, &width, &height) == 4 &&
               width == 640 && height == 480;
    }
    // The top-level window of that title, or 0.
    Window window_titled(const std::string& title) { return ::window_titled(server.display, title); }
    std::vector<uint32_t> screen(int x, int y) { return screen_capture(server.display, x, y, 640, 480); }

    static std::string loader, setup, query, prefix;
    static fs::path local;  // %LOCALAPPDATA% inside the prefix
};
std::string Installer::loader, Installer::setup, Installer::query, Installer::prefix;
fs::path Installer::local;

TEST_F(Installer, SilentInstallPutsTheFilesAndTheStartMenuInPlace) {
    std::string errors;
    ASSERT_EQ(run({"Z:" + setup, "/S"}, &errors), 0) << errors;
    for (const char* name : program_files) EXPECT_TRUE(fs::is_regular_file(folder() / name)) << name;
    EXPECT_EQ(file_text(folder() / "Skerrow020.SET").substr(0, 13), "\"spots.log\"\r\n");
    EXPECT_EQ(file_text(folder() / "spots.log").substr(0, 24), "Skerrow demo spot log 14");
    for (const char* name : shortcuts) EXPECT_TRUE(fs::is_regular_file(menu() / name)) << name;
}

TEST_F(Installer, MonitorShortcutShowsTheDemoLogAsTheSnapshotDoes) {
    installed_or_skip();
    std::string png = (fs::path(prefix) / "snapshot.png").string();
    ASSERT_EQ(run({windows_folder() + "\\skerrow-snapshot.exe", "-C", windows_folder(), "Z:" + png}), 0);
    std::vector<uint32_t> expected = snapshot_taken(png);
    ASSERT_FALSE(expected.empty());

    start_shortcut("Skerrow.lnk");
    int x = -1, y = -1;
    ASSERT_TRUE(wait_until([&] { return client_area(x, y); }, 30000)) << "no monitor window";
    EXPECT_TRUE(wait_until([&] { return screen(x, y) == expected; }, 20000)) << "the window differs from the snapshot";
    // Its title names the log of the starter setup file; Esc and a key end it.
    Window window = 0;
    ASSERT_TRUE(wait_until([&] { return (window = window_titled("Orvane Skerrow V0.20 18/03/18    spots.log")) != 0; }, 10000));
    window_focus(server.display, window);
    key_tap(server.display, XK_Escape);
    // "Press any key to continue" on the bottom row, then the key.
    EXPECT_TRUE(wait_until([&] { return screen(x, y) != expected; }, 10000));
    key_tap(server.display, XK_space);
    EXPECT_TRUE(wait_until([&] { return !client_area(x, y); }, 20000)) << "the monitor did not end";
}

TEST_F(Installer, FeederShortcutConvertsTheDecodersAllTxtAndListens) {
    installed_or_skip();
    fs::path decoder = local / "WSJT-X";
    fs::create_directories(decoder);
    std::string records;
    std::ofstream(decoder / "ALL.TXT", std::ios::binary) << all_txt(records);
    start_shortcut("Skerrow feeder.lnk");
    const std::string expected = "skerrow-feed spot log\r\n" + records;
    EXPECT_TRUE(wait_until([&] { return file_text(folder() / "spots.log") == expected; }, 30000))
        << file_text(folder() / "spots.log").substr(0, 400);
    // Started with a console of its own, it let it go and says in its log
    // file what it does, with the two paths it took by default and the
    // decoders' address it listens on.
    const std::string says = "skerrow-feed: keeping " + windows_folder() + "\\spots.log from " +
                             windows_variable("LOCALAPPDATA") + "\\WSJT-X and datagrams on 127.0.0.1:2237\r\n";  // CR LF
    EXPECT_TRUE(wait_until([&] { return file_text(folder() / "skerrow-feed.log") == says; }, 10000))
        << "skerrow-feed.log: " << file_text(folder() / "skerrow-feed.log");
    EXPECT_EQ(run({"taskkill", "/F", "/IM", "skerrow-feed.exe"}), 0);
    fs::remove_all(decoder);
}

TEST_F(Installer, SetupFileShortcutOpensItInNotepadAndReinstallKeepsIt) {
    installed_or_skip();
    start_shortcut("Skerrow setup file.lnk");
    EXPECT_TRUE(wait_until([&] { return window_titled("Skerrow020.SET - Notepad") != 0; }, 20000));
    EXPECT_EQ(run({"taskkill", "/F", "/IM", "notepad.exe"}), 0);
    // The user's edits, and the feeder's log, survive an installation over this one.
    std::ofstream(folder() / "Skerrow020.SET", std::ios::binary) << "\"spots.log\"\r\nN\r\nMYCALL\r\n";
    std::string log = file_text(folder() / "spots.log");
    ASSERT_EQ(run({"Z:" + setup, "/S"}), 0);
    EXPECT_EQ(file_text(folder() / "Skerrow020.SET"), "\"spots.log\"\r\nN\r\nMYCALL\r\n");
    EXPECT_EQ(file_text(folder() / "spots.log"), log);
}

TEST_F(Installer, SilentUninstallRemovesTheProgramAndKeepsTheUsersFiles) {
    installed_or_skip();
    run({"taskkill", "/F", "/IM", "skerrow.exe"});
    std::string setup_before = file_text(folder() / "Skerrow020.SET"), log_before = file_text(folder() / "spots.log");
    ASSERT_EQ(run({windows_folder() + "\\uninstall.exe", "/S"}), 0);
    // The uninstaller runs on from a copy of itself in the temporary folder.
    EXPECT_TRUE(wait_until([&] { return !fs::exists(folder() / "uninstall.exe"); }, 30000));
    for (const char* name : program_files) EXPECT_FALSE(fs::exists(folder() / name)) << name;
    EXPECT_FALSE(fs::exists(folder() / "skerrow-feed.log"));
    EXPECT_FALSE(fs::exists(menu()));
    EXPECT_EQ(file_text(folder() / "Skerrow020.SET"), setup_before);
    EXPECT_EQ(file_text(folder() / "spots.log"), log_before);
}

}  // namespace
