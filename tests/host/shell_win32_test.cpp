// Child processes through ShellExecuteExA and CreateProcessA, under Wine:
// parameters reach the program, exit codes come back from the wait, and
// nothing starts for what names no program.
#include "host/shell_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

TEST(ShellWin32, TheInterpreterRunsThroughBothLaunchesAndItsExitCodeComesBack) {
    EXPECT_TRUE(win32_interpreter_available());
    EXPECT_EQ(win32_shell_wait(win32_shell_launch("cmd", " /c exit 7", false)), 7);
    EXPECT_EQ(win32_shell_wait(win32_shell_launch("cmd", " /c exit 5", true)), 5);
    EXPECT_EQ(win32_shell_wait(win32_process_start("cmd.exe /c exit 3", CREATE_NO_WINDOW)), 3);
    const char* file = "skerrow-shell-win32.txt";
    std::remove(file);
    EXPECT_EQ(win32_shell_wait(win32_shell_launch("cmd", std::string(" /c echo started> ") + file, true)), 0);
    std::stringstream written;
    written << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(written.str(), "started\r\n");
    std::remove(file);
}

TEST(ShellWin32, NothingStartsForWhatNamesNoProgramAndUnknownChildrenAreNotWaitedFor) {
    EXPECT_EQ(win32_shell_launch("skerrow-no-such-program", "", false), -1);
    // The monitor's whole command as one file name: the first attempt, which fails.
    EXPECT_EQ(win32_shell_launch("CMD /C start notepad Skerrow020.set", "", false), -1);
    EXPECT_EQ(win32_process_start("skerrow-no-such-program.exe", CREATE_NO_WINDOW), -1);
    EXPECT_EQ(win32_shell_wait(-1), -1);
    EXPECT_EQ(win32_shell_wait(12345), -1);
    int child = win32_process_start("cmd.exe /c exit 0", CREATE_NO_WINDOW);
    ASSERT_GE(child, 0);
    win32_shell_release(child);
    EXPECT_EQ(win32_shell_wait(child), -1);
}

}  // namespace
