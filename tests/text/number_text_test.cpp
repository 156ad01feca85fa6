#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "tests/text/text_fixture.h"

namespace {

std::string single_text(float x) { return text_of(number_to_string(x)); }
std::string double_text(double x) { return text_of(number_to_string(x)); }

long double number_of(const char* t) { return string_to_number(string_from_cstring(t)); }

using NumberTextTest = TextTest;

TEST_F(NumberTextTest, SingleValues) {
    EXPECT_EQ(single_text(0.0f), " 0");
    EXPECT_EQ(single_text(-0.0f), " 0");
    EXPECT_EQ(single_text(-12.0f), "-12");
    EXPECT_EQ(single_text(0.5f), " .5");
    EXPECT_EQ(single_text(-3.5f), "-3.5");
    EXPECT_EQ(single_text(1234567.0f), " 1234567");
    EXPECT_EQ(single_text(12345678.0f), " 1.234568E+07");
    EXPECT_EQ(single_text(0.0001f), " .0001");
    EXPECT_EQ(single_text(0.00000001f), " 1E-08");
    EXPECT_EQ(single_text(0.1f), " .1");
    EXPECT_EQ(single_text(-4.5e12f), "-4.5E+12");
    EXPECT_EQ(single_text(-0.25f), "-.25");
    EXPECT_EQ(single_text(3e38f), " 3E+38");
    EXPECT_EQ(single_text(1e-40f), " 9.999946E-41");  // the nearest single is subnormal
    EXPECT_EQ(single_text(19.0f), " 19");
    EXPECT_EQ(single_text(-INFINITY), "-INF");
    EXPECT_EQ(single_text(NAN), " NAN");
}

TEST_F(NumberTextTest, DoubleValues) {
    EXPECT_EQ(double_text(0.0), " 0");
    EXPECT_EQ(double_text(0.1), " .1");
    EXPECT_EQ(double_text(-150.0), "-150");
    EXPECT_EQ(double_text(1e16), " 1D+16");
    EXPECT_EQ(double_text(123456789012345.0), " 123456789012345");
    EXPECT_EQ(double_text(1e-300), " 1D-300");
    EXPECT_EQ(double_text(2.0 / 3.0), " .6666666666666666");
    EXPECT_EQ(double_text(0.1 + 0.2), " .3");
    // A 16th significant digit of 9 falls back to 15 digits.
    EXPECT_EQ(double_text(4.954350870919409), " 4.95435087091941");
    EXPECT_EQ(double_text(-4.954350870919409e30), "-4.95435087091941D+30");
}

TEST_F(NumberTextTest, Integers) {
    EXPECT_EQ(text_of(number_to_string(int64_t(0))), " 0");
    EXPECT_EQ(text_of(number_to_string(int64_t(-7))), "-7");
    EXPECT_EQ(text_of(number_to_string(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(text_of(number_to_string_unsigned(UINT64_MAX)), " 18446744073709551615");
}

// An independent reading of the single-precision rule: round to 7 significant
// digits, strip zeros, then choose the plain or exponent form.
std::string model_single(float value) {
    double x = value;
    if (x == 0) return " 0";
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.6e", std::fabs(x));
    std::string mant = std::string(1, digits[0]) + std::string(digits + 2, 6);
    int e = std::atoi(std::strchr(digits, 'e') + 1);
    while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
    int s = int(mant.size());
    std::string sign = value < 0 ? "-" : " ";
    if (e <= 6 && e - s >= -8) {
        std::string body;
        if (e >= 0) {
            body = mant.substr(0, size_t(std::min(s, e + 1)));
            while (int(body.size()) < e + 1) body += '0';
            if (s > e + 1) body += "." + mant.substr(size_t(e + 1));
        } else {
            body = "." + std::string(size_t(-e - 1), '0') + mant;
        }
        return sign + body;
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "%c%0*d", e < 0 ? '-' : '+', std::abs(e) >= 100 ? 3 : 2, std::abs(e));
    return sign + mant.substr(0, 1) + (s > 1 ? "." + mant.substr(1) : "") + "E" + exp;
}

TEST_F(NumberTextTest, SingleSweepAgreesWithAnIndependentFormulation) {
    std::mt19937 rng(7);
    for (int i = 0; i < 200000; i++) {
        uint32_t bits = rng();
        float x;
        std::memcpy(&x, &bits, 4);
        if (!std::isfinite(x)) continue;
        ASSERT_EQ(single_text(x), model_single(x)) << "bits " << bits;
        string_temps_release(mark, 0);
    }
    for (int snr = -40; snr <= 40; snr++) ASSERT_EQ(single_text(float(snr)), model_single(float(snr)));
    for (int i = -2000; i <= 2000; i++) {
        float x = float(i) / 8.0f;
        ASSERT_EQ(single_text(x), model_single(x));
        string_temps_release(mark, 0);
    }
}

TEST_F(NumberTextTest, TextToNumber) {
    EXPECT_EQ(number_of("07"), 7);
    EXPECT_EQ(number_of("00"), 0);
    EXPECT_EQ(number_of("1 2"), 12);
    EXPECT_EQ(number_of("12:"), 12);
    EXPECT_EQ(number_of("-1.5E2"), -150);
    EXPECT_EQ(number_of(".5"), 0.5L);
    EXPECT_EQ(number_of("&H1F"), 31);
    EXPECT_EQ(number_of("&H"), 0);
    EXPECT_EQ(number_of("&HFFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(number_of("&o17"), 15);
    EXPECT_EQ(number_of("&X12"), 0);
    EXPECT_EQ(number_of("abc"), 0);
    EXPECT_EQ(number_of(""), 0);
    EXPECT_EQ(number_of("+-3"), 0);
    EXPECT_EQ(number_of("3-4"), 3);
    EXPECT_EQ(number_of("1.2.3"), 1.2L);
    EXPECT_EQ(number_of("2d3"), 2000);
    EXPECT_EQ(number_of("1e-2"), 0.01L);
    EXPECT_EQ(number_of(".05"), 0.05L);
    EXPECT_EQ(number_of("-0"), 0);
    EXPECT_EQ(number_of("\t-\t4 2"), -42);
    // Whole numbers past the 64-bit accumulator keep their value.
    EXPECT_EQ(number_of("18446744073709551616"), 18446744073709551616.0L);
    EXPECT_EQ(number_of("-100000000000000000000000"), -1e23L);
    EXPECT_TRUE(raised_errors().empty());
}

TEST_F(NumberTextTest, RadixOverflowRaisesSix) {
    EXPECT_EQ(number_of("&H10000000000000000"), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
    reset_errors();
    EXPECT_EQ(number_of("&O1777777777777777777777"), -1);  // 22 digits, first 1: fits
    EXPECT_TRUE(raised_errors().empty());
    EXPECT_EQ(number_of("&O2000000000000000000000"), 0);
    EXPECT_EQ(raised_errors(), std::vector<int>{6});
    reset_errors();
}

TEST_F(NumberTextTest, RoundingIsHalfToEven) {
    EXPECT_EQ(round_to_int(2.5L), 2);
    EXPECT_EQ(round_to_int(3.5L), 4);
    EXPECT_EQ(round_to_int(-0.5L), 0);
    EXPECT_EQ(round_to_int(-2.5L), -2);
    EXPECT_EQ(round_to_int(1.5L), 2);
    EXPECT_EQ(round_to_int(0.5L), 0);
    EXPECT_EQ(round_to_int(-2.6L), -3);
}

}  // namespace
