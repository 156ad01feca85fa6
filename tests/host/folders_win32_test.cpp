// The executable's folder on Win32: the cut of the module path, and the change to it.
#include "host/process_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(ProcessWin32, ModuleFolderIsCutAtTheLastSlashOrAfterADriveColon) {
    EXPECT_EQ(win32_module_folder("C:\\Program Files\\Skerrow\\skerrow.exe"), "C:\\Program Files\\Skerrow");
    EXPECT_EQ(win32_module_folder("C:/Skerrow/skerrow.exe"), "C:/Skerrow");
    EXPECT_EQ(win32_module_folder("D:skerrow.exe"), "D:");
    EXPECT_EQ(win32_module_folder("\\\\server\\share\\skerrow.exe"), "\\\\server\\share");
    EXPECT_EQ(win32_module_folder("skerrow.exe"), "");
}

TEST(ProcessWin32, ChangesToTheExecutablesFolder) {
    char module[MAX_PATH], current[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    ASSERT_TRUE(win32_change_to_executable_folder());
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    EXPECT_EQ(std::string(current), win32_module_folder(module));
}

}  // namespace
