#include "text/byte_image.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_fixture.h"

namespace {

using ByteImageTest = TextTest;

TEST_F(ByteImageTest, IntegersAreLittleEndianAndRoundTrip) {
    EXPECT_EQ(text_of(bytes_from_int16(0x4142)), "BA");
    EXPECT_EQ(text_of(bytes_from_int32(-2)), std::string("\xfe\xff\xff\xff", 4));
    EXPECT_EQ(bytes_to_int64(bytes_from_int64(-1234567890123LL)), -1234567890123LL);
    EXPECT_EQ(bytes_to_uint16(bytes_from_uint16(65535)), 65535);
    EXPECT_EQ(bytes_to_double(bytes_from_double(-0.1)), -0.1);
    EXPECT_EQ(bytes_to_single(bytes_from_single(3.25f)), 3.25f);
    EXPECT_EQ(bytes_from_extended(1.5L)->length, 32);
    EXPECT_EQ(bytes_to_extended(bytes_from_extended(-1.25L)), -1.25L);
    EXPECT_EQ(bytes_from_bits(0x1FF, 9)->length, 2);
    EXPECT_EQ(bytes_to_bits(bytes_from_bits(0x3FF, 9), 9), 0x1FFu);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(ByteImageTest, ShortStringsRaiseFiveAndGiveZero) {
    EXPECT_EQ(bytes_to_int32(string_from_text("abc", 3)), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{5});
    reset_errors();
    EXPECT_EQ(bytes_to_double(string_from_text("abcdefg", 7)), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{5});
    reset_errors();
}

TEST_F(ByteImageTest, LegacyFloatingFormats) {
    // 1.0 is 0.5 x 2^1: exponent byte 129, mantissa and sign clear.
    EXPECT_EQ(text_of(bytes_from_legacy_single(1.0f)), std::string("\x00\x00\x00\x81", 4));
    EXPECT_EQ(text_of(bytes_from_legacy_single(-1.0f)), std::string("\x00\x00\x80\x81", 4));
    EXPECT_EQ(text_of(bytes_from_legacy_single(0.0f)), std::string(4, '\0'));
    for (float x : {1.0f, -2.75f, 0.1f, 1e30f, -3.4e-38f, 12345.678f})
        EXPECT_EQ(bytes_to_legacy_single(bytes_from_legacy_single(x)), x) << x;
    for (double x : {1.0, -2.75, 0.1, 1e30, 12345.678})
        EXPECT_EQ(bytes_to_legacy_double(bytes_from_legacy_double(x)), x) << x;
    EXPECT_TRUE(raised_errors().empty());
    bytes_from_legacy_single(3e38f);  // beyond the legacy range
    EXPECT_EQ(raised_errors(), std::vector<int>{5});
    reset_errors();
}

TEST_F(ByteImageTest, JustifiedCopiesIntoFixedStrings) {
    uint8_t buffer[6];
    StringValue* f = string_fixed_new(buffer, 6, false);
    fixed_set_left(f, string_from_cstring("AB"));
    EXPECT_EQ(text_of(f), "AB    ");
    fixed_set_right(f, string_from_cstring("AB"));
    EXPECT_EQ(text_of(f), "    AB");
    fixed_set_right(f, string_from_cstring("ABCDEFGH"));
    EXPECT_EQ(text_of(f), "ABCDEF");
    string_free(f);
}

}  // namespace
