#include "feed/feed_parse.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The words of a line, as views of it: the first `max_words` kept, all counted.
struct Words {
    static constexpr size_t max_words = 24;
    struct Word {  // left unset beyond `kept`: a line of a few words sets no more
        const char* at;
        size_t size;
    };
    Word at[max_words];
    size_t kept = 0;   // words in `at`
    size_t count = 0;  // words in the line
    std::string_view operator[](size_t i) const {
        return i < kept ? std::string_view(at[i].at, at[i].size) : std::string_view();
    }
    size_t size() const { return count; }
};

static_assert(std::endian::native == std::endian::little, "a word of bytes holds its first byte lowest");

// Sixteen bytes compared at once (one instruction each where the processor has
// vectors; the compiler spells it out where it has none).
typedef uint8_t Bytes16 __attribute__((vector_size(16)));

// Bit i set where p[i], i < 16, is a blank (' ' or '\t'): no branch per byte.
uint32_t blanks16(const char* p) {
    Bytes16 x;
    std::memcpy(&x, p, 16);
    const auto blank = (x == ' ') | (x == '\t');  // 0xFF in each blank byte
#if defined(__SSE2__)
    return uint32_t(_mm_movemask_epi8(__m128i(blank)));  // each byte's top bit
#else
    uint64_t half[2];
    std::memcpy(half, &blank, 16);
    // Each byte's top bit gathered into the top byte, in order.
    auto gather = [](uint64_t h) { return uint32_t((((h & 0x8080808080808080ull) >> 7) * 0x0102040810204080ull) >> 56); };
    return gather(half[0]) | gather(half[1]) << 8;
#endif
}

// The blanks among line[base, base + 64), as bits; bytes past the line are not blanks.
uint64_t blanks_at(std::string_view line, size_t base) {
    const size_t n = line.size();
    uint64_t bits = 0;
    if (n < 16) {  // too short for a whole load: copied out
        char copy[16] = {};
        std::memcpy(copy, line.data(), n);
        return blanks16(copy) & ((uint32_t(1) << n) - 1);
    }
    for (size_t at = base; at < n && at < base + 64; at += 16) {
        const uint64_t b = at + 16 <= n ? blanks16(line.data() + at) : blanks16(line.data() + n - 16) >> (at + 16 - n);
        bits |= b << (at - base);
    }
    return bits;
}

Words words(std::string_view line) {
    Words out;
    const char* const p = line.data();
    const size_t n = line.size();
    size_t kept = 0, count = 0;
    uint64_t before = 0;  // 1 when the byte before this block is inside a word
    size_t open_at = 0;
    bool open = false;    // a word started at open_at and has not ended yet
    for (size_t base = 0; base < n; base += 64) {
        const uint64_t valid = n - base >= 64 ? ~uint64_t(0) : (uint64_t(1) << (n - base)) - 1;
        const uint64_t inside = ~blanks_at(line, base) & valid;
        uint64_t s = inside & ~((inside << 1) | before);  // a word's first byte
        uint64_t e = ~inside & ((inside << 1) | before);  // the byte after a word's last
        before = inside >> 63;
        // The k-th start pairs with the k-th end; a word left open by the block
        // before ends at this block's first end.
        if (open && e != 0) {
            open = false;
            if (kept < Words::max_words) out.at[kept++] = {p + open_at, base + size_t(std::countr_zero(e)) - open_at};
            e &= e - 1;
        }
        for (; s != 0; s &= s - 1) {
            count++;
            const size_t from = base + size_t(std::countr_zero(s));
            if (e == 0) {
                open = true, open_at = from;
                break;
            }
            if (kept < Words::max_words) out.at[kept++] = {p + from, base + size_t(std::countr_zero(e)) - from};
            e &= e - 1;
        }
    }
    if (open && kept < Words::max_words) out.at[kept++] = {p + open_at, n - open_at};
    out.kept = kept, out.count = count;
    return out;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A word against a short one, compared in place: the tests every line goes
// through cost no call into the library.
constexpr bool is(std::string_view word, std::string_view short_word) {
    if (word.size() != short_word.size()) return false;
    for (size_t i = 0; i < word.size(); i++)
        if (word[i] != short_word[i]) return false;
    return true;
}

bool all_digits(std::string_view s, size_t n) {
    if (s.size() != n) return false;
    for (char c : s)
        if (!is_digit(c)) return false;
    return true;
}

// The number written by `n` digits at `at` (checked to be digits).
int number_at(std::string_view s, size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; i++) v = v * 10 + (s[i] - '0');
    return v;
}

