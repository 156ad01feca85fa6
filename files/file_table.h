// File numbers: OPEN and CLOSE of numbered files over the file layer.
#pragma once

#include <cstdint>

#include "text/string_value.h"

constexpr int32_t file_mode_random = 1, file_mode_binary = 2, file_mode_input = 3,
                  file_mode_output = 4, file_mode_append = 5;
constexpr int file_record_length_passed = 1;
constexpr int file_number_passed = 1;

void file_open(StringValue* name, int32_t mode, int32_t access, int32_t lock, int32_t number,
               int64_t record_length, int passed);
// The string-mode form: the mode is the first letter of `mode_text` (R, B, I, O or A).
void file_open_lettered(StringValue* mode_text, int32_t number, StringValue* name,
                        int64_t record_length, int passed);
// Closes `number`, or every open file when the number is not passed.
void file_close(int32_t number, int passed);

// The layer slot bound to a file number, or -1.
int32_t file_slot_of(int32_t number);
