#include "feed/feed_parse.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> words(const std::string& line, size_t from = 0) {
    std::vector<std::string> out;
    size_t i = from;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') i++;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool all_digits(const std::string& s, size_t n) {
    if (s.size() != n) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

int number_at(const std::string& s, size_t at, size_t n) { return std::atoi(s.substr(at, n).c_str()); }

// A whole signed integer, no other characters.
bool parse_int(const std::string& s, int& out) {
    if (s.empty() || s.size() > 6) return false;
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); k++)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
    out = std::atoi(s.c_str());
    return true;
}

bool parse_real(const std::string& s, double& out) {
    if (s.empty() || s.size() > 20) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(out);
}

// A dial frequency in MHz: a decimal number from 0.1 up to 300000 (the microwave bands).
bool parse_mhz(const std::string& s, double& out) {
    return s.find('.') != std::string::npos && parse_real(s, out) && out >= 0.1 && out <= 300000;
}

// A dial as the decoders write it: a frequency, or 0.000 where no rig is under
// their control, which is kept as 0, unknown.
bool parse_dial(const std::string& s, double& out) {
    return parse_mhz(s, out) || (s.find('.') != std::string::npos && parse_real(s, out) && out == 0);
}

bool is_letter(char c, char last) { return (c >= 'A' && c <= last) || (c >= 'a' && c <= last - 'A' + 'a'); }

// A square (FN42) or subsquare (FN42hx); a 6-character call such as AM575C is neither.
bool is_grid(const std::string& w) {
    return (w.size() == 4 || w.size() == 6) && w[0] >= 'A' && w[0] <= 'R' && w[1] >= 'A' && w[1] <= 'R' &&
           std::isdigit(static_cast<unsigned char>(w[2])) && std::isdigit(static_cast<unsigned char>(w[3])) &&
           (w.size() == 4 || (is_letter(w[4], 'X') && is_letter(w[5], 'X'))) && w != "RR73";
}

// A plausible SNR for a weak-signal decode; beyond this the line is not trusted.
bool sane_snr(int snr) { return snr >= -60 && snr <= 50; }

