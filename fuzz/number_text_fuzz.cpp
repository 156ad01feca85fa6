// Any bytes through the text-to-number scanner and back through the printer.
#include <cstddef>
#include <cstdint>

#include "errors/runtime_error.h"
#include "tests/support/error_record.h"
#include "text/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_errors();
    uint32_t mark = string_temps_mark();
    StringValue* text = string_from_text(data, int32_t(size));
    long double value = string_to_number(text);
    number_to_string(float(value));
    number_to_string(double(value));
    if (value > -9e18L && value < 9e18L) round_to_int(value);
    string_temps_release(mark, 0);
    return 0;
}
