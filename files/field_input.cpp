#include "files/field_input.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "errors/runtime_error.h"
#include "files/file_layer.h"
#include "files/file_table.h"
#include "text/fast_path.h"
#include "text/number_text.h"

namespace {

constexpr int end_of_input = -1, fetch_failed = -2, refilled = -3;

// After an overflow (error 6) in one field of an input statement, the
// statement's remaining fields are still read and passed over, raising nothing
// and storing nothing, so that the next statement starts where it would have
// without the error: one bad number must not put every later record out of
// step. This is the one read made while an error is pending. It holds for the
// slot whose field overflowed, while that error 6 is pending, until
// file_input_end ends the statement (or a read begins with no error pending).
int32_t overflow_slot = -1;

// The bytes of the string field being read: at most field_length_limit of them.
uint8_t field_bytes[field_length_limit];

ErrorNumber read_error(int code) {
    switch (code) {
        case layer_no_slot: return error_invalid_handle;
        case layer_wrong_direction: return error_bad_file_mode;
        case layer_bad_position: return error_illegal_function_call;
        case layer_permission: return error_permission_denied;
        default: return error_path_file_access;
    }
}

// The bytes a field reader takes, one at a time. On the fast path they come
// straight from the file layer's buffer (`next` to `end`, the bytes buffered
// from the position on), with no call per byte; the plain path, and a buffer
// used up, go through the layer. The slot's position is exact after every
// byte either way.
struct Reader {
    int32_t slot;
    FileSlot* file;
    const uint8_t* next = nullptr;  // the byte at the position, when buffered
    const uint8_t* end = nullptr;   // end of the buffered bytes
    const uint8_t* first = nullptr; // the first byte of `next`'s buffer, for unread
};

// The byte, end_of_input or fetch_failed (raised, unless an error is pending
// already, as while passing fields over) when nothing is buffered.
int fetch_slow(Reader& r) {
    if (fast_path) {
        int64_t count;
        const uint8_t* p = layer_buffered(r.slot, count, true);
        if (p != nullptr) {
            r.first = r.next = p;
            r.end = p + count;
            return refilled;
        }
        r.next = r.end = r.first = nullptr;
        if (count == layer_end_of_file) return end_of_input;
        if (!error_pending.load()) runtime_error(read_error(int(count)));
        return fetch_failed;
    }
    int c = layer_read_byte(r.slot);
    if (c >= 0) return c;
    if (c == layer_end_of_file) return end_of_input;
    if (!error_pending.load()) runtime_error(read_error(c));
    return fetch_failed;
}

// One character of the field: a byte, end_of_input, or fetch_failed. NUL
// bytes are not data: they are passed over as if absent. A byte 26 is the end
// of input for good: the position stays on it and end_seen is set.
inline int fetch(Reader& r) {
    for (;;) {
        int c;
        if (r.next != r.end) {
            c = *r.next++;
            r.file->position++;
            r.file->end_seen = 0;
        } else {
            c = fetch_slow(r);
            if (c == refilled) continue;
            if (c < 0) return c;
        }
        if (c == 0) continue;
        if (c == 26) {
            r.file->position--;
            if (r.next != nullptr) r.next--;
            r.file->end_seen = 1;
            return end_of_input;
        }
        return c;
    }
}

void unread(Reader& r) {
    r.file->position--;
    if (r.next != nullptr && r.next > r.first) r.next--;
    else r.next = r.end = r.first = nullptr;
}

// The fast path's look at the bytes buffered from the position on, without
// a refill; false when none are.
bool reader_window(Reader& r) {
    int64_t count;
    const uint8_t* p = layer_buffered_of(r.slot, r.file, count);
    if (p == nullptr) return false;
    r.first = r.next = p;
    r.end = p + count;
    return true;
}

// After a CR or LF: its partner right after it belongs to the same line end.
void consume_line_end(Reader& r, int first) {
    int next = fetch(r);
    if (next < 0) return;
    if (!((first == '\r' && next == '\n') || (first == '\n' && next == '\r'))) unread(r);
}

bool is_line_end(int c) { return c == '\r' || c == '\n'; }

// Bytes that end the plain run of an unquoted (bit 0) or quoted (bit 1)
// string field, or need a look of their own: NUL and 26 in both.
struct RunEnds {
    uint8_t of[256] = {};
    constexpr RunEnds() {
        of[0] = of[26] = 3;
        of[int(',')] = of[int('\r')] = of[int('\n')] = 1;
        of[int('"')] = 2;
    }
};
constexpr RunEnds run_ends;

// Takes the buffered bytes from the position on into the field while none of
// them ends the run (the fast path's way through a field; what stops it is
// fetched as usual).
void run_take(Reader& r, size_t& kept, bool quoted) {
    const uint8_t* p = r.next;
    const uint8_t mask = quoted ? 2 : 1;
    while (p != r.end && kept < field_length_limit && !(run_ends.of[*p] & mask)) field_bytes[kept++] = *p++;
    if (p == r.next) return;
    r.file->position += uint64_t(p - r.next);
    r.file->end_seen = 0;
    r.next = p;
}

// ---- Plain fields in one look (the fast path) ----------------------------------

// A field of the plainest shapes that lies wholly in the buffered bytes, up to
// and with its terminator, is read in one look at them instead of byte by
// byte. Anything else (a quote, NUL or 26, a field or line end not buffered
// yet, a number of another form) is left to the byte-by-byte reader, which
// then starts where this one looked: these give exactly what it gives.

// Past the comma, CR or LF at p (and the line end's partner): the first byte
// after the field, or null when that needs a byte not buffered or one the
// byte-by-byte reader treats apart (NUL, 26).
const uint8_t* past_terminator(const uint8_t* p, const uint8_t* end) {
    if (*p == ',') return p + 1;
    if (p + 1 == end || p[1] == 0 || p[1] == 26) return nullptr;
    bool partner = (*p == '\r' && p[1] == '\n') || (*p == '\n' && p[1] == '\r');
    return p + (partner ? 2 : 1);
}

void window_advance(Reader& r, const uint8_t* to) {
    r.file->position += uint64_t(to - r.next);
    r.file->end_seen = 0;
    r.next = to;
}

// An unquoted string field; true when read and assigned.
bool string_field_quick(Reader& r, StringValue* variable) {
    const uint8_t *p = r.next, *end = r.end;
    while (p != end && (*p == ' ' || *p == '\t')) p++;
    if (p == end || *p == '"') return false;
    const uint8_t* start = p;
    while (p != end && !(run_ends.of[*p] & 1)) p++;
    if (p == end || *p == 0 || *p == 26) return false;
    const uint8_t* stop = p;
    while (stop != start && (stop[-1] == ' ' || stop[-1] == '\t')) stop--;
    const uint8_t* after = past_terminator(p, end);
    if (after == nullptr || size_t(stop - start) > field_length_limit) return false;
    window_advance(r, after);
    string_assign_bytes(variable, start, int32_t(stop - start));
    return true;
}

// A decimal whole number of up to 15 significant digits, with or without a
// sign, right before its terminator: exact as a double. True when read.
bool number_field_quick(Reader& r, long double& value) {
    const uint8_t *p = r.next, *end = r.end;
    while (p != end && *p == ' ') p++;
    if (p == end) return false;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    const uint8_t* digits = p;
    int64_t whole = 0;
    int significant = 0;
    for (; p != end && *p >= '0' && *p <= '9'; p++) {
        if (whole == 0 && *p == '0') continue;  // leading zeros
        if (++significant > 15) return false;
        whole = whole * 10 + (*p - '0');
    }
    if (p == digits || p == end || (*p != ',' && *p != '\r' && *p != '\n')) return false;
    const uint8_t* after = past_terminator(p, end);
    if (after == nullptr) return false;
    window_advance(r, after);
    double v = double(whole);
    value = negative && whole != 0 ? -v : v;  // no digit: 0, the sign dropped
    return true;
}

// The checks both field readers make; the slot (and in `file` its record),
// or -1 after raising.
int32_t input_slot(int32_t number, FileSlot*& file) {
    int32_t slot = file_slot_of(number);
    if (number < 1 || slot < 0) {
        runtime_error(error_bad_file_name_or_number);
        return -1;
    }
    FileSlot* s = file = layer_slot(slot);
    if (s->mode != 3) {
        runtime_error(error_bad_file_mode);
        return -1;
    }
    if (!s->can_read) {
        runtime_error(error_path_file_access);
        return -1;
    }
    return slot;
}

// The slot a field reader reads, or -1 when it does nothing (an error is
// pending, or the checks raised one). `pass_over` tells that the field is
// read only to be passed over, after an overflow in the same statement; `file`
// is the slot's record.
int32_t reader_slot(int32_t number, bool& pass_over, FileSlot*& file) {
    pass_over = false;
    if (error_pending.load() == 0) {
        overflow_slot = -1;
        return input_slot(number, file);
    }
    if (error_pending.load() != error_overflow || overflow_slot < 0 || file_slot_of(number) != overflow_slot) return -1;
    pass_over = true;
    file = layer_slot(overflow_slot);
    return overflow_slot;
}

void overflow_raise(int32_t slot) {
    runtime_error(error_overflow);
    if (error_pending.load() == error_overflow) overflow_slot = slot;
}

// Skips the rest of a numeric field, starting with the byte c that ended the number.
void skip_field_rest(Reader& r, int c) {
    for (;;) {
        if (c < 0) return;
        if (is_line_end(c)) return consume_line_end(r, c);
        if (c == ',') return;
        if (c == ' ') {
            do c = fetch(r);
            while (c == ' ');
            if (c < 0 || c == ',') return;
            if (is_line_end(c)) return consume_line_end(r, c);
            unread(r);
            return;
        }
        c = fetch(r);
    }
}

struct NumberScan {
    char digits[257];         // stored significant digits
    int count = 0;            // digits stored
    int64_t exponent = 0;     // decimal exponent of the first stored digit
    bool negative = false;
    int radix = 10;
    int64_t explicit_exponent = 0;
    bool explicit_negative = false;
    bool overflow = false;
};

// Scans a number whose first byte is c; returns the byte that ended it.
int scan_number(Reader& r, int c, NumberScan& n) {
    if (c == '&') {
        c = fetch(r);
        if (c == 'H' || c == 'h') n.radix = 16;
        else if (c == 'O' || c == 'o') n.radix = 8;
        else return c;  // any other byte after "&" gives 0
        for (;;) {
            c = fetch(r);
            int d = c >= '0' && c <= '9' ? c - '0'
                    : n.radix == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                    : n.radix == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                            : -1;
            if (d < 0 || d >= n.radix) return c;
            if (n.count == 0 && d == 0) continue;
            if (n.count < 256) n.digits[n.count] = char(d);
            n.count++;
        }
    }
    enum { start, integer_part, fraction, exponent_mark, exponent_digits } state = start;
    int significant_exponent_digits = 0;
    for (;; c = fetch(r)) {
        if (c == '-' || c == '+') {
            if (state == start) {
                n.negative = c == '-';
                state = integer_part;
            } else if (state == exponent_mark) {
                n.explicit_negative = c == '-';
                state = exponent_digits;
            } else {
                return c;
            }
        } else if (c == '.') {
            if (state != start && state != integer_part) return c;
            if (n.count == 0) n.exponent = -1;
            state = fraction;
        } else if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
            if (state == exponent_mark || state == exponent_digits) return c;
            state = exponent_mark;
        } else if (c >= '0' && c <= '9') {
            if (state == start) state = integer_part;
            if (state == exponent_mark) state = exponent_digits;
            if (state == exponent_digits) {
                if (significant_exponent_digits == 0 && c == '0') continue;
                if (++significant_exponent_digits > 18) n.overflow = true;
                else n.explicit_exponent = n.explicit_exponent * 10 + (c - '0');
            } else if (n.count == 0 && c == '0') {
                if (state == fraction) n.exponent--;
            } else {
                if (n.count == 256) n.overflow = true;
                else n.digits[n.count++] = char(c);
                if (state == integer_part && n.count > 1) n.exponent++;
            }
        } else {
            return c;
        }
    }
}

