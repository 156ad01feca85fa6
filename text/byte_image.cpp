#include "text/byte_image.h"

#include <cmath>
#include <cstring>

#include "errors/runtime_error.h"

namespace {

StringValue* bytes_of(const void* value, uint32_t n) {
    if (error_pending.load()) return string_empty_temporary();
    StringValue* s = string_new(n, true);
    if (uint32_t(s->length) == n) std::memcpy(s->data, value, n);
    return s;
}

// Copies the first n bytes of s into out; error 5 when s is shorter.
bool bytes_read(const StringValue* s, void* out, uint32_t n) {
    std::memset(out, 0, n);
    if (error_pending.load()) return false;
    if (uint32_t(s->length) < n) {
        runtime_error(error_illegal_function_call);
        return false;
    }
    std::memcpy(out, s->data, n);
    return true;
}

template <typename T>
T read_as(const StringValue* s) {
    T v;
    bytes_read(s, &v, sizeof v);
    return v;
}

}  // namespace

StringValue* bytes_from_int8(int8_t v) { return bytes_of(&v, 1); }
StringValue* bytes_from_int16(int16_t v) { return bytes_of(&v, 2); }
StringValue* bytes_from_int32(int32_t v) { return bytes_of(&v, 4); }
StringValue* bytes_from_int64(int64_t v) { return bytes_of(&v, 8); }
StringValue* bytes_from_uint8(uint8_t v) { return bytes_of(&v, 1); }
StringValue* bytes_from_uint16(uint16_t v) { return bytes_of(&v, 2); }
StringValue* bytes_from_uint32(uint32_t v) { return bytes_of(&v, 4); }
StringValue* bytes_from_uint64(uint64_t v) { return bytes_of(&v, 8); }
StringValue* bytes_from_single(float v) { return bytes_of(&v, 4); }
StringValue* bytes_from_double(double v) { return bytes_of(&v, 8); }

StringValue* bytes_from_extended(long double v) {
    uint8_t buf[32] = {};
    std::memcpy(buf, &v, 10);  // the 80-bit value; the rest stays zero
    return bytes_of(buf, 32);
}

StringValue* bytes_from_bits(uint64_t v, int32_t bits) {
    if (bits < 1) bits = 1;
    if (bits > 64) bits = 64;
    if (bits < 64) v &= (uint64_t(1) << bits) - 1;
    return bytes_of(&v, uint32_t(bits + 7) / 8);
}

int8_t bytes_to_int8(const StringValue* s) { return read_as<int8_t>(s); }
int16_t bytes_to_int16(const StringValue* s) { return read_as<int16_t>(s); }
int32_t bytes_to_int32(const StringValue* s) { return read_as<int32_t>(s); }
int64_t bytes_to_int64(const StringValue* s) { return read_as<int64_t>(s); }
uint8_t bytes_to_uint8(const StringValue* s) { return read_as<uint8_t>(s); }
uint16_t bytes_to_uint16(const StringValue* s) { return read_as<uint16_t>(s); }
uint32_t bytes_to_uint32(const StringValue* s) { return read_as<uint32_t>(s); }
uint64_t bytes_to_uint64(const StringValue* s) { return read_as<uint64_t>(s); }
float bytes_to_single(const StringValue* s) { return read_as<float>(s); }
double bytes_to_double(const StringValue* s) { return read_as<double>(s); }

long double bytes_to_extended(const StringValue* s) {
    uint8_t buf[32];
    if (!bytes_read(s, buf, 32)) return 0;
    long double v = 0;
    std::memcpy(&v, buf, 10);
    return v;
}

uint64_t bytes_to_bits(const StringValue* s, int32_t bits) {
    if (bits < 1) bits = 1;
    if (bits > 64) bits = 64;
    uint64_t v = 0;
    bytes_read(s, &v, uint32_t(bits + 7) / 8);
    if (bits < 64) v &= (uint64_t(1) << bits) - 1;
    return v;
}

// The legacy format holds value = 1.m x 2^(e - 129) with the exponent byte e
// last (0 means zero) and the sign in the top bit of the byte before it.
StringValue* bytes_from_legacy_single(float v) {
    if (error_pending.load()) return string_empty_temporary();
    uint8_t out[4] = {};
    if (v != 0) {
        int e;
        float m = std::frexp(std::fabs(v), &e);  // m in [0.5, 1): v = m x 2^e
        int exponent = e + 128;
        if (!std::isfinite(v) || exponent > 255) {
            runtime_error(error_illegal_function_call);
            return string_empty_temporary();
        }
        if (exponent >= 1) {
            uint32_t mantissa = uint32_t(std::ldexp(m, 24)) & 0x7FFFFF;
            out[0] = uint8_t(mantissa);
            out[1] = uint8_t(mantissa >> 8);
            out[2] = uint8_t(mantissa >> 16) | (v < 0 ? 0x80 : 0);
            out[3] = uint8_t(exponent);
        }
    }
    return bytes_of(out, 4);
}

StringValue* bytes_from_legacy_double(double v) {
    if (error_pending.load()) return string_empty_temporary();
    uint8_t out[8] = {};
    if (v != 0) {
        int e;
        double m = std::frexp(std::fabs(v), &e);
        int exponent = e + 128;
        if (!std::isfinite(v) || exponent > 255) {
            runtime_error(error_illegal_function_call);
            return string_empty_temporary();
        }
        if (exponent >= 1) {
            // 55 mantissa bits below the hidden one; a double has 52 of them.
            uint64_t mantissa = (uint64_t(std::ldexp(m, 53)) & ((uint64_t(1) << 52) - 1)) << 3;
            for (int i = 0; i < 7; i++) out[i] = uint8_t(mantissa >> (8 * i));
            out[6] = (out[6] & 0x7F) | (v < 0 ? 0x80 : 0);
            out[7] = uint8_t(exponent);
        }
    }
    return bytes_of(out, 8);
}

float bytes_to_legacy_single(const StringValue* s) {
    uint8_t b[4];
    if (!bytes_read(s, b, 4) || b[3] == 0) return 0;
    uint32_t mantissa = b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2] & 0x7F) << 16) | 0x800000;
    float v = std::ldexp(float(mantissa), int(b[3]) - 129 - 23);
    return (b[2] & 0x80) ? -v : v;
}

double bytes_to_legacy_double(const StringValue* s) {
    uint8_t b[8];
    if (!bytes_read(s, b, 8) || b[7] == 0) return 0;
    uint64_t mantissa = 0;
    for (int i = 0; i < 7; i++) mantissa |= uint64_t(b[i]) << (8 * i);
    mantissa = (mantissa & ((uint64_t(1) << 55) - 1)) | (uint64_t(1) << 55);
    double v = std::ldexp(double(mantissa), int(b[7]) - 129 - 55);
    return (b[6] & 0x80) ? -v : v;
}

namespace {

void fixed_set(StringValue* dest, StringValue* src, bool left) {
    if (error_pending.load() || dest->read_only) return;
    int32_t n = src->length < dest->length ? src->length : dest->length;
    int32_t pad = dest->length - n;
    std::memmove(dest->data + (left ? 0 : pad), src->data, size_t(n));
    std::memset(dest->data + (left ? n : 0), ' ', size_t(pad));
    string_release_if_temporary(src);
}

}  // namespace

void fixed_set_left(StringValue* dest, StringValue* src) { fixed_set(dest, src, true); }
void fixed_set_right(StringValue* dest, StringValue* src) { fixed_set(dest, src, false); }
