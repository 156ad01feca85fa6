// The log pass: the whole spot log, record by record, at every refresh.
#include "errors/runtime_error.h"
#include "files/field_input.h"
#include "files/file_table.h"
#include "monitor/monitor.h"

void (*log_record_shown)() = nullptr;

namespace {

StringValue* log_header = nullptr;

// One numeric field into `target`. While an error raised earlier in the record
// is pending nothing is stored, so `target` keeps the previous record's value;
// the read is still made, since after an overflow it passes the field over.
void read_number(float& target) {
    bool stores = error_pending.load() == 0;
    long double value = file_input_single(1, type_single);
    if (stores) target = float(value);
}

}  // namespace

void log_pass() {
    if (log_header == nullptr) log_header = string_new(0, false);
    string_assign(monitor.others_list, string_from_text("", 0));
    statement(281);
    file_open(monitor.setup.log_path, file_mode_input, 0, 0, 1, 0, 0);
    statement(282);
    // A log that could not be opened has been reported once; the pass ends
    // here and the next refresh tries again (reading on would report the
    // unopened file number for ever).
    if (file_slot_of(1) < 0) return;
    file_input_string(1, log_header);
    file_input_end();
    statement(283);
    for (;;) {
        bool at_end = file_eof(1) == -1;
        statement(284);
        if (at_end || file_slot_of(1) < 0) return;
        file_input_string(1, monitor.spot.spot_call);
        file_input_string(1, monitor.spot.spot_aux);
        file_input_string(1, monitor.spot.spot_time);
        read_number(monitor.spot.spot_snr);
        read_number(monitor.spot.spot_level);
        file_input_end();
        statement(286);
        spot_show_and_plot();
        if (log_record_shown != nullptr) log_record_shown();
    }
}