// hh:mm:ss from a time written hhmmss or hhmm; false when out of range.
bool time_of(const std::string& t, int& seconds) {
    int h, m, s = 0;
    if (all_digits(t, 6)) h = number_at(t, 0, 2), m = number_at(t, 2, 2), s = number_at(t, 4, 2);
    else if (all_digits(t, 4)) h = number_at(t, 0, 2), m = number_at(t, 2, 2);
    else return false;
    if (h > 23 || m > 59 || s > 59) return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

// yymmdd (or yyyymmdd) as midnight UTC.
bool date_of(const std::string& d, int64_t& day) {
    const size_t year = d.size() == 8 ? 4 : 2;
    if (!all_digits(d, year + 4)) return false;
    int y = (year == 2 ? 2000 : 0) + number_at(d, 0, year), m = number_at(d, year, 2), dd = number_at(d, year + 2, 2);
    if (m < 1 || m > 12 || dd < 1 || dd > 31) return false;
    day = feed_days_from_civil(y, m, dd) * 86400;
    return true;
}

std::string join(const std::vector<std::string>& w, size_t from) {
    std::string out;
    for (size_t i = from; i < w.size(); i++) out += (i > from ? " " : "") + w[i];
    return out;
}

std::string mhz_text(double mhz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", mhz);
    return buf;
}

// Fills the call and aux of a spot from its message: a spot, or a decode that names no sender.
FeedLine take_message(const std::string& message, FeedSpot& spot) {
    spot.call = feed_message_call(message);
    if (spot.call.empty()) return FeedLine::no_sender;
    spot.aux = feed_message_grid(message);
    if (spot.aux.empty() && spot.dial_mhz > 0) spot.aux = mhz_text(spot.dial_mhz);
    return FeedLine::spot;
}

const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// 2018-01-27 or 2014-Jul-07.
bool long_date(const std::string& d, int64_t& day) {
    if (d.size() < 10 || d[4] != '-' || !all_digits(d.substr(0, 4), 4)) return false;
    int y = number_at(d, 0, 4), m = 0, dd;
    size_t dash = d.find('-', 5);
    if (dash == std::string::npos) return false;
    std::string month = d.substr(5, dash - 5);
    if (all_digits(month, 2)) m = std::atoi(month.c_str());
    for (int i = 0; i < 12 && m == 0; i++)
        if (month == months[i]) m = i + 1;
    std::string rest = d.substr(dash + 1);
    if (!all_digits(rest, 2) || m < 1 || m > 12) return false;
    dd = std::atoi(rest.c_str());
    if (dd < 1 || dd > 31) return false;
    day = feed_days_from_civil(y, m, dd) * 86400;
    return true;
}

FeedLine parse_wsjtx(const std::vector<std::string>& w, FeedSpot& spot) {
    // yymmdd_hhmmss MHz Rx|Tx MODE snr dt audio message...
    const std::string& stamp = w[0];
    int64_t day;
    int seconds;
    if (stamp.size() != 13 || stamp[6] != '_' || !date_of(stamp.substr(0, 6), day) || !time_of(stamp.substr(7), seconds))
        return FeedLine::malformed;
    if (w[2] == "Tx") return FeedLine::ignored;
    if (w[2] != "Rx" || w.size() < 8) return FeedLine::malformed;
    if (!parse_dial(w[1], spot.dial_mhz) || !parse_int(w[4], spot.snr) || !sane_snr(spot.snr)) return FeedLine::malformed;
    spot.when = day + seconds;
    spot.mode = w[3];
    return take_message(join(w, 7), spot);
}

// A decode under a header: [stamp] snr dt audio [marker] message..., the
// stamp's date and time already taken. The band and mode come from the header.
FeedLine parse_short(const std::vector<std::string>& w, int64_t when, const FeedContext& context, FeedSpot& spot) {
    if (w.size() < 6 || !parse_int(w[1], spot.snr) || !sane_snr(spot.snr)) return FeedLine::malformed;
    size_t message_at = 4;
    spot.mode = context.mode;
    if (w[4].size() == 1 && !std::isalnum(static_cast<unsigned char>(w[4][0]))) {  // ~ # @ $ : +
        message_at = 5;
        if (context.mode.find('+') != std::string::npos) spot.mode = w[4] == "#" ? "JT65" : w[4] == "@" ? "JT9" : context.mode;
    }
    spot.when = when;
    spot.dial_mhz = context.dial_mhz;
    return take_message(join(w, message_at), spot);
}

// JTDX: a header "yyyymmdd_hhmmss  MHz MHz  MODE", then lines that carry their
// own date and time but no dial or mode: "yyyymmdd_hhmmss snr dt audio ~ message".
FeedLine parse_jtdx(const std::vector<std::string>& w, FeedContext& context, FeedSpot& spot) {
    const std::string& stamp = w[0];
    int64_t day;
    int seconds;
    if (!date_of(stamp.substr(0, 8), day) || !time_of(stamp.substr(9), seconds)) return FeedLine::malformed;
    if (w.size() >= 4 && w[2] == "MHz") {
        double mhz;
        if (!parse_dial(w[1], mhz)) return FeedLine::malformed;
        context = FeedContext{day, mhz, w[3], seconds};
        return FeedLine::header;
    }
    return parse_short(w, day + seconds, context, spot);
}

FeedLine parse_wspr(const std::vector<std::string>& w, FeedSpot& spot) {
    // Current: date time snr dt MHz call [grid] power drift ...
    // Sept 2018 to Feb 2020 and before: date time sync snr dt MHz call [grid] power ...
    int64_t day;
    int seconds;
    if (!date_of(w[0], day) || !time_of(w[1], seconds)) return FeedLine::malformed;
    // The frequency has six or seven decimals; a time offset like 0.31 has two.
    // Without rig control it is the audio offset alone (0.001500): the dial is unknown.
    auto wspr_mhz = [&](const std::string& t) {
        size_t dot = t.find('.');
        if (dot == std::string::npos || t.size() - dot <= 4 || !parse_real(t, spot.dial_mhz)) return false;
        if (spot.dial_mhz >= 0 && spot.dial_mhz < 0.1) spot.dial_mhz = 0;
        return spot.dial_mhz == 0 || parse_mhz(t, spot.dial_mhz);
    };
    size_t mhz_at = 0;
    if (wspr_mhz(w[4])) mhz_at = 4;
    else if (w.size() > 6 && wspr_mhz(w[5])) mhz_at = 5;
    else return FeedLine::malformed;
    if (!parse_int(w[mhz_at - 2], spot.snr) || !sane_snr(spot.snr) || w.size() < mhz_at + 3) return FeedLine::malformed;
    std::string call = w[mhz_at + 1];
    if (call.size() > 2 && call.front() == '<' && call.back() == '>') call = call.substr(1, call.size() - 2);
    if (call == "...") return FeedLine::no_sender;
    if (!feed_plausible_call(call)) return FeedLine::malformed;
    spot.when = day + seconds;
    spot.mode = "WSPR";
    spot.call = call;
    spot.aux = is_grid(w[mhz_at + 2]) ? w[mhz_at + 2] : spot.dial_mhz > 0 ? mhz_text(spot.dial_mhz) : "";
    return FeedLine::spot;
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

bool feed_plausible_call(const std::string& w) {
    if (w.size() < 3 || w.size() > 12 || is_grid(w)) return false;
    bool letter = false, digit = false;
    for (char c : w) {
        if (c >= 'A' && c <= 'Z') letter = true;
        else if (c >= '0' && c <= '9') digit = true;
        else if (c != '/') return false;
    }
    if (!letter || !digit) return false;
    return w != "RR73" && w != "RRR" && w.front() != '/' && w.back() != '/';
}

std::string feed_message_call(const std::string& message) {
    std::vector<std::string> w = words(message);
    size_t at = 1;  // "CALL1 CALL2 ...": the sender is the second word
    if (!w.empty() && (w[0] == "CQ" || w[0] == "QRZ")) {
        at = 1;
        // One optional modifier: DX, NA, POTA, a number ...
        if (w.size() > 2 && !feed_plausible_call(w[1]) && w[1].front() != '<') at = 2;
    }
    if (at >= w.size()) return "";
    std::string call = w[at];
    if (call.size() > 2 && call.front() == '<' && call.back() == '>') {
        call = call.substr(1, call.size() - 2);
        if (call == "...") return "";
    }
    return feed_plausible_call(call) ? call : "";
}

std::string feed_message_grid(const std::string& message) {
    std::vector<std::string> w = words(message);
    size_t at = 1;
    if (!w.empty() && (w[0] == "CQ" || w[0] == "QRZ") && w.size() > 2 && !feed_plausible_call(w[1]) && w[1].front() != '<')
        at = 2;
    if (at + 1 < w.size() && is_grid(w[at + 1]) && w[at + 1].size() == 4) return w[at + 1];
    return "";
}

FeedLine feed_parse_line(const std::string& raw, FeedContext& context, FeedSpot& spot) {
    std::string line = raw;
    // A run of NULs is what a crash leaves where it was writing: the line goes on after it.
    size_t nul = line.rfind('\0');
    if (nul != std::string::npos) line.erase(0, nul + 1);
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a UTF-8 byte-order mark
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    std::vector<std::string> w = words(line);
    if (w.empty()) return FeedLine::ignored;
    spot = FeedSpot{};
    if (w[0].size() == 13 && w[0][6] == '_') {
        if (w.size() < 3) return FeedLine::malformed;
        return parse_wsjtx(w, spot);
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
        if (w[1].size() == 5 && w[1][2] == ':') time_of(w[1].substr(0, 2) + w[1].substr(3), at);
        context = FeedContext{day, mhz, w[4], at};
        return FeedLine::header;
    }
    if (all_digits(w[0], 6) && w.size() >= 11 && w.size() <= 20 && all_digits(w[1], 4)) return parse_wspr(w, spot);
    // A short line under an old header: hhmmss|hhmm snr dt audio marker message...
    int seconds;
    if (!time_of(w[0], seconds) || w.size() < 6 || context.day < 0) return FeedLine::malformed;
    // The header's date holds until the time of day goes back by more than
    // half a day: midnight passed. A smaller step back is a corrected clock.
    if (context.seconds >= 0 && seconds < context.seconds - 43200) context.day += 86400;
    context.seconds = seconds;
    return parse_short(w, context.day + seconds, context, spot);
}

std::string feed_record(const FeedSpot& spot) {
    int64_t s = ((spot.when % 86400) + 86400) % 86400;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s,%s,%02d:%02d:%02d,%d,\r\n", spot.call.c_str(), spot.aux.c_str(), int(s / 3600),
                  int(s / 60 % 60), int(s % 60), spot.snr);
    return buf;
}
