#include "text/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "errors/runtime_error.h"
#include "text/fast_path.h"

namespace {

StringValue* text_result(const char* text, int n) {
    if (error_pending.load()) return string_empty_temporary();
    StringValue* s = string_new(uint32_t(n), true);
    if (s->length == n) std::memcpy(s->data, text, size_t(n));
    return s;
}

// Formats x with `digits` significant digits. Scientific text from printf is
// reduced to its significant digits, then written plainly when the exponent
// allows, else in exponent form with the letter `mark`.
int format_floating(double x, int digits, int plain_max_exponent, int plain_min_gap, char mark,
                    bool nine_rule, char* out) {
    if (std::isnan(x)) return std::snprintf(out, 40, " NAN");
    if (std::isinf(x)) return std::snprintf(out, 40, "%cINF", x < 0 ? '-' : ' ');
    char sci[64];
    std::snprintf(sci, sizeof sci, "% .*E", digits - 1, x);
    // sci: sign position, digit, '.', digits - 1 decimals, 'E', sign, exponent
    if (nine_rule && sci[digits + 1] == '9') {
        std::snprintf(sci, sizeof sci, "% .*E", digits - 2, x);
        size_t at = size_t(digits + 1);  // position of the 'E' in the shorter text
        std::memmove(sci + at + 1, sci + at, std::strlen(sci + at) + 1);
        sci[at] = '0';
    }
    const char* e_pos = std::strchr(sci, 'E');
    int exponent = std::atoi(e_pos + 1);
    int significant = digits;
    for (int i = digits; i >= 2 && sci[i + 1] == '0'; i--) significant--;
    if (significant == 1 && sci[1] == '0') significant = 0;
    if (significant == 0) return std::snprintf(out, 40, " 0");
    int n;
    if (exponent <= plain_max_exponent && exponent - significant >= plain_min_gap) {
        int decimals = significant - exponent - 1;
        if (decimals < 0) decimals = 0;
        n = std::snprintf(out, 40, "% .*f", decimals, x);
        if (out[1] == '0' && n > 2) {
            std::memmove(out + 1, out + 2, size_t(n - 1));
            n--;
        }
        return n;
    }
    n = 0;
    out[n++] = sci[0];
    out[n++] = sci[1];
    if (significant > 1) {
        out[n++] = '.';
        for (int i = 0; i < significant - 1; i++) out[n++] = sci[3 + i];
    }
    int magnitude = std::abs(exponent);
    n += std::snprintf(out + n, 16, "%c%c%0*d", mark, exponent < 0 ? '-' : '+',
                       magnitude >= 100 ? 3 : 2, magnitude);
    return n;
}

}  // namespace

int format_single(float value, char* out) {
    // The short way: a whole number below 10^7 has at most 7 digits, so the
    // rules below print it as the integer itself, a blank or "-" before it.
    if (fast_path && value > -1e7f && value < 1e7f && value == float(int32_t(value))) {
        int32_t whole = int32_t(value);
        uint32_t magnitude = uint32_t(whole < 0 ? -whole : whole);
        char digits[8];
        int count = 0;
        do digits[count++] = char('0' + magnitude % 10), magnitude /= 10;
        while (magnitude != 0);
        int n = 0;
        out[n++] = whole < 0 ? '-' : ' ';
        while (count > 0) out[n++] = digits[--count];
        out[n] = 0;
        return n;
    }
    return format_floating(double(value), 7, 6, -8, 'E', false, out);
}

int format_double(double value, char* out) {
    return format_floating(value, 16, 15, -17, 'D', true, out);
}

StringValue* number_to_string(int64_t value) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "% lld", static_cast<long long>(value));
    return text_result(buf, n);
}

StringValue* number_to_string_unsigned(uint64_t value) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, " %llu", static_cast<unsigned long long>(value));
    return text_result(buf, n);
}

StringValue* number_to_string(float value) {
    char buf[40];
    int n = format_single(value, buf);
    return text_result(buf, n);
}

StringValue* number_to_string(double value) {
    char buf[40];
    int n = format_double(value, buf);
    return text_result(buf, n);
}

