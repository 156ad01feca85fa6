#include "files/field_input.h"

void file_input_string(int32_t, StringValue*) {}
long double file_input_single(int32_t, uint32_t) { return 0; }
void file_input_end() {}
int32_t file_eof(int32_t) { return -1; }