// A whole signed integer, no other characters.
bool parse_int(std::string_view s, int& out) {
    if (s.empty() || s.size() > 6) return false;
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); k++)
        if (!is_digit(s[k])) return false;
    out = number_at(s, i, s.size() - i);
    if (s[0] == '-') out = -out;
    return true;
}

bool parse_real(std::string_view s, double& out) {
    if (s.empty() || s.size() > 20) return false;
    char text[24];
    std::memcpy(text, s.data(), s.size());
    text[s.size()] = 0;
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end == text + s.size() && std::isfinite(out);
}

// A dial frequency in MHz: a decimal number from 0.1 up to 300000 (the microwave bands).
bool parse_mhz(std::string_view s, double& out) {
    return s.find('.') != std::string_view::npos && parse_real(s, out) && out >= 0.1 && out <= 300000;
}

// A dial as the decoders write it: a frequency, or 0.000 where no rig is under
// their control, which is kept as 0, unknown.
bool parse_dial(std::string_view s, double& out) {
    return parse_mhz(s, out) || (s.find('.') != std::string_view::npos && parse_real(s, out) && out == 0);
}

// A dial as parse_dial reads it, the last one's value remembered: a decoder
// writes the same dial on line after line.
bool dial_of(std::string_view s, FeedContext& context, double& out) {
    if (!s.empty() && context.dial_text == s) return out = context.dial_value, true;
    if (!parse_dial(s, out)) return false;
    if (s.size() <= 23) context.dial_text.assign(s), context.dial_value = out;
    return true;
}

bool is_letter(char c, char last) { return (c >= 'A' && c <= last) || (c >= 'a' && c <= last - 'A' + 'a'); }

// A square (FN42) or subsquare (FN42hx); a 6-character call such as AM575C is neither.
bool is_grid(std::string_view w) {
    return (w.size() == 4 || w.size() == 6) && w[0] >= 'A' && w[0] <= 'R' && w[1] >= 'A' && w[1] <= 'R' &&
           is_digit(w[2]) && is_digit(w[3]) && (w.size() == 4 || (is_letter(w[4], 'X') && is_letter(w[5], 'X'))) &&
           !is(w, "RR73");
}

// A plausible SNR for a weak-signal decode; beyond this the line is not trusted.
bool sane_snr(int snr) { return snr >= -60 && snr <= 50; }

// hh:mm:ss from a time written hhmmss or hhmm; false when out of range.
bool time_of(std::string_view t, int& seconds) {
    int h, m, s = 0;
    if (all_digits(t, 6)) h = number_at(t, 0, 2), m = number_at(t, 2, 2), s = number_at(t, 4, 2);
    else if (all_digits(t, 4)) h = number_at(t, 0, 2), m = number_at(t, 2, 2);
    else return false;
    if (h > 23 || m > 59 || s > 59) return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

// yymmdd (or yyyymmdd) as midnight UTC.
bool date_of(std::string_view d, int64_t& day) {
    const size_t year = d.size() == 8 ? 4 : 2;
    if (!all_digits(d, year + 4)) return false;
    int y = (year == 2 ? 2000 : 0) + number_at(d, 0, year), m = number_at(d, year, 2), dd = number_at(d, year + 2, 2);
    if (m < 1 || m > 12 || dd < 1 || dd > 31) return false;
    day = feed_days_from_civil(y, m, dd) * 86400;
    return true;
}

// A stamp's date as date_of reads it, the last one's midnight remembered: a
// decoder writes the same date line after line, all day.
bool stamp_date(std::string_view d, FeedContext& context, int64_t& day) {
    if (!d.empty() && context.date_text == d) return day = context.date_day, true;
    if (!date_of(d, day)) return false;
    if (d.size() <= 8) context.date_text.assign(d), context.date_day = day;
    return true;
}

// The dial frequency as the aux of a spot without a grid; the context keeps the last one.
void mhz_text(double mhz, FeedContext& context, FeedText<15>& out) {
    if (mhz != context.text_mhz) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.4f", mhz);
        context.mhz_text.assign(buf);
        context.text_mhz = mhz;
    }
    out = context.mhz_text;
}

