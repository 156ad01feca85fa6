#include "monitor/monitor.h"

#include "files/file_table.h"
#include "graphics/image_surface.h"
#include "graphics/palette.h"
#include "host/delay.h"
#include "host/display.h"
#include "host/keyboard.h"
#include "host/line_event.h"
#include "host/process.h"
#include "text/string_functions.h"

MonitorState monitor;

namespace {

StringValue* text(const char* t) { return string_from_cstring(t); }

}  // namespace

void monitor_startup() {
    monitor.mark = string_temps_mark();
    monitor.window_title = string_new(0, false);
    monitor.key_text = string_new(0, false);
    monitor.others_list = string_new(0, false);
    monitor.setup.log_path = string_new(0, false);
    monitor.setup.meter_flag = string_new(0, false);
    for (StringValue*& call : monitor.setup.watch_call) call = string_new(0, false);
    monitor.spot.spot_call = string_new(0, false);
    monitor.spot.spot_aux = string_new(0, false);
    monitor.spot.spot_time = string_new(0, false);

    menu_bind();
    string_assign(monitor.window_title, text(monitor_title));
    statement(14);
    window_title_set(monitor.window_title);
    statement(15);
    monitor.refresh_counter = 99;
    statement(62);
    delay_seconds(1.0);
    statement(72);
    menu_startup();
    screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
    screen_clear(0, 0, 0);
    statement(108);
    palette_set(0, 3358271, 1);
    statement(109);
    palette_set(14, 4144959, 1);
    statement(110);
    palette_set(15, 0, 1);
    statement(111);
    monitor.plot_left = 32;
    monitor.plot_width = 572;
    statement(112);
    monitor.plot_base = 345;
    statement(113);
}

bool monitor_cycle() {
    menu_poll();
    monitor.refresh_counter++;
    statement(143);
    bool refresh = monitor.refresh_counter == 100;
    statement(144);
    if (refresh) {
        setup_file_read();
        frame_draw();
    }
    refresh = monitor.refresh_counter == 100;
    statement(279);
    if (refresh) {
        monitor.refresh_counter = 0;
        statement(280);
        log_pass();
    }
    string_assign(monitor.key_text, key_read());
    statement(344);
    bool escape = string_temps_release(monitor.mark, string_equal(monitor.key_text, chr_string(27))) != 0;
    statement(345);
    if (escape) program_end();
    delay_seconds(0.1);
    statement(347);
    file_close(1, file_number_passed);
    statement(348);
    return true;
}

void monitor_main() {
    monitor_startup();
    statement(117);
    while (monitor_cycle()) {
    }
}
