// Numbers as text and text as numbers.
#pragma once

#include <cstdint>

#include "text/string_value.h"

// ---- Numbers to text (temporaries) ----------------------------------------------
// Integers: a leading blank when not negative, "-" otherwise. Floating values:
// at most 7 (single) or 16 (double) significant digits, plain or exponent form.

StringValue* number_to_string(int64_t value);
StringValue* number_to_string_unsigned(uint64_t value);
StringValue* number_to_string(float value);
StringValue* number_to_string(double value);

// The same texts into a caller buffer of at least 40 bytes; returns the length.
int format_single(float value, char* out);
int format_double(double value, char* out);

// ---- Text to numbers ----------------------------------------------------------

// Decimal, &H hexadecimal or &O octal; blanks and tabs are ignored, any other
// byte ends the number. Error 6 for a radix number too long for 64 bits.
long double string_to_number(const StringValue* text);
long double text_to_number(const uint8_t* text, int32_t length);

// Nearest integer, halves to even.
int64_t round_to_int(long double value);
