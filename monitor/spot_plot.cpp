// One record of the log: shown as the latest spot and plotted, SNR against time of day.
#include <cstring>

#include "graphics/draw_circle.h"
#include "graphics/draw_line.h"
#include "graphics/text_print.h"
#include "monitor/monitor.h"
#include "text/fast_path.h"
#include "text/number_text.h"
#include "text/string_functions.h"

namespace {

constexpr int32_t others_shown = 56;  // characters of the list the "Other:" line shows
constexpr int32_t spot_blanks = 22;   // blanks the latest spot is cleared with
constexpr int32_t spot_room = 31;     // columns 50 to 80, where the latest spot is printed

int32_t spot_colour = 15, spot_matched = 0, spot_x = 0, level_valid = 0;
float snr_height = 0, level_height = 0;
StringValue* hour_text = nullptr;
StringValue* minute_text = nullptr;
StringValue* latest_label = nullptr;

StringValue* text(const char* literal) { return string_from_cstring(literal); }

// One piece of the latest spot, printed as data as print_at does.
void print_piece(StringValue* s) {
    print_fit(s);
    print_data(s, 0);
}

// The latest spot's six pieces as one text, for the fast path: when none
// holds a tab and together they fit on the row from column 50, printing them
// one by one moves to no new line, so one print of them all does the same.
// The length of the text in spot_line, or -1 when they do not fit so.
uint8_t spot_line[spot_room];
int32_t spot_line_join(const SpotRecord& spot) {
    char number[40];
    int32_t number_length = format_single(spot.spot_snr, number);
    const StringValue *call = spot.spot_call, *time = spot.spot_time;
    int64_t length = int64_t(call->length) + 1 + time->length + 1 + number_length + 1 + 6;
    auto has_tab = [](const StringValue* v) { return v->length > 0 && std::memchr(v->data, '\t', size_t(v->length)); };
    if (length > spot_room || has_tab(call) || has_tab(time)) return -1;
    uint8_t* at = spot_line;
    auto add = [&at](const void* bytes, size_t n) {
        if (n > 0) std::memcpy(at, bytes, n);
        at += n;
    };
    add(call->data, size_t(call->length));
    add(" ", 1);
    add(time->data, size_t(time->length));
    add(" ", 1);
    add(number, size_t(number_length));
    add(" dB    ", 7);
    return int32_t(length);
}

// The fast path's texts printed from bytes it holds: a read-only view kept
// for the purpose and pointed at them, rather than a temporary made each time.
StringValue kept_view{};
StringValue* view_of(const uint8_t* bytes, int32_t length) {
    kept_view.data = const_cast<uint8_t*>(bytes);
    kept_view.length = length;
    kept_view.read_only = 1;
    return &kept_view;
}

void circle(double x, double y, double radius, int32_t colour) {
    draw_circle(x, y, radius, uint32_t(colour), 0, 0, 0, circle_colour_passed);
}

}  // namespace

void spot_show_and_plot() {
    if (hour_text == nullptr) hour_text = string_new(0, false), minute_text = string_new(0, false);
    SpotRecord& spot = monitor.spot;
    int32_t joined = fast_path ? spot_line_join(spot) : -1;
    if (latest_label == nullptr) {  // kept, rather than a temporary of every record
        latest_label = string_new(0, false);
        string_assign(latest_label, text("Latest spot:"));
    }
    print_at(26, 50, latest_label);
    statement(290);
    // Blanks that the latest spot then prints over in full are left out.
    if (joined < spot_blanks) print_at(27, 50, space_string(spot_blanks));
    statement(291);
    locate_cursor(27, 50, 0, 0, 0, locate_row_passed | locate_column_passed);
    if (joined >= 0) {
        print_piece(view_of(spot_line, joined));
    } else {
        print_piece(spot.spot_call);
        print_piece(text(" "));
        print_piece(spot.spot_time);
        print_piece(text(" "));
        print_piece(string_concat(number_to_string(spot.spot_snr), text(" ")));
        print_piece(text("dB    "));
    }
    statement(292);
    spot_colour = 15;
    spot_matched = 0;
    statement(293);
    for (int i = 0; i < 6; i++) {
        if (string_equal(spot.spot_call, monitor.setup.watch_call[i])) {
            spot_colour = monitor.watch_colour[i];
            spot_matched = 1;
        }
        statement(294 + i);
    }
    if (spot.spot_snr > 19) spot_matched = 0;
    statement(303);
    if (spot.spot_snr < -33) spot_matched = 0;
    statement(304);
    if (fast_path) {
        // The hour and minute texts as the bytes of the time they are cut
        // from: characters 1-2 and 4-5 (or as many of them as there are).
        statement(307);
        const StringValue* time = spot.spot_time;
        int32_t length = time->length;
        long double hour = text_to_number(time->data, length < 2 ? length : 2);
        long double minute = length < 4 ? 0 : text_to_number(time->data + 3, length < 5 ? 1 : 2);
        spot_x = int32_t(round_to_int(hour * 24 + minute / 2.5L));
    } else {
        string_assign(hour_text, left_string(spot.spot_time, 2));
        string_assign(minute_text, mid_string(spot.spot_time, 4, 2, 1));
        statement(307);
        spot_x = int32_t(round_to_int(string_to_number(hour_text) * 24 + string_to_number(minute_text) / 2.5L));
    }
    statement(309);
    snr_height = float(double(spot.spot_snr) * 6.4 + 194);
    statement(312);
    level_height = float(double(spot.spot_level) * 6.4 + 321);
    statement(313);
    level_valid = spot.spot_level > -64 && spot.spot_level < 0 ? 1 : 0;
    statement(314);
    const int32_t left = monitor.plot_left, base = monitor.plot_base;
    bool matched = spot_matched == 1;
    statement(316);
    if (matched) {
        if (level_valid == 1 && meter_on()) circle(left + spot_x, double(base) - double(level_height), 1, 7);
        statement(318);
        draw_point(float(left + spot_x), float(base) - snr_height, uint32_t(spot_colour), point_colour_passed);
        statement(322);
        for (int r = 3; r >= 1; r--) {
            circle(left + spot_x, double(base) - double(snr_height), r, spot_colour);
            statement(326 - r);
        }
        return;
    }
    draw_point(float(left + spot_x), float(base) - snr_height, 15, point_colour_passed);
    statement(329);
    // A call is only ever appended at the end of the list: once the list is
    // as long as the line shows, nothing appended can show, so the fast path
    // neither searches nor appends.
    bool can_show = !fast_path || monitor.others_list->length < others_shown;
    bool fresh = can_show && instr_find(1, monitor.others_list, spot.spot_call, 0) == 0;
    statement(330);
    if (fresh) {
        string_assign(monitor.others_list, string_concat(string_concat(monitor.others_list, spot.spot_call), text(" ")));
        statement(331);
    }
    // The list's first 56 characters print over all 56 blanks: once it is
    // that long, the fast path leaves the blanks out.
    if (!fast_path || monitor.others_list->length < others_shown) print_at(29, 19, space_string(others_shown));
    statement(333);
    // The fast path shows the list's first characters through a view of them
    // instead of a copy: nothing changes the list while they are printed.
    const StringValue* others = monitor.others_list;
    print_at(29, 19, fast_path ? view_of(others->data, others->length < others_shown ? others->length : others_shown)
                               : left_string(monitor.others_list, others_shown));
    statement(334);
}