bool is_cq(std::string_view w) { return is(w, "CQ") || is(w, "QRZ"); }

// Where the sender stands in a message's words: "CALL1 CALL2 ...", or CQ with one
// optional modifier (DX, NA, POTA, a number ...). `checked` is set when the word
// found has passed the call rule already (after CQ).
size_t sender_at(const Words& w, size_t from, bool& checked) {
    checked = false;
    if (w.size() > from + 2 && is_cq(w[from])) {
        if (feed_plausible_call(w[from + 1])) {
            checked = true;
            return from + 1;
        }
        if (w[from + 1].front() != '<') return from + 2;
    }
    return from + 1;
}

// The sender's word at `at` (sender_at, with its `checked`), or "" when it names
// no plausible call.
std::string_view call_at(const Words& w, size_t at, bool checked) {
    if (at >= w.size()) return {};
    if (checked) return w[at];
    std::string_view call = w[at];
    if (call.size() > 2 && call.front() == '<' && call.back() == '>') {
        call = call.substr(1, call.size() - 2);
        if (call == "...") return {};
    }
    return feed_plausible_call(call) ? call : std::string_view();
}

// The grid square after the sender's word at `at` (sender_at), or "".
std::string_view grid_after(const Words& w, size_t at) {
    if (at + 1 < w.size() && is_grid(w[at + 1]) && w[at + 1].size() == 4) return w[at + 1];
    return {};
}

// Fills the call and aux of a spot from the message that starts at word `from`:
// a spot, or a decode that names no sender.
FeedLine take_message(const Words& w, size_t from, FeedContext& context, FeedSpot& spot) {
    bool checked;
    const size_t at = sender_at(w, from, checked);  // found once: it tests words against the call rule
    std::string_view call = call_at(w, at, checked);
    if (call.empty()) return FeedLine::no_sender;
    spot.call.assign(call);
    std::string_view grid = grid_after(w, at);
    if (!grid.empty()) spot.aux.assign(grid);
    else if (spot.dial_mhz > 0) mhz_text(spot.dial_mhz, context, spot.aux);
    return FeedLine::spot;
}

const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// 2018-01-27 or 2014-Jul-07.
bool long_date(std::string_view d, int64_t& day) {
    if (d.size() < 10 || d[4] != '-' || !all_digits(d.substr(0, 4), 4)) return false;
    int y = number_at(d, 0, 4), m = 0, dd;
    size_t dash = d.find('-', 5);
    if (dash == std::string_view::npos) return false;
    std::string_view month = d.substr(5, dash - 5);
    if (all_digits(month, 2)) m = number_at(month, 0, 2);
    for (int i = 0; i < 12 && m == 0; i++)
        if (month == months[i]) m = i + 1;
    std::string_view rest = d.substr(dash + 1);
    if (!all_digits(rest, 2) || m < 1 || m > 12) return false;
    dd = number_at(rest, 0, 2);
    if (dd < 1 || dd > 31) return false;
    day = feed_days_from_civil(y, m, dd) * 86400;
    return true;
}

FeedLine parse_wsjtx(const Words& w, FeedContext& context, FeedSpot& spot) {
    // yymmdd_hhmmss MHz Rx|Tx MODE snr dt audio message...
    std::string_view stamp = w[0];
    int64_t day;
    int seconds;
    if (stamp.size() != 13 || stamp[6] != '_' || !stamp_date(std::string_view(stamp.data(), 6), context, day) ||
        !time_of(std::string_view(stamp.data() + 7, 6), seconds))
        return FeedLine::malformed;
    if (is(w[2], "Tx")) return FeedLine::ignored;
    if (!is(w[2], "Rx") || w.size() < 8) return FeedLine::malformed;
    if (!dial_of(w[1], context, spot.dial_mhz) || !parse_int(w[4], spot.snr) || !sane_snr(spot.snr))
        return FeedLine::malformed;
    spot.when = day + seconds;
    spot.mode.assign(w[3]);
    return take_message(w, 7, context, spot);
}

