// Byte images of numbers: the little-endian bytes of a value as a string, the
// reverse reads, the legacy 4- and 8-byte floating formats, and justified
// copies into fixed-length strings.
#pragma once

#include <cstdint>

#include "text/string_value.h"

// ---- Numbers to bytes (temporaries) ----------------------------------------------

StringValue* bytes_from_int8(int8_t v);
StringValue* bytes_from_int16(int16_t v);
StringValue* bytes_from_int32(int32_t v);
StringValue* bytes_from_int64(int64_t v);
StringValue* bytes_from_uint8(uint8_t v);
StringValue* bytes_from_uint16(uint16_t v);
StringValue* bytes_from_uint32(uint32_t v);
StringValue* bytes_from_uint64(uint64_t v);
StringValue* bytes_from_single(float v);
StringValue* bytes_from_double(double v);
StringValue* bytes_from_extended(long double v);       // 32 bytes, zero-padded
StringValue* bytes_from_bits(uint64_t v, int32_t bits);  // (bits + 7) / 8 bytes

// ---- Bytes to numbers: error 5 and 0 when the string is too short -------------------

int8_t bytes_to_int8(const StringValue* s);
int16_t bytes_to_int16(const StringValue* s);
int32_t bytes_to_int32(const StringValue* s);
int64_t bytes_to_int64(const StringValue* s);
uint8_t bytes_to_uint8(const StringValue* s);
uint16_t bytes_to_uint16(const StringValue* s);
uint32_t bytes_to_uint32(const StringValue* s);
uint64_t bytes_to_uint64(const StringValue* s);
float bytes_to_single(const StringValue* s);
double bytes_to_double(const StringValue* s);
long double bytes_to_extended(const StringValue* s);
uint64_t bytes_to_bits(const StringValue* s, int32_t bits);

// ---- Legacy floating formats (8-bit exponent byte last, sign in the byte before) -----

StringValue* bytes_from_legacy_single(float v);   // error 5 when not representable
StringValue* bytes_from_legacy_double(double v);  // error 5 when not representable
float bytes_to_legacy_single(const StringValue* s);
double bytes_to_legacy_double(const StringValue* s);

// ---- Justified copies into a fixed-length string ------------------------------------

void fixed_set_left(StringValue* dest, StringValue* src);   // pad right with blanks
void fixed_set_right(StringValue* dest, StringValue* src);  // pad left with blanks
