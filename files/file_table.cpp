#include "files/file_table.h"

void file_open(StringValue*, int32_t, int32_t, int32_t, int32_t, int64_t, int) {}
void file_open_lettered(StringValue*, int32_t, StringValue*, int64_t, int) {}
void file_close(int32_t, int) {}
int32_t file_slot_of(int32_t) { return -1; }