// The scanned number as a double; false on overflow.
bool convert(const NumberScan& n, uint32_t type_code, long double& value, bool& from_radix) {
    value = 0;
    from_radix = n.radix != 10;
    if (n.overflow) return false;
    if (n.radix != 10) {
        if (n.radix == 16 && n.count > 16) return false;
        if (n.radix == 8 && (n.count > 22 || (n.count == 22 && n.digits[0] > 1))) return false;
        uint64_t bits = 0;
        for (int i = 0; i < n.count; i++) bits = (bits << (n.radix == 16 ? 4 : 3)) | uint64_t(n.digits[i]);
        int width = int(type_code & 0x1FF);
        bool is_float = (type_code & type_floating) != 0;
        if (!is_float && !(type_code & type_unsigned) && width < 64 && width > 0 && (bits >> (width - 1)) & 1)
            value = static_cast<long double>(int64_t(bits) - (int64_t(1) << width));
        else
            value = is_float || (type_code & type_unsigned) == 0 ? static_cast<long double>(int64_t(bits))
                                                                  : static_cast<long double>(bits);
        return true;
    }
    if (n.count == 0) return true;
    int64_t e = n.exponent + (n.explicit_negative ? -n.explicit_exponent : n.explicit_exponent);
    if (e > 308) return false;
    if (e == 308) {
        static const char limit[] = "17976931348623157";
        for (int i = 0; i < n.count && i < 17; i++) {
            if (n.digits[i] > limit[i]) return false;
            if (n.digits[i] < limit[i]) break;
        }
    }
    if (e < -324) return true;
    // The short way: up to 15 digits, and a power of ten up to 10^22, are
    // exact doubles, so one multiplication or division rounds exactly as the
    // decimal conversion below does.
    int64_t scale = e - (n.count - 1);
    if (fast_path && n.count <= 15 && scale >= -22 && scale <= 22) {
        static constexpr double powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        int64_t digits = 0;
        for (int i = 0; i < n.count; i++) digits = digits * 10 + (n.digits[i] - '0');
        double v = double(digits);
        v = scale >= 0 ? v * powers[scale] : v / powers[-scale];
        value = n.negative ? -v : v;
        return true;
    }
    char text[64];
    int k = 0;
    if (n.negative) text[k++] = '-';
    text[k++] = n.digits[0];
    text[k++] = '.';
    if (n.count == 1) text[k++] = '0';
    for (int i = 1; i < n.count && i < 17; i++) text[k++] = n.digits[i];
    std::snprintf(text + k, sizeof text - size_t(k), "E%lld", static_cast<long long>(e));
    value = std::strtod(text, nullptr);
    return true;
}