// A decode under a header: [stamp] snr dt audio [marker] message..., the
// stamp's date and time already taken. The band and mode come from the header.
FeedLine parse_short(const Words& w, int64_t when, FeedContext& context, FeedSpot& spot) {
    if (w.size() < 6 || !parse_int(w[1], spot.snr) || !sane_snr(spot.snr)) return FeedLine::malformed;
    size_t message_at = 4;
    spot.mode = context.mode;
    if (w[4].size() == 1 && !std::isalnum(static_cast<unsigned char>(w[4][0]))) {  // ~ # @ $ : +
        message_at = 5;
        if (context.mode.view().find('+') != std::string_view::npos)
            spot.mode.assign(w[4] == "#" ? "JT65" : w[4] == "@" ? "JT9" : context.mode.view());
    }
    spot.when = when;
    spot.dial_mhz = context.dial_mhz;
    return take_message(w, message_at, context, spot);
}

// Sets the context a header line gives.
FeedLine take_header(int64_t day, double mhz, std::string_view mode, int seconds, FeedContext& context) {
    context.day = day;
    context.dial_mhz = mhz;
    context.mode.assign(mode);
    context.seconds = seconds;
    return FeedLine::header;
}

// JTDX: a header "yyyymmdd_hhmmss  MHz MHz  MODE", then lines that carry their
// own date and time but no dial or mode: "yyyymmdd_hhmmss snr dt audio ~ message".
FeedLine parse_jtdx(const Words& w, FeedContext& context, FeedSpot& spot) {
    std::string_view stamp = w[0];
    int64_t day;
    int seconds;
    if (!stamp_date(stamp.substr(0, 8), context, day) || !time_of(stamp.substr(9), seconds)) return FeedLine::malformed;
    if (w.size() >= 4 && w[2] == "MHz") {
        double mhz;
        if (!parse_dial(w[1], mhz)) return FeedLine::malformed;
        return take_header(day, mhz, w[3], seconds, context);
    }
    return parse_short(w, day + seconds, context, spot);
}

FeedLine parse_wspr(const Words& w, FeedContext& context, FeedSpot& spot) {
    // Current: date time snr dt MHz call [grid] power drift ...
    // Sept 2018 to Feb 2020 and before: date time sync snr dt MHz call [grid] power ...
    int64_t day;
    int seconds;
    if (!date_of(w[0], day) || !time_of(w[1], seconds)) return FeedLine::malformed;
    // The frequency has six or seven decimals; a time offset like 0.31 has two.
    // Without rig control it is the audio offset alone (0.001500): the dial is unknown.
    auto wspr_mhz = [&](std::string_view t) {
        size_t dot = t.find('.');
        if (dot == std::string_view::npos || t.size() - dot <= 4 || !parse_real(t, spot.dial_mhz)) return false;
        if (spot.dial_mhz >= 0 && spot.dial_mhz < 0.1) spot.dial_mhz = 0;
        return spot.dial_mhz == 0 || parse_mhz(t, spot.dial_mhz);
    };
    size_t mhz_at = 0;
    if (wspr_mhz(w[4])) mhz_at = 4;
    else if (w.size() > 6 && wspr_mhz(w[5])) mhz_at = 5;
    else return FeedLine::malformed;
    if (!parse_int(w[mhz_at - 2], spot.snr) || !sane_snr(spot.snr) || w.size() < mhz_at + 3) return FeedLine::malformed;
    std::string_view call = w[mhz_at + 1];
    if (call.size() > 2 && call.front() == '<' && call.back() == '>') call = call.substr(1, call.size() - 2);
    if (call == "...") return FeedLine::no_sender;
    if (!feed_plausible_call(call)) return FeedLine::malformed;
    spot.when = day + seconds;
    spot.mode.assign("WSPR");
    spot.call.assign(call);
    if (is_grid(w[mhz_at + 2])) spot.aux.assign(w[mhz_at + 2]);
    else if (spot.dial_mhz > 0) mhz_text(spot.dial_mhz, context, spot.aux);
    return FeedLine::spot;
}

// Writes the decimal digits of a value below 100 as two digits.
char* two_digits(char* out, int v) {
    *out++ = char('0' + v / 10);
    *out++ = char('0' + v % 10);
    return out;
}

}  // namespace

