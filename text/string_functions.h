// String functions: pieces, searches, fills and trims of StringValues.
//
// Positions count from 1. Out-of-range positions and counts clamp instead of
// failing. A function that returns a new piece releases a temporary argument;
// a mutable temporary argument is cut in place and returned.
#pragma once

#include <cstdint>

#include "text/string_value.h"

// ---- Building ------------------------------------------------------------------

StringValue* chr_string(int32_t code);              // error 5 outside 0-255
StringValue* space_string(int32_t n);               // n blanks; negative counts as 0
StringValue* string_fill(int32_t n, int32_t byte);  // n copies of the low 8 bits of byte

// ---- Taking apart --------------------------------------------------------------

StringValue* left_string(StringValue* s, int32_t n);
StringValue* right_string(StringValue* s, int32_t n);
constexpr int mid_length_passed = 1;  // passed bit of mid_string
StringValue* mid_string(StringValue* s, int32_t start, int32_t length, int passed);
StringValue* ltrim_string(StringValue* s);
StringValue* rtrim_string(StringValue* s);

// ---- Searching -----------------------------------------------------------------

constexpr int instr_start_passed = 1;  // passed bit of instr_find
int32_t instr_find(int32_t start, const StringValue* haystack, const StringValue* needle, int passed);

// ---- Overwriting ---------------------------------------------------------------

constexpr int mid_assign_length_passed = 1;
void mid_assign(StringValue* dest, int32_t start, int32_t length, StringValue* src, int passed);
