// Child processes through ShellExecuteExA and CreateProcessA, under Wine:
// parameters reach the program, exit codes come back from the wait, and
// nothing starts for what names no program.
#include "host/shell_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/shell_win32.h"

namespace {

TEST(ShellWin32, TheInterpreterRunsThroughBothLaunchesAndItsExitCodeComesBack) {
    EXPECT_TRUE(shell_win32_interpreter_available());
    EXPECT_EQ(shell_system_wait(shell_system_launch("cmd", " /c exit 7", false)), 7);
    EXPECT_EQ(shell_system_wait(shell_system_launch("cmd", " /c exit 5", true)), 5);
    EXPECT_EQ(shell_system_wait(shell_win32_process_start("cmd.exe /c exit 3", CREATE_NO_WINDOW)), 3);
    const char* file = "skerrow-shell-win32.txt";
    std::remove(file);
    EXPECT_EQ(shell_system_wait(shell_system_launch("cmd", std::string(" /c echo started> ") + file, true)), 0);
    std::stringstream written;
    written << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(written.str(), "started\r\n");
    std::remove(file);
}

TEST(ShellWin32, NothingStartsForWhatNamesNoProgramAndUnknownChildrenAreNotWaitedFor) {
    EXPECT_EQ(shell_system_launch("skerrow-no-such-program", "", false), -1);
    // The monitor's whole command as one file name: the first attempt, which fails.
    EXPECT_EQ(shell_system_launch("CMD /C start notepad Skerrow020.set", "", false), -1);
    EXPECT_EQ(shell_win32_process_start("skerrow-no-such-program.exe", CREATE_NO_WINDOW), -1);
    EXPECT_EQ(shell_system_wait(-1), -1);
    EXPECT_EQ(shell_system_wait(12345), -1);
    int child = shell_win32_process_start("cmd.exe /c exit 0", CREATE_NO_WINDOW);
    ASSERT_GE(child, 0);
    shell_win32_release(child);
    EXPECT_EQ(shell_system_wait(child), -1);
}

}  // namespace