int64_t feed_days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool feed_plausible_call(std::string_view w) {
    if (w.size() < 3 || w.size() > feed_call_max || is_grid(w)) return false;
    bool letter = false, digit = false;
    for (char c : w) {
        if (c >= 'A' && c <= 'Z') letter = true;
        else if (is_digit(c)) digit = true;
        else if (c != '/') return false;
    }
    if (!letter || !digit) return false;
    return !is(w, "RR73") && !is(w, "RRR") && w.front() != '/' && w.back() != '/';
}

std::string_view feed_message_call(std::string_view message) {
    const Words w = words(message);
    bool checked;
    const size_t at = sender_at(w, 0, checked);
    return call_at(w, at, checked);
}

std::string_view feed_message_grid(std::string_view message) {
    const Words w = words(message);
    bool checked;
    return grid_after(w, sender_at(w, 0, checked));
}

FeedLine feed_parse_line(std::string_view line, FeedContext& context, FeedSpot& spot) {
    // A run of NULs is what a crash leaves where it was writing: the line goes on after it.
    if (!line.empty() && std::memchr(line.data(), 0, line.size()) != nullptr) line.remove_prefix(line.rfind('\0') + 1);
    if (is(line.substr(0, 3), "\xEF\xBB\xBF")) line.remove_prefix(3);  // a UTF-8 byte-order mark
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const Words w = words(line);
    if (w.size() == 0) return FeedLine::ignored;
    spot = FeedSpot{};
    if (w[0].size() == 13 && w[0][6] == '_') {
        if (w.size() < 3) return FeedLine::malformed;
        return parse_wsjtx(w, context, spot);
    }
    for (size_t i = 0; i < w.size() && i < 3; i++)
        if (w[i] == "Transmitting") return FeedLine::ignored;
    if (w[0].size() == 15 && w[0][8] == '_') return parse_jtdx(w, context, spot);
    int64_t day;
    if (long_date(w[0], day)) {
        // 2018-01-27 22:27  14.074 MHz  FT8
        double mhz;
        int at = -1;  // the header's time of day, where it has one
        if (w.size() < 5 || !parse_dial(w[2], mhz) || w[3] != "MHz") return FeedLine::malformed;
        if (w[1].size() == 5 && w[1][2] == ':') {  // hh:mm
            const char hhmm[4] = {w[1][0], w[1][1], w[1][3], w[1][4]};
            time_of(std::string_view(hhmm, 4), at);
        }
        return take_header(day, mhz, w[4], at, context);
    }
    if (all_digits(w[0], 6) && w.size() >= 11 && w.size() <= 20 && all_digits(w[1], 4)) return parse_wspr(w, context, spot);
    // A short line under an old header: hhmmss|hhmm snr dt audio marker message...
    int seconds;
    if (!time_of(w[0], seconds) || w.size() < 6 || context.day < 0) return FeedLine::malformed;
    // The header's date holds until the time of day goes back by more than
    // half a day: midnight passed. A smaller step back is a corrected clock.
    if (context.seconds >= 0 && seconds < context.seconds - 43200) context.day += 86400;
    context.seconds = seconds;
    return parse_short(w, context.day + seconds, context, spot);
}

size_t feed_record(const FeedSpot& spot, char* out) {
    static_assert(feed_call_max + 15 + 24 < feed_record_max, "call, aux, time, snr, commas and CR LF fit");
    int64_t s = ((spot.when % 86400) + 86400) % 86400;
    // The texts are copied whole, a fixed size, and the pointer moved by their
    // length: what lies past it is written over next.
    static_assert(sizeof spot.call.text + 1 + sizeof spot.aux.text <= feed_record_max);
    char* p = out;
    std::memcpy(p, spot.call.text, sizeof spot.call.text), p += spot.call.size;
    *p++ = ',';
    std::memcpy(p, spot.aux.text, sizeof spot.aux.text), p += spot.aux.size;
    *p++ = ',';
    p = two_digits(p, int(s / 3600)), *p++ = ':';
    p = two_digits(p, int(s / 60 % 60)), *p++ = ':';
    p = two_digits(p, int(s % 60)), *p++ = ',';
    int snr = spot.snr;
    if (snr < 0) *p++ = '-', snr = -snr;
    if (snr >= 100) *p++ = char('0' + snr / 100 % 10);
    if (snr >= 10) *p++ = char('0' + snr / 10 % 10);
    *p++ = char('0' + snr % 10);
    *p++ = ',', *p++ = '\r', *p++ = '\n';
    return size_t(p - out);
}
