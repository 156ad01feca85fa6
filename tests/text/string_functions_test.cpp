#include "text/string_functions.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_fixture.h"

namespace {

using StringFunctionsTest = TextTest;

TEST_F(StringFunctionsTest, PiecesOfASpotTime) {
    EXPECT_EQ(text_of(left_string(lit("12:34:56"), 2)), "12");
    EXPECT_EQ(text_of(right_string(lit("12:34:56"), 2)), "56");
    EXPECT_EQ(text_of(mid_string(lit("12:34:56"), 4, 2, mid_length_passed)), "34");
}

TEST_F(StringFunctionsTest, CountsClamp) {
    StringValue* s = lit("ABCDE");
    EXPECT_EQ(left_string(s, 99), s);
    EXPECT_EQ(text_of(left_string(lit("ABC"), -1)), "");
    EXPECT_EQ(text_of(right_string(lit("ABC"), 99)), "ABC");
    EXPECT_EQ(text_of(mid_string(lit("ABCDE"), 0, 3, mid_length_passed)), "AB");
    EXPECT_EQ(text_of(mid_string(lit("ABCDE"), 6, 1, mid_length_passed)), "");
    EXPECT_EQ(text_of(mid_string(lit("ABCDE"), 2, 0, 0)), "BCDE");
    EXPECT_EQ(text_of(mid_string(lit("ABCDE"), 4, 100, mid_length_passed)), "DE");
    EXPECT_EQ(mid_string(s, 1, 5, mid_length_passed), s);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(StringFunctionsTest, MutableTemporariesAreCutInPlaceLiteralsCopied) {
    StringValue* t = string_concat(lit("W1"), lit("AW/P"));
    uint8_t* bytes = t->data;
    StringValue* cut = mid_string(t, 2, 3, mid_length_passed);
    EXPECT_EQ(cut, t);
    EXPECT_EQ(cut->data, bytes + 1);
    EXPECT_EQ(text_of(cut), "1AW");
    StringValue* literal = lit("W1AW");
    StringValue* copy = left_string(literal, 2);
    EXPECT_NE(copy, literal);
    EXPECT_EQ(text_of(literal), "W1AW");
}

TEST_F(StringFunctionsTest, Search) {
    StringValue* abc = lit("ABC");
    EXPECT_EQ(instr_find(0, abc, lit(""), 0), 1);
    EXPECT_EQ(instr_find(0, lit(""), lit(""), 0), 0);
    EXPECT_EQ(instr_find(0, lit(""), lit("A"), 0), 0);
    EXPECT_EQ(instr_find(0, abc, lit("Z"), 0), 0);
    EXPECT_EQ(instr_find(3, abc, lit("BC"), instr_start_passed), 0);
    EXPECT_EQ(instr_find(0, abc, lit("BC"), 0), 2);
    EXPECT_EQ(instr_find(-4, abc, lit(""), instr_start_passed), 0);
    EXPECT_EQ(instr_find(2, lit("ABAB"), lit("AB"), instr_start_passed), 3);
    EXPECT_EQ(instr_find(0, lit("K1ABC W1AW "), lit("W1A"), 0), 7);  // substring rule of the "Other:" list
    EXPECT_EQ(instr_find(0, lit("AAAB"), lit("AAB"), 0), 2);
}

TEST_F(StringFunctionsTest, BuildingAndTrimming) {
    EXPECT_EQ(text_of(chr_string(27)), "\x1b");
    EXPECT_EQ(chr_string(0)->data[0], 0);
    EXPECT_EQ(text_of(space_string(-3)), "");
    EXPECT_EQ(text_of(space_string(4)), "    ");
    EXPECT_EQ(text_of(string_fill(3, 0x141)), "AAA");
    EXPECT_EQ(text_of(ltrim_string(lit("  \tx "))), "\tx ");
    EXPECT_EQ(text_of(rtrim_string(lit(" x\t  "))), " x\t");
    EXPECT_EQ(text_of(rtrim_string(lit("   "))), "");
}

TEST_F(StringFunctionsTest, ChrOutOfRangeRaisesFiveAndGivesEmpty) {
    EXPECT_EQ(text_of(chr_string(256)), "");
    EXPECT_EQ(raised_errors(), std::vector<int>{5});
    reset_errors();
    EXPECT_EQ(text_of(chr_string(-1)), "");
    EXPECT_EQ(raised_errors(), std::vector<int>{5});
}

TEST_F(StringFunctionsTest, MidAssignOverwritesWithoutChangingTheLength) {
    StringValue* d = string_new(0, false);
    string_assign(d, lit("ABCDEF"));
    mid_assign(d, 2, 0, lit("xyz"), 0);
    EXPECT_EQ(text_of(d), "AxyzEF");
    mid_assign(d, 5, 0, lit("12345"), 0);
    EXPECT_EQ(text_of(d), "Axyz12");
    mid_assign(d, -1, 0, lit("abcd"), 0);  // skips "ab"
    EXPECT_EQ(text_of(d), "cdyz12");
    mid_assign(d, 1, 1, lit("QQ"), mid_assign_length_passed);
    EXPECT_EQ(text_of(d), "Qdyz12");
    mid_assign(d, 2, 0, d, 0);  // overlapping source
    EXPECT_EQ(text_of(d), "QQdyz1");
    string_free(d);
}

TEST_F(StringFunctionsTest, AnErrorPendingGivesEmptyResults) {
    error_pending = 52;
    EXPECT_EQ(left_string(lit("ABC"), 2)->length, 0);
    EXPECT_EQ(instr_find(0, lit("ABC"), lit("B"), 0), 0);
    EXPECT_EQ(space_string(5)->length, 0);
    EXPECT_TRUE(raised_errors().empty());
    reset_errors();
}

}  // namespace
