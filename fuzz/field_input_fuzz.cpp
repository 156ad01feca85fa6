// Any bytes as a spot log: read as string and numeric fields until the end.
// No crash, no undefined behaviour, and a field never moves the position back
// past its own start.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "errors/runtime_error.h"
#include "files/field_input.h"
#include "files/file_layer.h"
#include "files/file_table.h"
#include "tests/support/error_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string path = "/tmp/skerrow-fuzz-" + std::to_string(getpid()) + ".log";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    reset_errors();
    uint32_t mark = string_temps_mark();
    file_open(string_from_cstring(path.c_str()), file_mode_input, 0, 0, 1, 0, 0);
    StringValue* v = string_new(0, false);
    for (int field = 0; field < 4096 && error_pending == 0; field++) {
        if (file_eof(1) == -1) break;
        uint64_t before = layer_slot(file_slot_of(1))->position;
        if (field % 5 < 3) file_input_string(1, v);
        else file_input_single(1, field % 2 ? type_single : type_double);
        if (error_pending == 0 && layer_slot(file_slot_of(1))->position < before) std::abort();
        string_temps_release(mark, 0);
    }
    error_pending = 0;
    file_close(1, file_number_passed);
    string_free(v);
    string_temps_release(mark, 0);
    return 0;
}