// True when nothing but NUL bytes lies between the position and the end of the
// file (what a crash while appending leaves). Position and end_seen stay as they were.
bool only_nul_bytes_left(int32_t slot) {
    FileSlot* s = layer_slot(slot);
    uint64_t position = s->position;
    uint8_t end_seen = s->end_seen;
    int c = 0;
    while (c == 0) {
        int64_t count;
        if (const uint8_t* p = layer_buffered(slot, count, false)) {
            const uint8_t* end = p + count;
            while (p != end && *p == 0) p++;
            s->position += uint64_t(count - (end - p));
            if (p != end) break;
            continue;
        }
        c = layer_read_byte(slot);
    }
    s->position = position;
    s->end_seen = end_seen;
    return c == layer_end_of_file;
}

}  // namespace

void file_input_string(int32_t number, StringValue* variable) {
    bool pass_over;
    FileSlot* file;
    int32_t slot = reader_slot(number, pass_over, file);
    if (slot < 0) return;
    Reader r{slot, file};
    if (fast_path && !pass_over && reader_window(r) && string_field_quick(r, variable)) return;
    // Bytes past the limit are read and dropped.
    size_t kept = 0;
    auto keep = [&kept](int c) {
        if (kept < field_length_limit) field_bytes[kept++] = uint8_t(c);
    };
    int c;
    do c = fetch(r);
    while (c == ' ' || c == '\t');
    if (c == fetch_failed || (c == end_of_input && pass_over)) return;
    if (c == end_of_input) {
        string_assign(variable, string_from_text("", 0));
        runtime_error(error_input_past_end);
        return;
    }
    if (c == '"') {
        for (run_take(r, kept, true), c = fetch(r); c >= 0 && c != '"'; run_take(r, kept, true), c = fetch(r)) keep(c);
        if (c == '"') {
            do c = fetch(r);
            while (c >= 0 && c != ',' && !is_line_end(c));
        }
    } else {
        for (; c >= 0 && c != ',' && !is_line_end(c); c = fetch(r)) keep(c), run_take(r, kept, false);
        while (kept > 0 && (field_bytes[kept - 1] == ' ' || field_bytes[kept - 1] == '\t')) kept--;
    }
    if (c == fetch_failed) return;
    if (is_line_end(c)) consume_line_end(r, c);
    if (pass_over) return;
    if (fast_path) {
        string_assign_bytes(variable, field_bytes, int32_t(kept));
        return;
    }
    StringValue* value = string_new(uint32_t(kept), true);
    if (kept > 0) std::memcpy(value->data, field_bytes, kept);
    string_assign(variable, value);
}

