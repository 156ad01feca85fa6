#include "files/file_table.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "files/file_layer.h"
#include "tests/files/files_fixture.h"

namespace {

TEST_F(FilesTest, AMissingFileRaises53AndLeavesTheNumberFree) {
    open_input("Skerrow020.SET");
    EXPECT_EQ(raised_errors(), std::vector<int>{53});
    EXPECT_EQ(file_slot_of(1), -1);
    reset_errors();
    file_close(1, file_number_passed);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, AMissingDirectoryRaises76) {
    file_open(string_from_cstring(path("nowhere/x.log").c_str()), file_mode_input, 0, 0, 1, 0, 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{76});
}

TEST_F(FilesTest, OpeningANumberTwiceRaises55AndBadNumbers52) {
    write("a", "x");
    open_input("a");
    open_input("a");
    EXPECT_EQ(raised_errors(), std::vector<int>{55});
    reset_errors();
    open_input("a", 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{52});
}

// POSIX's files; file_layer_win32_test.cpp has Windows's.
#ifndef _WIN32
TEST_F(FilesTest, AccessRefusedRaises70) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads everything";
    write("secret", "x");
    std::filesystem::permissions(path("secret"), std::filesystem::perms::none);
    open_input("secret");
    EXPECT_EQ(raised_errors(), std::vector<int>{70});
}

TEST_F(FilesTest, ADirectoryCannotBeOpenedForInput) {
    std::filesystem::create_directory(path("dir"));
    open_input("dir");
    EXPECT_EQ(raised_errors(), std::vector<int>{75}) << "input reads regular files only";
}

TEST_F(FilesTest, InputRefusesDevicesAndFifosWithoutBlockingOtherModesOpenThem) {
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    expect_input_refused_output_opens({path("fifo"), "/dev/zero"}, "/dev/null");
}
#endif

TEST_F(FilesTest, NamesIgnoreCaseWhenTheExactNameIsMissingAndTakeBackslashes) {
    std::filesystem::create_directory(path("Logs"));
    write("Logs/Skerrow020.SET", "spots.log\r\n");
    file_open(string_from_cstring((folder + "\\LOGS\\Skerrow020.set").c_str()), file_mode_input, 0, 0, 1, 0, 0);
    EXPECT_TRUE(raised_errors().empty());
    EXPECT_EQ(next_string(), "spots.log");
    write("Logs/skerrow020.set", "exact\r\n");  // an exact match always wins
    file_open(string_from_cstring(path("Logs/skerrow020.set").c_str()), file_mode_input, 0, 0, 2, 0, 0);
    EXPECT_EQ(next_string(2), "exact");
}

TEST_F(FilesTest, OutputTruncatesAppendAddsAtTheEnd) {
    write("out", "old contents");
    file_open(string_from_cstring(path("out").c_str()), file_mode_output, 0, 0, 3, 0, 0);
    EXPECT_EQ(read("out"), "");
    int32_t slot = file_slot_of(3);
    layer_write(slot, reinterpret_cast<const uint8_t*>("ab"), 2);
    file_close(3, file_number_passed);
    file_open(string_from_cstring(path("out").c_str()), file_mode_append, 0, 0, 3, 0, 0);
    layer_write(file_slot_of(3), reinterpret_cast<const uint8_t*>("cd"), 2);
    file_close(3, file_number_passed);
    EXPECT_EQ(read("out"), "abcd");
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, RandomModeHasARecordBufferAndChecksTheLength) {
    file_open(string_from_cstring(path("r").c_str()), file_mode_random, 0, 0, 4, 0, 0);
    FileSlot* s = layer_slot(file_slot_of(4));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->record_length, 128u);
    EXPECT_EQ(s->record_buffer[127], 0);
    file_open(string_from_cstring(path("r2").c_str()), file_mode_random, 0, 0, 5, 0, file_record_length_passed);
    EXPECT_EQ(raised_errors(), std::vector<int>{5});
    EXPECT_EQ(file_slot_of(5), -1);
}

TEST_F(FilesTest, LettersChooseTheMode) {
    write("in", "x");
    file_open_lettered(string_from_cstring("i"), 6, string_from_cstring(path("in").c_str()), 0, 0);
    EXPECT_EQ(layer_slot(file_slot_of(6))->mode, file_mode_input);
    file_open_lettered(string_from_cstring("Q"), 7, string_from_cstring(path("in").c_str()), 0, 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{54});
}

TEST_F(FilesTest, LocksRefuseASecondOpenThatConflicts) {
    write("locked", "x");
    file_open(string_from_cstring(path("locked").c_str()), file_mode_binary, 0, 2, 1, 0, 0);
    open_input("locked", 2);
    EXPECT_EQ(raised_errors(), std::vector<int>{70});
}

TEST_F(FilesTest, SerialPortNamesAreUnavailable) {
    file_open(string_from_cstring("COM1:9600,N,8,1"), file_mode_random, 0, 0, 1, 0, 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{68});
}

TEST_F(FilesTest, CloseAllClosesEveryNumber) {
    write("a", "x");
    open_input("a", 1);
    open_input("a", 9);
    file_close(0, 0);
    EXPECT_EQ(file_slot_of(1), -1);
    EXPECT_EQ(file_slot_of(9), -1);
}

}  // namespace