namespace {

long double radix_number(const uint8_t* p, const uint8_t* end) {
    int shift = (*p == 'H' || *p == 'h') ? 4 : (*p == 'O' || *p == 'o') ? 3 : 0;
    if (shift == 0) return 0;
    uint64_t value = 0;
    int significant = 0, first = 0;
    for (p++; p < end; p++) {
        if (*p == ' ' || *p == '\t') continue;
        int d;
        if (*p >= '0' && *p <= '9') d = *p - '0';
        else if (shift == 4 && *p >= 'A' && *p <= 'F') d = *p - 'A' + 10;
        else if (shift == 4 && *p >= 'a' && *p <= 'f') d = *p - 'a' + 10;
        else break;
        if (shift == 3 && d > 7) break;
        if (significant == 0 && d == 0) continue;
        if (significant == 0) first = d;
        significant++;
        value = (value << shift) | uint64_t(d);
    }
    bool overflow = shift == 4 ? significant > 16
                               : significant > 22 || (significant == 22 && first >= 2);
    if (overflow) {
        runtime_error(error_overflow);
        return 0;
    }
    return static_cast<long double>(static_cast<int64_t>(value));
}

}  // namespace

long double text_to_number(const uint8_t* p, int32_t length) {
    if (error_pending.load() || length <= 0) return 0;
    if (fast_path && length <= 9) {  // digits alone: the whole number they spell
        uint32_t whole = 0;
        int32_t i = 0;
        while (i < length && uint32_t(p[i] - '0') <= 9) whole = whole * 10 + uint32_t(p[i++] - '0');
        if (i == length) return whole;
    }
    const uint8_t* end = p + length;
    enum { start, integer_part, fraction, exponent_mark, exponent } state = start;
    bool negative = false, exponent_negative = false;
    char digits[1024];
    int stored = 0, integer_digits = 0, fraction_stored = 0;
    int64_t lead_zeros = 0, explicit_exponent = 0;
    int exponent_digits = 0;
    uint64_t accumulated = 0;
    for (; p < end; p++) {
        uint8_t c = *p;
        if (c == ' ' || c == '\t') continue;
        if (state == start && c == '&') {
            if (end - p < 3) return 0;
            return radix_number(p + 1, end);
        }
        if (c == '-' || c == '+') {
            if (state == start) {
                negative = c == '-';
                state = integer_part;
            } else if (state == exponent_mark) {
                exponent_negative = c == '-';
                state = exponent;
            } else {
                break;
            }
        } else if (c == '.') {
            if (state != start && state != integer_part) break;
            state = fraction;
        } else if (c == 'D' || c == 'd' || c == 'E' || c == 'e') {
            if (state == exponent_mark || state == exponent) break;
            state = exponent_mark;
        } else if (c >= '0' && c <= '9') {
            if (state == start) state = integer_part;
            if (state == exponent_mark) state = exponent;
            if (state == integer_part) {
                if (stored == 0 && c == '0') continue;
                if (stored < int(sizeof digits)) digits[stored++] = char(c);
                integer_digits++;
                accumulated = accumulated * 10 + uint64_t(c - '0');
            } else if (state == fraction) {
                if (stored == 0 && c == '0') {
                    lead_zeros++;
                    continue;
                }
                if (stored < int(sizeof digits)) digits[stored++] = char(c);
                fraction_stored++;
            } else {
                if (exponent_digits == 0 && c == '0') continue;
                if (++exponent_digits == 19) break;
                explicit_exponent = explicit_exponent * 10 + (c - '0');
            }
        } else {
            break;
        }
    }
    if (stored == 0) return 0;
    if (exponent_negative) explicit_exponent = -explicit_exponent;
    if (explicit_exponent == 0 && fraction_stored == 0 && integer_digits <= 19) {  // fits the accumulator
        long double v = static_cast<long double>(accumulated);
        return negative ? -v : v;
    }
    char text[1100];
    int n = 0;
    if (negative) text[n++] = '-';
    text[n++] = digits[0];
    text[n++] = '.';
    for (int i = 1; i < stored; i++) text[n++] = digits[i];
    std::snprintf(text + n, sizeof text - size_t(n), "E%lld",
                  static_cast<long long>(integer_digits - 1 - lead_zeros + explicit_exponent));
    return std::strtold(text, nullptr);
}

long double string_to_number(const StringValue* text) {
    return text_to_number(text->data, text->length);
}

int64_t round_to_int(long double value) { return std::llrint(value); }