long double file_input_single(int32_t number, uint32_t type_code) {
    bool pass_over;
    FileSlot* file;
    int32_t slot = reader_slot(number, pass_over, file);
    if (slot < 0) return 0;
    Reader r{slot, file};
    long double quick;
    if (fast_path && !pass_over && (type_code & type_floating) && reader_window(r) && number_field_quick(r, quick))
        return quick;
    int c;
    do c = fetch(r);
    while (c == ' ');
    if (c == fetch_failed || (c == end_of_input && pass_over)) return 0;
    if (c == end_of_input) {
        runtime_error(error_input_past_end);
        return 0;
    }
    NumberScan scan;
    c = scan_number(r, c, scan);
    skip_field_rest(r, c);
    if (error_pending.load()) return 0;
    long double value;
    bool from_radix;
    if (!convert(scan, type_code, value, from_radix)) {
        overflow_raise(slot);
        return 0;
    }
    int width = int(type_code & 0x1FF);
    if (type_code & type_floating) {
        if (width < 64 && value > 3.402823466E+38L) {
            overflow_raise(slot);
            return 0;
        }
        return value;
    }
    if (from_radix) return value;
    int64_t whole = round_to_int(value);
    bool fits;
    if (type_code & type_unsigned)
        fits = value >= 0 && (width >= 64 || uint64_t(whole) <= (uint64_t(1) << width) - 1) && value < 1.8446744073709552e19L;
    else
        fits = width >= 64 ? (value >= -9.2233720368547758e18L && value < 9.2233720368547758e18L)
                           : (whole >= -(int64_t(1) << (width - 1)) && whole < (int64_t(1) << (width - 1)));
    if (!fits) {
        overflow_raise(slot);
        return 0;
    }
    return static_cast<long double>(whole);
}

void file_input_end() { overflow_slot = -1; }

int32_t file_eof(int32_t number) {
    int32_t slot = file_slot_of(number);
    if (number < 1 || slot < 0) {
        runtime_error(error_bad_file_name_or_number);
        return 0;
    }
    FileSlot* s = layer_slot(slot);
    if (s->end_seen) return -1;
    if (s->mode == 3) {
        // Bytes still buffered lie before the end; only once they are used up
        // is the file's size asked again.
        int64_t buffered;
        const uint8_t* next = layer_buffered(slot, buffered, false);
        if (next == nullptr) {
            int64_t length = layer_length(slot);
            if (length >= 0 && s->position >= uint64_t(length)) return -1;
        } else if (*next != 0) {
            return 0;  // a byte that is not NUL is next
        }
        if (only_nul_bytes_left(slot)) return -1;
    }
    return 0;
}
