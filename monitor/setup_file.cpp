// The setup file: eight fields read afresh at every refresh.
#include "files/field_input.h"
#include "files/file_table.h"
#include "monitor/monitor.h"

void setup_file_read() {
    file_open(string_from_cstring("Skerrow020.SET"), file_mode_input, 0, 0, 1, 0, 0);
    statement(147);
    StringValue* fields[8] = {monitor.setup.log_path, monitor.setup.meter_flag};
    for (int i = 0; i < 6; i++) fields[2 + i] = monitor.setup.watch_call[i];
    for (int i = 0; i < 8; i++) {
        file_input_string(1, fields[i]);
        file_input_end();
        statement(148 + i);
    }
    file_close(1, file_number_passed);
    statement(156);
}
