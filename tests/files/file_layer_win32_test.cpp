// The file layer over CreateFileA, under Wine: the locks reach the system as
// share modes, a file held without sharing is refused with 70, and input
// refuses devices and folders (75) while output writes to a device.
#include "files/file_layer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "files/file_table.h"
#include "tests/files/files_fixture.h"

namespace {

HANDLE raw_open(const std::string& path, DWORD access, DWORD share) {
    return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(FilesTest, LocksAreTheSystemsShareModesAndAFileHeldWithoutSharingRaises70) {
    write("locked", "x");
    file_open(string_from_cstring(path("locked").c_str()), file_mode_binary, 0, 4, 1, 0, 0);  // lock write
    ASSERT_TRUE(raised_errors().empty());
    HANDLE reader = raw_open(path("locked"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading stays shared";
    CloseHandle(reader);
    EXPECT_EQ(raw_open(path("locked"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    file_close(1, file_number_passed);

    write("held", "x");
    HANDLE holder = raw_open(path("held"), GENERIC_READ, 0);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    open_input("held");
    EXPECT_EQ(raised_errors(), std::vector<int>{70});
    EXPECT_EQ(file_slot_of(1), -1);
    CloseHandle(holder);
    reset_errors();
    open_input("held");
    EXPECT_TRUE(raised_errors().empty());
    EXPECT_EQ(next_string(), "x");
}

TEST_F(FilesTest, InputRefusesDevicesAndFoldersOutputWritesToADevice) {
    std::filesystem::create_directory(path("dir"));
    expect_input_refused_output_opens({"NUL", path("dir")}, "NUL");
    EXPECT_EQ(layer_write(file_slot_of(1), reinterpret_cast<const uint8_t*>("ab"), 2), 0);
}

}  // namespace
