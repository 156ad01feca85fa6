#include "files/field_input.h"

#include <random>

#include "files/file_layer.h"
#include "tests/files/files_fixture.h"
#include "text/fast_path.h"

namespace {

uint64_t position_of(int32_t number) { return layer_slot(file_slot_of(number))->position; }

TEST_F(FilesTest, ARecordLineWithCrLf) {
    write("log", "W1AW,14.074,12:34:56,-12,-45\r\nK1JT,x,00:00:00,3,-20\r\n");
    open_input("log");
    EXPECT_EQ(next_string(), "W1AW");
    EXPECT_EQ(next_string(), "14.074");
    EXPECT_EQ(next_string(), "12:34:56");
    EXPECT_EQ(next_single(), -12.0f);
    EXPECT_EQ(next_single(), -45.0f);
    EXPECT_EQ(position_of(1), 30u);
    EXPECT_EQ(file_eof(1), 0);
    EXPECT_EQ(next_string(), "K1JT");
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, ALogEndingInCrLfIsAtItsEndRightAfterTheLastRecord) {
    write("log", "header\r\nW1AW,a,01:02:03,5,-30\r\n");
    open_input("log");
    next_string();
    for (int i = 0; i < 3; i++) next_string();
    next_single();
    next_single();
    EXPECT_EQ(file_eof(1), -1);
}

TEST_F(FilesTest, AnExtraEmptyLastLineReadsAsAnEmptyFieldThen62) {
    write("log", "W1AW,a,01:02:03,5,-30\r\n\r\n");
    open_input("log");
    for (int i = 0; i < 3; i++) next_string();
    next_single();
    next_single();
    EXPECT_EQ(file_eof(1), 0);
    EXPECT_EQ(next_string(), "");
    EXPECT_TRUE(raised_errors().empty());
    StringValue* v = string_new(0, true);
    string_assign(v, string_from_cstring("old"));
    file_input_string(1, v);
    EXPECT_EQ(v->length, 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{62});
}

TEST_F(FilesTest, LineEndsOfEveryKindCountOnce) {
    write("f", "a\rb\nc\r\nd\n\re");
    open_input("f");
    for (const char* expected : {"a", "b", "c", "d", "e"}) EXPECT_EQ(next_string(), expected);
    EXPECT_EQ(file_eof(1), -1);
}

TEST_F(FilesTest, StringFieldsTrimUnquotedTextAndKeepQuotedText) {
    write("f", " \t W1AW \t ,\" a, b \" junk ,\"two\nlines\"\r\n,\"open");
    open_input("f");
    EXPECT_EQ(next_string(), "W1AW");
    EXPECT_EQ(next_string(), " a, b ");
    EXPECT_EQ(next_string(), "two\nlines");
    EXPECT_EQ(next_string(), "");
    EXPECT_EQ(next_string(), "open");
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, NumericFields) {
    write("f", "1.5E+3,.05,&H1F,12abc,12 34,&o17, -0 ,1d2\r\n");
    open_input("f");
    EXPECT_EQ(next_single(), 1500.0f);
    EXPECT_EQ(next_single(), 0.05f);
    EXPECT_EQ(next_single(), 31.0f);
    EXPECT_EQ(next_single(), 12.0f);
    EXPECT_EQ(next_single(), 12.0f);
    EXPECT_EQ(next_single(), 34.0f);
    EXPECT_EQ(next_single(), 15.0f);
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(next_single(), 100.0f);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, ANumberAfterATabIsZeroAndItsDigitsAreDropped) {
    write("f", "\t42,7");
    open_input("f");
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(next_single(), 7.0f);
}

TEST_F(FilesTest, TooLargeForASingleRaisesSix) {
    write("f", "5E39,3");
    open_input("f");
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
    reset_errors();
    EXPECT_EQ(next_single(), 3.0f);  // the rest of the field was skipped
    write("g", "1.8E308,2");
    open_input("g", 2);
    EXPECT_EQ(file_input_single(2, type_double), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
}

TEST_F(FilesTest, AnEmptyNumericFieldIsZero) {
    write("f", ",,5");
    open_input("f");
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(next_single(), 5.0f);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, IntegerTypesRoundAndCheckTheirRange) {
    write("f", "2.5,3.5,40000,&HFFFF,-1");
    open_input("f");
    EXPECT_EQ(file_input_single(1, 16), 2);
    EXPECT_EQ(file_input_single(1, 16), 4);
    EXPECT_EQ(file_input_single(1, 16), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
    reset_errors();
    EXPECT_EQ(file_input_single(1, 16), -1);  // top bit of the width set: two's complement
    EXPECT_EQ(file_input_single(1, type_unsigned | 16), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
}

TEST_F(FilesTest, ByteTwentySixEndsTheInputForGood) {
    write("f", "A,B\x1a" "C,D");
    open_input("f");
    EXPECT_EQ(next_string(), "A");
    EXPECT_EQ(next_string(), "B");
    EXPECT_EQ(file_eof(1), -1);
    uint64_t at = position_of(1);
    next_string();
    EXPECT_EQ(raised_errors(), std::vector<int>{62});
    EXPECT_EQ(position_of(1), at);
    reset_errors();
    write("g", "\x1a" "abc");
    open_input("g", 2);
    EXPECT_EQ(file_eof(2), -1);
}

TEST_F(FilesTest, AnEmptyFileIsAtItsEndAndReadingRaises62) {
    write("f", "");
    open_input("f");
    EXPECT_TRUE(raised_errors().empty());
    EXPECT_EQ(file_eof(1), -1);
    next_string();
    EXPECT_EQ(raised_errors(), std::vector<int>{62});
}

TEST_F(FilesTest, BytesAppendedWhileReadingAreSeen) {
    write("log", "head\r\nW1AW,a,01:00:00,1,-2\r\n");
    open_input("log");
    for (int i = 0; i < 4; i++) next_string();
    next_single();
    next_single();
    EXPECT_EQ(file_eof(1), -1);
    append("log", "K1JT,b,02:00:00,3,-4\r\n");
    EXPECT_EQ(file_eof(1), 0);
    EXPECT_EQ(next_string(), "K1JT");
    append("log", "XX");  // half a field: what is there is read
    for (int i = 0; i < 2; i++) next_string();
    EXPECT_EQ(next_single(), 3.0f);
    EXPECT_EQ(next_single(), -4.0f);
    EXPECT_EQ(next_string(), "XX");
}

TEST_F(FilesTest, AFileTruncatedBetweenReadsIsReadAsItNowIsOnceTheBufferedBytesAreUsedUp) {
    for (bool fast : {false, true}) {
        fast_path = fast;
        write("log", "aaaa,bbbb,cccc,dddd\r\n");
        open_input("log");
        EXPECT_EQ(next_string(), "aaaa");
        write("log", "zzzzzyy\r\n");  // same file, new contents
        if (fast) {
            EXPECT_EQ(next_string(), "bbbb") << "the bytes buffered before";
            EXPECT_EQ(file_eof(1), 0);
            EXPECT_EQ(next_string(), "cccc");
            EXPECT_EQ(next_string(), "dddd");
        } else {
            EXPECT_EQ(next_string(), "yy") << "one read per byte";
        }
        EXPECT_EQ(file_eof(1), -1);
        file_close(1, file_number_passed);
    }
    fast_path = true;
}

TEST_F(FilesTest, NumbersReadAlikeOnBothPaths) {
    std::mt19937 rng(5);
    std::string text;
    for (int i = 0; i < 3000; i++) {
        std::string digits = std::to_string(rng() % 1000000000000000ull);
        digits.resize(1 + rng() % digits.size());
        if (rng() % 2) digits.insert(rng() % digits.size(), ".");
        text += (rng() % 3 ? "" : "-") + digits + (rng() % 2 ? "E" + std::to_string(int(rng() % 60) - 30) : "") + ",";
    }
    write("f", text);
    std::vector<long double> read[2];
    for (bool fast : {false, true}) {
        fast_path = fast;
        open_input("f");
        for (int i = 0; i < 3000; i++) read[fast].push_back(file_input_single(1, type_double));
        file_close(1, file_number_passed);
    }
    fast_path = true;
    EXPECT_TRUE(read[0] == read[1]);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, ReadingChecksNumberModeAndDirection) {
    file_input_string(1, string_new(0, true));
    EXPECT_EQ(raised_errors(), std::vector<int>{52});
    reset_errors();
    file_open(string_from_cstring(path("o").c_str()), file_mode_output, 0, 0, 2, 0, 0);
    next_single(2);
    EXPECT_EQ(raised_errors(), std::vector<int>{54});
    reset_errors();
    EXPECT_EQ(file_eof(7), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{52});
}

TEST_F(FilesTest, NulBytesAreNotData) {
    const char bytes[] = "A\0\0B,\0 C\r\0\0\n\0\0\0D,1\0\0" "2\r\n\0\0\0\0";
    write("f", std::string(bytes, sizeof bytes - 1));
    open_input("f");
    EXPECT_EQ(next_string(), "AB");
    EXPECT_EQ(next_string(), "C") << "NULs inside a line end leave one line end";
    EXPECT_EQ(next_string(), "D");
    EXPECT_EQ(next_single(), 12.0f);
    uint64_t at = position_of(1);
    EXPECT_EQ(file_eof(1), -1) << "nothing but NULs left is the end";
    EXPECT_EQ(position_of(1), at);
    append("f", "E");
    EXPECT_EQ(file_eof(1), 0);
    EXPECT_EQ(next_string(), "E");
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, AfterAnOverflowTheStatementsOtherFieldsArePassedOver) {
    write("f", "W1AW,1e40,\"a,b\",5E39,-7\r\nNEXT,3");
    open_input("f");
    StringValue* v = string_new(0, true);
    string_assign(v, string_from_cstring("old"));
    next_string();
    next_single();
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
    file_input_string(1, v);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(v->data), 3), "old") << "nothing stored";
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(next_single(), 0.0f);
    EXPECT_EQ(raised_errors(), std::vector<int>{6}) << "nothing raised";
    file_input_end();
    uint64_t at = position_of(1);
    next_string();
    EXPECT_EQ(position_of(1), at) << "the statement has ended: reads do nothing again";
    error_pending = 0;
    EXPECT_EQ(next_string(), "NEXT");
    error_pending = 6;  // an overflow that field input did not raise
    next_single();
    EXPECT_EQ(position_of(1), at + 5);
}

TEST_F(FilesTest, AFieldPastTheLimitIsCutAndTheRestPassedOver) {
    std::string huge(3 * field_length_limit, 'x');
    write("f", huge + ",\"" + huge + "\",next");
    open_input("f");
    EXPECT_EQ(next_string(), huge.substr(0, field_length_limit));
    EXPECT_EQ(next_string(), huge.substr(0, field_length_limit));
    EXPECT_EQ(next_string(), "next");
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(FilesTest, AnErrorPendingMakesTheReadersDoNothing) {
    write("f", "abc,1");
    open_input("f");
    error_pending = 5;
    StringValue* v = string_new(0, true);
    file_input_string(1, v);
    EXPECT_EQ(file_input_single(1, type_single), 0);
    error_pending = 0;
    EXPECT_EQ(position_of(1), 0u);
}

}  // namespace
