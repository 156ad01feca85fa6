// Sequential field input: comma- and line-separated fields, and end of file.
#pragma once

#include <cstdint>

#include "text/string_value.h"

// Type codes of numeric reads: bit 29 floating (bits 0-8 the width), bit 28 unsigned.
constexpr uint32_t type_floating = 1u << 29, type_unsigned = 1u << 28;
constexpr uint32_t type_single = type_floating | 32, type_double = type_floating | 64;

void file_input_string(int32_t number, StringValue* variable);
long double file_input_single(int32_t number, uint32_t type_code);
void file_input_end();
int32_t file_eof(int32_t number);
