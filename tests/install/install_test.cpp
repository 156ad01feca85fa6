// The programs as installed: `cmake --install` into a staging prefix, run from
// there with HOME set to a fresh folder. The first start under Xvfb, a second
// start, --dir, the snapshot, the feeder's defaults, --help and --version,
// the desktop entry, and the Debian package's file list.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/file_text.h"
#include "tests/support/gui_fixture.h"
#include "tests/support/monitor_picture.h"

namespace {

namespace fs = std::filesystem;

std::string in_quotes(const std::string& s) { return "'" + s + "'"; }

struct Ran {
    int code = -1;
    std::string out, err;
};

// Runs a shell command line with its standard output and error captured.
Ran run(const std::string& command) {
    char pattern[] = "/tmp/skerrow-ran-XXXXXX";
    std::string folder = mkdtemp(pattern);
    int status = std::system((command + " > " + folder + "/out 2> " + folder + "/err").c_str());
    Ran r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, file_text(folder + "/out"), file_text(folder + "/err")};
    fs::remove_all(folder);
    return r;
}

std::string prefix;  // the staging prefix of this test process

std::string staged(const std::string& path) { return prefix + "/" + path; }

// The monitor started from the staging prefix; the run folder holds a copy of it.
class Installed : public GuiTest {
protected:
    Installed() : GuiTest(staged("bin/skerrow")) {}
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/skerrow-prefix-XXXXXX";
        prefix = mkdtemp(pattern);
        Ran r = run(std::string("'") + CMAKE_EXE + "' --install '" + BUILD_DIR + "' --prefix " + in_quotes(prefix));
        ASSERT_EQ(r.code, 0) << r.err;
    }
    static void TearDownTestSuite() { fs::remove_all(prefix); }
    void SetUp() override {
        GuiTest::SetUp();
        home = folder.path + "/home";
        fs::create_directory(home);
    }
    // The environment of a user with a fresh home and no XDG variables.
    std::vector<std::string> user() const { return {"HOME=" + home, "XDG_CONFIG_HOME=", "XDG_DATA_HOME="}; }
    std::string user_shell() const { return "HOME=" + in_quotes(home) + " XDG_CONFIG_HOME= XDG_DATA_HOME= "; }
    Window start(const std::string& exe, const std::vector<std::string>& args = {},
                 const std::vector<std::string>& more = {}) {
        std::vector<std::string> environment = user();
        environment.insert(environment.end(), more.begin(), more.end());
        program = program_start(server, exe, "/", args, environment);
        Window w = window_wait(server.display, program.pid, "Orvane Skerrow", 15000);
        EXPECT_NE(w, 0u) << program_stderr(program);
        return w;
    }
    std::string cwd() {
        char path[PATH_MAX] = {};
        std::string link = "/proc/" + std::to_string(program.pid) + "/cwd";
        return readlink(link.c_str(), path, sizeof path - 1) > 0 ? path : "";
    }
    // The installed snapshot's picture: of `dir`, or of the installed monitor's folder.
    std::vector<uint32_t> snapshot(const std::string& dir = "") {
        std::string out = folder.path + "/snap.png";
        std::string option = dir.empty() ? "" : " --dir " + in_quotes(dir);
        return snapshot_picture(user_shell() + in_quotes(staged("bin/skerrow-snapshot")) + option + " " + in_quotes(out), out);
    }
    bool shows(Window w, const std::vector<uint32_t>& expected, int timeout_ms = 30000) {
        return !expected.empty() && wait_until([&] { return monitor_screen(server.display, w) == expected; }, timeout_ms);
    }
    std::string home;
};

