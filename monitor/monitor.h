// The spot monitor: one long sequential routine over the runtime.
//
// Every statement carries a fixed number; after each one the statement
// epilogue releases its temporaries and, when asked, runs the line-event hook
// with that number, so runtime error reports name the statement that failed.
#pragma once

#include <cstdint>

#include "host/line_event.h"
#include "text/string_value.h"

// The window's title at start, and the prefix of the title at every refresh.
constexpr char monitor_title[] = "Orvane Skerrow V0.20 18/03/18";

// The eight fields of the setup file, in file order.
struct MonitorSetup {
    StringValue* log_path;      // path of the spot log
    StringValue* meter_flag;    // exactly "Y" shows the signal level
    StringValue* watch_call[6]; // the six watched calls
};

// One record of the spot log.
struct SpotRecord {
    StringValue* spot_call;  // call sign of the station spotted
    StringValue* spot_aux;   // read and not used
    StringValue* spot_time;  // hh:mm:ss
    float spot_snr;          // signal-to-noise ratio in dB
    float spot_level;        // signal level in dB
};

// Monitor-wide values, alive for the whole run.
struct MonitorState {
    StringValue* window_title;  // "Orvane Skerrow V0.20 18/03/18"
    int32_t refresh_counter;    // cycles since the last refresh
    int32_t plot_left;          // x pixel of hour 00
    int32_t plot_width;         // width term of the plot frame
    int32_t plot_base;          // y pixel plot heights are measured up from
    StringValue* key_text;      // the key taken in this cycle
    MonitorSetup setup;
    SpotRecord spot;
    StringValue* others_list;   // unwatched calls of this pass, each followed by a blank
    int32_t watch_colour[6];    // palette index of each watched call
    uint32_t mark;              // temporary-list count at module start
};

extern MonitorState monitor;

// The statement epilogue with the monitor's mark.
inline void statement(int line) { statement_end(monitor.mark, line); }

// The routine the program thread runs; never returns.
void monitor_main();

// ---- Steps of the cycle (their own modules) ------------------------------------

void monitor_startup();  // start-up statements 14 to 113
bool monitor_cycle();    // one cycle; false once the program is ending
void setup_file_read();  // statements 147-156
void frame_draw();       // statements 158-273
void log_pass();         // statements 281-334
void menu_bind();        // before statement 14
void menu_startup();     // statements 73-106
void menu_poll();        // statements 121-135
void spot_show_and_plot();  // statements 290-334, once per record
// Called by the log pass after each record has been shown and plotted, when
// set (tests look at the picture there).
extern void (*log_record_shown)();

// ---- Shared by the drawing steps -----------------------------------------------

// Places the cursor at (row, column) and prints `s` with no line break after it.
// What the monitor prints (calls, times, labels) comes from the log and the
// setup file, so it is printed as data: no byte of it acts on the screen.
void print_at(int32_t row, int32_t column, StringValue* s);
void foreground_set(int32_t colour);
// True when the setup file's meter flag is exactly "Y".
bool meter_on();
