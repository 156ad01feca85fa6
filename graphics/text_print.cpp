#include "graphics/text_print.h"

bool print_control_characters = true;

void locate_cursor(int32_t, int32_t, int32_t, int32_t, int32_t, int) {}
void print_fit(const StringValue*) {}
void print_string(StringValue*, int32_t) {}