TEST_F(Installed, TheFirstStartSetsUpTheUsersFolderAndSaysSoOnceTheSecondStartSaysNothing) {
    const std::string config = home + "/.config/skerrow", log = home + "/.local/share/skerrow/spots.log";
    program = program_start(server, staged("bin/skerrow"), "/", {}, user());
    Window box = window_wait(server.display, program.pid, "Skerrow", 15000);
    ASSERT_NE(box, 0u) << program_stderr(program);
    std::string setup = file_text(config + "/Skerrow020.SET");
    EXPECT_EQ(setup.substr(0, setup.find('\n')), "\"" + log + "\"") << "the feeder's default log, absolute and quoted";
    EXPECT_EQ(file_text(config + "/SkerrowHelp.htm"), file_text(staged("share/skerrow/SkerrowHelp.htm")));
    EXPECT_EQ(file_text(log), "skerrow-feed spot log\r\n");
    EXPECT_NE(program_stderr(program).find("systemctl --user enable --now skerrow-feed"), std::string::npos);
    window_focus(server.display, box);
    key_tap(server.display, XK_Return);

    Window w = window_wait(server.display, program.pid, "Orvane Skerrow", 15000);
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(shows(w, snapshot())) << "the empty plot: " << program_stderr(program);
    EXPECT_EQ(cwd(), config);
    EXPECT_EQ(program_stderr(program).find("Unhandled Error"), std::string::npos) << program_stderr(program);
    window_close_request(server.display, w);
    ASSERT_TRUE(program_wait_exit(program, 5000));

    // The second start, with a recording stand-in for the desktop's opener.
    fs::create_directory(folder.path + "/bin");
    run_folder_write(folder, "bin/xdg-open", "#!/bin/sh\necho \"$(pwd) $@\" >> '" + folder.path + "/opened.log'\n");
    fs::permissions(folder.path + "/bin/xdg-open", fs::perms::owner_all);
    w = start(staged("bin/skerrow"), {}, {"PATH=" + folder.path + "/bin:/usr/bin:/bin"});
    ASSERT_TRUE(shows(w, snapshot())) << program_stderr(program);
    // The box would have come before the monitor's first picture.
    EXPECT_EQ(program_stderr(program).find("Skerrow set up"), std::string::npos) << program_stderr(program);
    EXPECT_EQ(window_of_pid(server.display, program.pid, "Skerrow"), 0u);
    // "Help" goes through the interpreter in libexec/skerrow/ and opens the user's copy.
    pointer_click(server.display, w, 150, 10);
    EXPECT_TRUE(wait_until([&] { return file_text(folder.path + "/opened.log") == config + " SkerrowHelp.htm\n"; }, 10000))
        << file_text(folder.path + "/opened.log") << program_stderr(program);
}

TEST_F(Installed, DirWorksInThatFolderAndMakesNothing) {
    const std::string band = folder.path + "/20m";
    fs::create_directory(band);
    std::ofstream(band + "/Skerrow020.SET") << "spots.log\nN\nW1AW\nK1JT\n\n\n\n\n";
    std::ofstream(band + "/spots.log") << "h\r\nW1AW,x,12:00:00,-5,0\r\nK1JT,x,13:00:00,-15,0\r\n";
    Window w = start(staged("bin/skerrow"), {"--dir", band});
    EXPECT_TRUE(shows(w, snapshot(band))) << program_stderr(program);
    EXPECT_EQ(cwd(), band);
    EXPECT_FALSE(fs::exists(home + "/.config"));
}

TEST_F(Installed, ACopyOutsideThePrefixWorksInItsOwnFolderAsBefore) {
    // No setup file beside the copy: the report of a run folder, and nothing made for the user.
    program = program_start(server, folder.exe, "/", {}, user());
    ASSERT_TRUE(said("Unhandled Error #53: Line:147 File not found", 20000)) << program_stderr(program);
    EXPECT_EQ(cwd(), folder.path);
    EXPECT_FALSE(fs::exists(home + "/.config"));
}

TEST_F(Installed, EveryCommandAnswersHelpAndVersionWithoutADisplay) {
    for (const char* command : {"bin/skerrow", "bin/skerrow-snapshot", "bin/skerrow-feed", "libexec/skerrow/skerrow-cmd"}) {
        std::string exe = "env -u DISPLAY " + in_quotes(staged(command)), name = fs::path(command).filename();
        Ran help = run(exe + " --help"), version = run(exe + " --version");
        EXPECT_EQ(help.code, 0) << name;
        EXPECT_EQ(help.out.rfind("Usage: " + name + " ", 0), 0u) << name << ": " << help.out;
        EXPECT_EQ(help.err, "") << name;
        EXPECT_EQ(version.code, 0) << name;
        EXPECT_EQ(version.out, name + " (Skerrow) 0.20\n");
        if (name == "skerrow-cmd") continue;  // its arguments are a command line, not options
        if (name == "skerrow") {
            EXPECT_EQ(run(exe + " --dir /no/such/folder").code, 2);
        }
        if (name != "skerrow-feed") {  // an empty folder name is no folder
            Ran empty = run(exe + " --dir ''" + (name == "skerrow" ? "" : " out.png"));
            EXPECT_EQ(empty.code, 2) << name;
            EXPECT_NE(empty.err.find("--dir needs a folder, not an empty name\nUsage: " + name), std::string::npos)
                << name << ": " << empty.err;
        }
        Ran wrong = run(exe + " --no-such-option");
        EXPECT_EQ(wrong.code, 2) << name;
        EXPECT_EQ(wrong.out, "") << name;
        EXPECT_NE(wrong.err.find("Usage: " + name), std::string::npos) << name << ": " << wrong.err;
    }
}

