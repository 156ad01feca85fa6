// Decoder log lines turned into spots: the parsers of skerrow-feed.
//
// Four kinds of input, told apart by content: ALL.TXT of WSJT-X 2.0.1 and
// later (one self-contained line per decode), ALL.TXT of earlier versions
// (a header line sets date, band and mode for the short lines after it; the
// date moves on when their time of day goes back by more than 12 hours),
// JTDX's files (a header sets band and mode; each line has its date and
// time), and ALL_WSPR.TXT in its three layouts. A dial of 0 (no rig under the
// decoder's control) is kept as unknown. A UTF-8 byte-order mark, and a run of
// NULs left by a crash while writing, are passed over.
#pragma once

#include <cstdint>
#include <string>

// One received decode.
struct FeedSpot {
    int64_t when = 0;     // seconds since 1970-01-01 UTC
    std::string call;     // the sender
    std::string aux;      // grid, or the dial frequency in MHz; empty when neither is known
    int snr = 0;          // dB
    double dial_mhz = 0;  // dial frequency; 0 unknown
    std::string mode;     // FT8, FT4, JT65, WSPR, ...
};

// What the lines before this one established (the headers of old ALL.TXT and of JTDX).
struct FeedContext {
    int64_t day = -1;       // midnight UTC of the date the short lines are on, seconds; -1 none yet
    double dial_mhz = 0;    // the header's band; 0 unknown
    std::string mode;       // the header's mode
    int seconds = -1;       // the time of day of the last short line (at first the header's); -1 none
};

enum class FeedLine {
    spot,       // `spot` holds a decode
    header,     // a header: the context changed
    ignored,    // a line that is not a received decode (Tx, Transmitting, blank)
    no_sender,  // a decode whose sender cannot be named (a <...> hash, free text)
    malformed,  // nothing usable
};

// Parses one line (without its line end).
FeedLine feed_parse_line(const std::string& line, FeedContext& context, FeedSpot& spot);

// The sender of a message, or "" when it names no plausible call.
std::string feed_message_call(const std::string& message);
// The grid square that follows the sender in a message, or "".
std::string feed_message_grid(const std::string& message);
// True for a plausible call sign: letters, digits and '/', with a letter and a digit.
bool feed_plausible_call(const std::string& word);

// The spot as a spot-log record: call,aux,HH:MM:SS,snr,level (level empty) and CR LF.
std::string feed_record(const FeedSpot& spot);
// Midnight UTC of a civil date; the date of a time.
int64_t feed_days_from_civil(int year, int month, int day);
