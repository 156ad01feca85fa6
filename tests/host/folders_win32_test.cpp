// Where things lie on Win32, under Wine: the cut of the module path, the
// executable's folder, and folders made with their parents.
#include "host/folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "host/folders_win32.h"

namespace {

TEST(FoldersWin32, ModuleFolderIsCutAtTheLastSlashOrAfterADriveColon) {
    EXPECT_EQ(module_folder("C:\\Program Files\\Skerrow\\skerrow.exe"), "C:\\Program Files\\Skerrow");
    EXPECT_EQ(module_folder("C:/Skerrow/skerrow.exe"), "C:/Skerrow");
    EXPECT_EQ(module_folder("D:skerrow.exe"), "D:");
    EXPECT_EQ(module_folder("\\\\server\\share\\skerrow.exe"), "\\\\server\\share");
    EXPECT_EQ(module_folder("skerrow.exe"), "");
}

TEST(FoldersWin32, TheExecutablesFolderAndFoldersMadeWithTheirParents) {
    char module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    EXPECT_EQ(executable_folder(), module_folder(module));
    EXPECT_TRUE(folder_exists(executable_folder()));
    EXPECT_TRUE(file_exists(module));
    EXPECT_FALSE(file_exists(executable_folder()));
    char temporary[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temporary), 0u);
    std::string top = std::string(temporary) + "skerrow-folders-" + std::to_string(GetCurrentProcessId());
    EXPECT_TRUE(folder_make(top + "\\a/b"));
    EXPECT_TRUE(folder_exists(top + "\\a\\b"));
    EXPECT_TRUE(RemoveDirectoryA((top + "\\a\\b").c_str()));
    EXPECT_TRUE(RemoveDirectoryA((top + "\\a").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(top.c_str()));
}

}  // namespace