TEST_F(Installed, TheFeederReadsTheDecodersFolderAndWritesTheLogTheSetupNames) {
    std::string command = in_quotes(staged("bin/skerrow-feed")) + " --once --day 2019-09-08", feed = user_shell() + command;
    Ran missing = run(feed);
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "skerrow-feed: no decoder folder " + home +
                               "/.local/share/WSJT-X; run the decoder once, or name its folder or files\n");
    fs::create_directories(home + "/.local/share/WSJT-X");
    std::ofstream(home + "/.local/share/WSJT-X/ALL.TXT") << "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n";
    Ran made = run(feed);
    EXPECT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(file_text(home + "/.local/share/skerrow/spots.log"), "skerrow-feed spot log\r\nN1AW,14.0740,05:25:15,-18,\r\n");
    Ran xdg = run(user_shell() + "XDG_DATA_HOME=" + in_quotes(home + "/data") + " " + command);
    EXPECT_EQ(xdg.code, 0) << xdg.err;
    EXPECT_TRUE(fs::exists(home + "/data/skerrow/spots.log"));
}

TEST_F(Installed, TheTreeHoldsEveryPartAndTheDesktopEntryIsValid) {
    for (const char* path : {"bin/skerrow", "bin/skerrow-snapshot", "bin/skerrow-feed", "libexec/skerrow/skerrow-cmd",
                             "share/skerrow/SkerrowHelp.htm", "share/skerrow/demo/Skerrow020.SET",
                             "share/skerrow/demo/spots.log", "share/skerrow/demo/feed-demo.sh",
                             "share/applications/skerrow.desktop", "share/icons/hicolor/16x16/apps/skerrow.png",
                             "share/icons/hicolor/48x48/apps/skerrow.png", "share/icons/hicolor/256x256/apps/skerrow.png",
                             "share/man/man1/skerrow.1", "share/man/man1/skerrow-snapshot.1",
                             "share/man/man1/skerrow-feed.1", "lib/systemd/user/skerrow-feed.service"})
        EXPECT_TRUE(fs::is_regular_file(staged(path))) << path;
    EXPECT_FALSE(fs::exists(staged("bin/skerrow-cmd"))) << "the interpreter is not a command of its own";
    std::vector<uint32_t> icon;
    int32_t w = 0, h = 0;
    EXPECT_TRUE(png_read_rgb(staged("share/icons/hicolor/24x24/apps/skerrow.png"), icon, w, h) && w == 24 && h == 24);
    EXPECT_NE(file_text(staged("lib/systemd/user/skerrow-feed.service")).find("\nExecStart=" + staged("bin/skerrow-feed") + " --follow --udp\n"),
              std::string::npos);
    Ran valid = run("desktop-file-validate " + in_quotes(staged("share/applications/skerrow.desktop")));
    EXPECT_EQ(valid.code, 0) << valid.out << valid.err;
    EXPECT_EQ(valid.out + valid.err, "");
}

TEST(Package, HoldsTheInstalledTreeUnderUsrAndNamesItsLibraries) {
    char pattern[] = "/tmp/skerrow-package-XXXXXX";
    std::string out = mkdtemp(pattern);
    Ran made = run(std::string("cd '") + BUILD_DIR + "' && '" + CPACK_EXE + "' -G DEB -B " + in_quotes(out));
    ASSERT_EQ(made.code, 0) << made.out << made.err;
    std::string deb = out + "/skerrow_0.20_amd64.deb";
    Ran list = run("dpkg-deb -c " + in_quotes(deb)), depends = run("dpkg-deb -f " + in_quotes(deb) + " Depends");
    for (const char* path : {"./usr/bin/skerrow", "./usr/bin/skerrow-snapshot", "./usr/bin/skerrow-feed",
                             "./usr/libexec/skerrow/skerrow-cmd", "./usr/share/skerrow/SkerrowHelp.htm",
                             "./usr/share/skerrow/demo/spots.log", "./usr/share/applications/skerrow.desktop",
                             "./usr/share/icons/hicolor/32x32/apps/skerrow.png", "./usr/share/man/man1/skerrow-feed.1",
                             "./usr/lib/systemd/user/skerrow-feed.service"})
        EXPECT_NE(list.out.find(std::string(path) + "\n"), std::string::npos) << path << "\n" << list.out;
    Ran unit = run("dpkg-deb --fsys-tarfile " + in_quotes(deb) + " | tar -xO ./usr/lib/systemd/user/skerrow-feed.service");
    EXPECT_NE(unit.out.find("\nExecStart=/usr/bin/skerrow-feed --follow --udp\n"), std::string::npos) << unit.out;
    for (const char* library : {"libglut", "libglew", "libpng16", "libx11", "libcurl4"})
        EXPECT_NE(depends.out.find(library), std::string::npos) << library << ": " << depends.out;
    fs::remove_all(out);
}

}  // namespace
