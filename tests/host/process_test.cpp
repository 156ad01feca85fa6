// The process under Xvfb: its window, its folder, its orderly end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "host/process.h"
#include "tests/support/gui_fixture.h"

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

TEST(CommandLine, JoinsTheArgumentsAfterTheProgramNameWithBlanks) {
    char name[] = "skerrow", a[] = "one", b[] = "two words";
    char* none[] = {name, nullptr};
    char* two[] = {name, a, b, nullptr};
    EXPECT_EQ(command_line_build(1, none)->length, 0);
    StringValue* line = command_line_build(3, two);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(line->data), size_t(line->length)), "one two words");
}

}  // namespace
