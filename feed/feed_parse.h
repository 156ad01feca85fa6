// Decoder log lines turned into spots: the parsers of skerrow-feed.
//
// Four kinds of input, told apart by content: ALL.TXT of WSJT-X 2.0.1 and
// later (one self-contained line per decode), ALL.TXT of earlier versions
// (a header line sets date, band and mode for the short lines after it; the
// date moves on when their time of day goes back by more than 12 hours),
// JTDX's files (a header sets band and mode; each line has its date and
// time), and ALL_WSPR.TXT in its three layouts. A dial of 0 (no rig under the
// decoder's control) is kept as unknown. A UTF-8 byte-order mark, and a run of
// NULs left by a crash while writing, are passed over. The parsers read views of the caller's
// bytes and write into fixed buffers: nothing is allocated per line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string_view>

// A short text held in place: at most N bytes, longer ones cut.
template <size_t N>
struct FeedText {
    char text[N + 1] = {};  // NUL-terminated
    uint8_t size = 0;       // bytes in use
    static_assert(N < 256);

    std::string_view view() const { return {text, size}; }
    bool empty() const { return size == 0; }
    void assign(std::string_view s) {
        size = uint8_t(std::min(s.size(), N));
        if (size) std::memcpy(text, s.data(), size);
        text[size] = 0;
    }
    friend bool operator==(const FeedText& a, std::string_view b) {
        if (a.size != b.size()) return false;
        for (size_t i = 0; i < b.size(); i++)  // short: compared in place
            if (a.text[i] != b[i]) return false;
        return true;
    }
    friend std::ostream& operator<<(std::ostream& out, const FeedText& t) { return out << t.view(); }
};

// The longest call sign taken; the longest record written.
constexpr size_t feed_call_max = 12;
constexpr size_t feed_record_max = 64;

// One received decode.
struct FeedSpot {
    int64_t when = 0;              // seconds since 1970-01-01 UTC
    FeedText<feed_call_max> call;  // the sender
    FeedText<15> aux;              // grid, or the dial frequency in MHz ("%.4f", at most 300000.0000);
                                   // empty when neither is known
    int snr = 0;                   // dB
    double dial_mhz = 0;           // dial frequency; 0 unknown
    FeedText<23> mode;             // FT8, FT4, JT65, WSPR, ... (a longer word is cut)
};

// What the lines before this one established (the headers of old ALL.TXT and of JTDX).
struct FeedContext {
    int64_t day = -1;         // midnight UTC of the date the short lines are on, seconds; -1 none yet
    double dial_mhz = 0;      // the header's band; 0 unknown
    FeedText<23> mode;        // the header's mode
    int seconds = -1;         // the time of day of the last short line (at first the header's); -1 none
    double text_mhz = -1;     // the dial frequency last written as text, and that text
    FeedText<15> mhz_text;
    FeedText<23> dial_text;   // the dial frequency last read as text, and its value
    double dial_value = 0;
    FeedText<8> date_text;    // the date of a line's stamp last read, and its midnight
    int64_t date_day = 0;
};

enum class FeedLine {
    spot,       // `spot` holds a decode
    header,     // a header: the context changed
    ignored,    // a line that is not a received decode (Tx, Transmitting, blank)
    no_sender,  // a decode whose sender cannot be named (a <...> hash, free text)
    malformed,  // nothing usable
};

// Parses one line (its line end, if any, is passed over).
FeedLine feed_parse_line(std::string_view line, FeedContext& context, FeedSpot& spot);

// The sender of a message, or "" when it names no plausible call (a view into `message`).
std::string_view feed_message_call(std::string_view message);
// The grid square that follows the sender in a message, or "".
std::string_view feed_message_grid(std::string_view message);
// True for a plausible call sign: letters, digits and '/', with a letter and a digit.
bool feed_plausible_call(std::string_view word);

// The spot as a spot-log record, call,aux,HH:MM:SS,snr,level (level empty) and
// CR LF, written to `out`; its length.
size_t feed_record(const FeedSpot& spot, char* out);  // room for feed_record_max bytes at `out`
// Midnight UTC of a civil date; the date of a time.
int64_t feed_days_from_civil(int year, int month, int day);
