// The process under Xvfb: its window, its folder (or why it cannot work in
// the one it is given), its orderly end.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "host/process.h"
#include "tests/support/gui_fixture.h"
#include "tests/support/text_count.h"

namespace {

const char* const title = "Orvane Skerrow V0.20 18/03/18";

class ProcessTest : public GuiTest {
protected:
    ProcessTest() : GuiTest(SKERROW_EXE) {}
};

TEST_F(ProcessTest, WindowAppearsWithTheMonitorsTitleAndClosesWithExitCodeZero) {
    program = program_start(server, folder.exe, "/");
    Window w = window_wait(server.display, program.pid, title, 15000);
    ASSERT_NE(w, 0u) << program_stderr(program);
    EXPECT_EQ(window_title(server.display, w).substr(0, 29), title);
    window_close_request(server.display, w);
    ASSERT_TRUE(program_wait_exit(program, 1000)) << "still running a second after the close request";
    EXPECT_EQ(program.exit_code, 0) << program.stderr_text;
    EXPECT_EQ(program.stderr_text.find("freeglut"), std::string::npos) << program.stderr_text;
}

TEST_F(ProcessTest, RunsInTheExecutablesFolderWhenStartedFromElsewhere) {
    program = program_start(server, folder.exe, "/tmp");
    ASSERT_NE(window_wait(server.display, program.pid, "", 15000), 0u);
    char cwd[PATH_MAX] = {};
    std::string link = "/proc/" + std::to_string(program.pid) + "/cwd";
    ASSERT_GT(readlink(link.c_str(), cwd, sizeof cwd - 1), 0);
    EXPECT_EQ(std::string(cwd), folder.path);
}

TEST_F(ProcessTest, NoDisplaySaysSoInOneLine) {
    XServer none;
    none.display_name = ":9999";
    program = program_start(none, folder.exe, folder.path);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, 1);
    EXPECT_NE(program.stderr_text.find("no X display"), std::string::npos) << program.stderr_text;
}

// A folder the monitor cannot work in, run as a user whom permissions bind.
// "@" stands for the run folder, which holds an installed layout: bin/skerrow
// and share/skerrow/ with the help page.
struct Refusal {
    const char* name;
    std::vector<std::string> args, environment;
    std::string message;  // on standard error once, and in the box
    bool box;             // a wrong option has none: the usage goes to standard error
    bool click;           // the box is answered with a click on OK, else with Return
};

std::string at(std::string text, const std::string& folder) {
    for (size_t i = text.find('@'); i != std::string::npos; i = text.find('@', i + folder.size()))
        text.replace(i, 1, folder);
    return text;
}

TEST_F(ProcessTest, AFolderItCannotUseEndsTheStartWithExitCodeTwoAndOneMessageBeforeAnyWindow) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can run the program as another user";
    namespace fs = std::filesystem;
    const std::string what_to_do = "\nWhat to do: set XDG_CONFIG_HOME to a folder you may write";
    const Refusal cases[] = {
        {"a --dir folder of mode 000", {"--dir", "@/locked"}, {},
         "Skerrow cannot enter the folder @/locked given with --dir: Permission denied.\n", true, false},
        {"XDG_CONFIG_HOME naming a file", {}, {"XDG_CONFIG_HOME=@/file"},
         "Skerrow could not make its folder @/file/skerrow: Not a directory." + what_to_do, true, true},
        {"a read-only config folder", {}, {"XDG_CONFIG_HOME="},
         "Skerrow could not write @/home/.config/skerrow/Skerrow020.SET: Permission denied." + what_to_do, true, false},
        {"an empty --dir", {"--dir", ""}, {}, "skerrow: --dir needs a folder, not an empty name\nUsage: skerrow ", false, false},
    };
    run_folder_open_to_all(folder);
    const std::string exe = folder.path + "/bin/skerrow";
    fs::create_directories(folder.path + "/share/skerrow");
    run_folder_write(folder, "share/skerrow/SkerrowHelp.htm", "help");
    fs::create_directory(folder.path + "/bin");
    fs::copy_file(folder.exe, exe);
    run_folder_write(folder, "file", "");
    for (const char* mine : {"locked", "home/.config/skerrow"}) {
        fs::create_directories(folder.path + "/" + mine);
        ASSERT_EQ(chown((folder.path + "/" + mine).c_str(), unprivileged_id, unprivileged_id), 0);
    }
    fs::permissions(folder.path + "/locked", fs::perms::none);
    fs::permissions(folder.path + "/home/.config/skerrow", fs::perms::owner_read | fs::perms::owner_exec);

    XServer none;
    none.display_name = ":9999";
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args, environment = {"HOME=" + folder.path + "/home", "XDG_DATA_HOME="};
        for (const std::string& a : c.args) args.push_back(at(a, folder.path));
        for (const std::string& e : c.environment) environment.push_back(at(e, folder.path));
        const std::string message = at(c.message, folder.path);
        // The folder comes before the display: without one the answer is the same.
        program = program_start_unprivileged(none, exe, "/", args, environment);
        ASSERT_TRUE(program_wait_exit(program, 10000));
        EXPECT_EQ(program.exit_code, 2);
        EXPECT_EQ(count(program.stderr_text, message), 1u) << program.stderr_text;
        EXPECT_EQ(program.stderr_text.find("X display"), std::string::npos) << program.stderr_text;
        program_kill(program);

        program = program_start_unprivileged(server, exe, "/", args, environment);
        if (c.box) {
            Window box = window_wait(server.display, program.pid, "Skerrow", 15000);
            ASSERT_NE(box, 0u) << program_stderr(program);
            EXPECT_TRUE(said(message));
            EXPECT_FALSE(program_poll(program)) << "ended before its box was answered";
            EXPECT_EQ(window_of_pid(server.display, program.pid, "Orvane"), 0u);
            EXPECT_EQ(window_of_pid(server.display, program.pid, "Untitled"), 0u);
            int width = 0, height = 0;
            ASSERT_TRUE(window_size(server.display, box, width, height));
            if (c.click) {
                pointer_click(server.display, box, width - 60, height - 33);
            } else {
                window_focus(server.display, box);
                key_tap(server.display, XK_Return);
            }
        }
        ASSERT_TRUE(program_wait_exit(program, 10000)) << "still running after its box was answered";
        EXPECT_EQ(program.exit_code, 2);
        EXPECT_EQ(count(program.stderr_text, message), 1u) << program.stderr_text;
        EXPECT_EQ(program.stderr_text.find("Unhandled Error"), std::string::npos) << program.stderr_text;
        program_kill(program);
    }
    EXPECT_FALSE(fs::exists(folder.path + "/home/.local")) << "nothing more is made once the folder is refused";
}

TEST(CommandLine, JoinsTheArgumentsAfterTheProgramNameWithBlanks) {
    char name[] = "skerrow", a[] = "one", b[] = "two words";
    char* none[] = {name, nullptr};
    char* two[] = {name, a, b, nullptr};
    EXPECT_EQ(command_line_build(1, none)->length, 0);
    StringValue* line = command_line_build(3, two);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(line->data), size_t(line->length)), "one two words");
}

}  // namespace
