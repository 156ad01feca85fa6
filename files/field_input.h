// Sequential field input: comma- and line-separated fields, and end of file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/string_value.h"

// Type codes of numeric reads: bit 29 floating (bits 0-8 the width), bit 28 unsigned.
constexpr uint32_t type_floating = 1u << 29, type_unsigned = 1u << 28;
constexpr uint32_t type_single = type_floating | 32, type_double = type_floating | 64;

// The longest string field kept: the bytes of a field past it are read and dropped.
constexpr size_t field_length_limit = 65536;

// Field readers do nothing while an error is pending, with one exception: after
// an overflow (error 6) they pass over the remaining fields of the same input
// statement, up to file_input_end. NUL bytes in the file are passed over as if absent.
void file_input_string(int32_t number, StringValue* variable);
long double file_input_single(int32_t number, uint32_t type_code);
void file_input_end();
int32_t file_eof(int32_t number);
