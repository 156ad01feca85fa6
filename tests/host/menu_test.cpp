// The window menu of the real monitor under Xvfb, with recording stand-ins
// for the desktop's text editor and opener.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/file_text.h"
#include "tests/support/gui_fixture.h"

namespace {

namespace fs = std::filesystem;

int line_count(const std::string& path) {
    std::string all = file_text(path);
    return int(std::count(all.begin(), all.end(), '\n'));
}

// Children of `pid` that are still running.
int children_of(pid_t pid) {
    int n = 0;
    std::string list = file_text("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (char c : list) n += c == ' ';
    return n;
}

class MenuTest : public GuiTest {
protected:
    MenuTest() : GuiTest(SKERROW_EXE) {}
    void SetUp() override {
        GuiTest::SetUp();
        fs::path built = fs::path(SKERROW_EXE).parent_path();
        for (const char* f : {"skerrow-cmd", "SkerrowHelp.htm", "Skerrow020.SET", "spots.log"})
            fs::copy_file(built / f, fs::path(folder.path) / f);
        fs::create_directory(folder.path + "/bin");
        // The editor records its file and stays open until told to close.
        write_script("editor", "echo \"$@\" >> '" + folder.path + "/edited.log'\n"
                               "for i in $(seq 200); do [ -e '" + folder.path + "/release' ] && exit 0; sleep 0.1; done\n");
        write_script("bin/xdg-open", "echo \"$@\" >> '" + folder.path + "/opened.log'\n");
    }
    void TearDown() override {
        run_folder_write(folder, "release", "");
        program_kill(program);
        wait_until([&] { return !fs::exists(folder.path + "/edited.log") || editor_gone(); }, 5000);
        GuiTest::TearDown();
    }
    void write_script(const std::string& name, const std::string& body) {
        run_folder_write(folder, name, "#!/bin/sh\n" + body);
        fs::permissions(folder.path + "/" + name, fs::perms::owner_all);
    }
    bool editor_gone() { return std::system(("pgrep -f '" + folder.path + "/editor' > /dev/null").c_str()) != 0; }
    void start() {
        std::string path = folder.path + "/bin:/usr/bin:/bin";
        program = program_start(server, folder.exe, folder.path, {},
                                {"PATH=" + path, "SKERROW_EDITOR=" + folder.path + "/editor"});
        window = window_wait(server.display, program.pid, "Orvane Skerrow", 15000);
        ASSERT_NE(window, 0u) << program_stderr(program);
        // The menu bar sits above the 640 x 480 screen.
        ASSERT_TRUE(sized(window, 640, 500, 10000)) << "no menu bar";
    }
    Window window = 0;
};

TEST_F(MenuTest, EachClickRunsItsCommandOnceAndOnlyTheInterpreterHoldsTheMonitor) {
    start();
    pointer_click(server.display, window, 20, 10);  // "Edit setup file"
    ASSERT_TRUE(wait_until([&] { return line_count(folder.path + "/edited.log") == 1; }, 10000)) << program_stderr(program);
    EXPECT_NE(file_text(folder.path + "/edited.log").find("Skerrow020.SET"), std::string::npos)
        << "the setup file, found whatever the case of its name";
    // The editor stays open; the interpreter that started it has ended.
    EXPECT_TRUE(wait_until([&] { return children_of(program.pid) == 0; }, 5000));
    EXPECT_FALSE(editor_gone());

    pointer_click(server.display, window, 150, 10);  // "Help", while the editor is still open
    ASSERT_TRUE(wait_until([&] { return line_count(folder.path + "/opened.log") == 1; }, 10000)) << program_stderr(program);
    EXPECT_NE(file_text(folder.path + "/opened.log").find("SkerrowHelp.htm"), std::string::npos);

    pointer_click(server.display, window, 150, 10);  // and Help again
    ASSERT_TRUE(wait_until([&] { return line_count(folder.path + "/opened.log") == 2; }, 10000));
    EXPECT_EQ(line_count(folder.path + "/edited.log"), 1) << "one click, one editor";
    EXPECT_FALSE(program_poll(program)) << program_stderr(program);
}

}  // namespace
