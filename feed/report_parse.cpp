#include "feed/report_parse.h"

#include <cmath>
#include <cstdlib>

#include "feed/feed_parse.h"  // feed_days_from_civil

namespace {

enum Column { c_time, c_rx_sign, c_rx_loc, c_tx_sign, c_frequency, c_snr, column_count };
constexpr std::string_view column_names[column_count] = {"time", "rx_sign", "rx_loc", "tx_sign", "frequency", "snr"};

// Reports from before 2000 or after 2100 are not believed.
constexpr int64_t earliest = 946684800, latest = 4102444800;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// A whole signed integer from `lo` to `hi`, no other characters.
bool integer_in(std::string_view s, int64_t lo, int64_t hi, int64_t& out) {
    size_t i = !s.empty() && (s[0] == '-' || s[0] == '+');
    if (i == s.size() || s.size() - i > 18) return false;
    int64_t v = 0;
    for (size_t k = i; k < s.size(); k++) {
        if (!is_digit(s[k])) return false;
        v = v * 10 + (s[k] - '0');
    }
    out = s[0] == '-' ? -v : v;
    return out >= lo && out <= hi;
}

// A decimal number from `lo` to `hi`, no other characters.
bool number_in(std::string_view s, double lo, double hi, double& out) {
    if (s.empty() || s.size() > 24) return false;
    for (char c : s)
        if (!is_digit(c) && c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') return false;
    std::string text(s);
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(out) && out >= lo && out <= hi;
}

// A locator: up to 10 letters and digits (the report's own case kept); may be empty.
bool locator_valid(std::string_view s) {
    if (s.size() > 10) return false;
    for (char c : s)
        if (!is_letter(c) && !is_digit(c)) return false;
    return true;
}

bool mode_valid(std::string_view s) {
    if (s.size() > 16) return false;
    for (char c : s)
        if (!is_letter(c) && !is_digit(c) && c != '-' && c != '_') return false;
    return true;
}

// Takes the report when every field holds, else counts it.
void take(ReportParser& p, Report& r, int64_t when, int64_t snr, std::vector<Report>& out) {
    if (!report_call_valid(r.reporter) || !report_call_valid(r.sender) || !locator_valid(r.locator) ||
        !mode_valid(r.mode) || when < earliest || when > latest || snr < -60 || snr > 60) {
        p.bad++;
        return;
    }
    r.when = when;
    r.snr = int(snr);
    p.reports++;
    out.push_back(std::move(r));
}

// Adds the bytes from `i` up to the next `end` (or to the end of `bytes`) to
// the item being gathered; an item beyond the limit is counted bad and
// skipped to its end. Where `end` stands, or npos.
size_t gather(ReportParser& p, std::string_view bytes, size_t i, char end) {
    size_t at = bytes.find(end, i);
    std::string_view part = bytes.substr(i, at == std::string_view::npos ? std::string_view::npos : at - i);
    if (p.skipping) return at;
    if (p.pending.size() + part.size() > report_item_limit) {
        p.skipping = true;
        p.bad++;
        p.pending.clear();
    } else {
        p.pending.append(part);
    }
    return at;
}

// ---- XML ----

// `text` with the five named entities replaced.
std::string xml_text(std::string_view text) {
    static constexpr std::string_view names[5][2] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}};
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        bool replaced = false;
        for (auto& n : names)
            if (text.substr(i, n[0].size()) == n[0]) {
                out += n[1];
                i += n[0].size() - 1;
                replaced = true;
                break;
            }
        if (!replaced) out += text[i];
    }
    return out;
}

// The attributes of an element (the text after its name), or false when they are not well formed.
template <typename Each>
bool xml_attributes(std::string_view e, Each each) {
    size_t i = 0;
    while (true) {
        while (i < e.size() && is_space(e[i])) i++;
        if (i == e.size() || e[i] == '/' || e[i] == '?') return true;
        size_t name = i;
        while (i < e.size() && e[i] != '=' && !is_space(e[i])) i++;
        std::string_view key = e.substr(name, i - name);
        while (i < e.size() && is_space(e[i])) i++;
        if (i == e.size() || e[i] != '=') return false;
        i++;
        while (i < e.size() && is_space(e[i])) i++;
        if (i == e.size() || (e[i] != '"' && e[i] != '\'')) return false;
        char quote = e[i++];
        size_t end = e.find(quote, i);
        if (end == std::string_view::npos) return false;
        each(key, xml_text(e.substr(i, end - i)));
        i = end + 1;
    }
}

// One element, without its '<' and '>'.
void xml_element(ReportParser& p, std::string_view e, std::vector<Report>& out) {
    size_t n = 0;
    while (n < e.size() && !is_space(e[n]) && e[n] != '/') n++;
    std::string_view name = e.substr(0, n), rest = e.substr(n);
    if (name == "receptionReports") p.answer_seen = true;
    if (name == "lastSequenceNumber") {
        int64_t value = -1;
        xml_attributes(rest, [&](std::string_view key, const std::string& v) {
            if (key == "value" && !integer_in(v, 0, INT64_MAX, value)) value = -1;
        });
        if (value >= 0) p.last_sequence = value;
        return;
    }
    if (name != "receptionReport") return;
    Report r;
    int64_t when = -1, snr = INT64_MIN;
    bool ok = true;
    ok = xml_attributes(rest, [&](std::string_view key, const std::string& v) {
        if (key == "receiverCallsign") r.reporter = v;
        else if (key == "receiverLocator") r.locator = v;
        else if (key == "senderCallsign") r.sender = v;
        else if (key == "mode") r.mode = v;
        else if (key == "flowStartSeconds") ok = ok && integer_in(v, earliest, latest, when);
        else if (key == "sNR") ok = ok && integer_in(v, -60, 60, snr);
        else if (key == "frequency") ok = ok && number_in(v, 1, 3e11, r.frequency_hz);
    }) && ok;
    if (!ok) {
        p.bad++;
        return;
    }
    take(p, r, when, snr, out);
}

void xml_bytes(ReportParser& p, std::string_view bytes, std::vector<Report>& out) {
    for (size_t i = 0; i < bytes.size();) {
        if (!p.inside) {
            size_t lt = bytes.find('<', i);
            if (lt == std::string_view::npos) return;
            p.inside = true;
            p.skipping = false;
            p.pending.clear();
            i = lt + 1;
            continue;
        }
        size_t gt = gather(p, bytes, i, '>');
        if (gt == std::string_view::npos) return;
        i = gt + 1;
        // A comment ends at "-->" only.
        if (!p.skipping && p.pending.starts_with("!--") && !(p.pending.size() >= 5 && p.pending.ends_with("--"))) {
            p.pending += '>';
            continue;
        }
        if (!p.skipping) xml_element(p, p.pending, out);
        p.inside = p.skipping = false;
        p.pending.clear();
    }
}

// ---- Lines ----

// The fields of a line; quoted fields ("a,b", "" for a quote) unquoted.
std::vector<std::string> fields_of(std::string_view line, char separator) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); i++) {
        char c = line[i];
        if (quoted) {
            if (c != '"') fields.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', i++;
            else quoted = false;
        } else if (c == '"' && separator == ',') {
            quoted = true;
        } else if (c == separator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

void header_line(ReportParser& p, std::string_view line) {
    p.separator = line.find('\t') != std::string_view::npos ? '\t' : ',';
    std::vector<std::string> names = fields_of(line, p.separator);
    for (size_t i = 0; i < names.size(); i++)
        for (int c = 0; c < column_count; c++)
            if (names[i] == column_names[c] && p.columns[c] < 0) p.columns[c] = int(i);
    p.header_read = true;
    p.answer_seen = p.columns[c_time] >= 0 && p.columns[c_rx_sign] >= 0 && p.columns[c_tx_sign] >= 0 &&
                    p.columns[c_snr] >= 0;
    if (!p.answer_seen) p.format = ReportFormat::other;
}

void table_line(ReportParser& p, std::string_view line, std::vector<Report>& out) {
    std::vector<std::string> f = fields_of(line, p.separator);
    auto field = [&](int c) -> std::string { return p.columns[c] >= 0 && size_t(p.columns[c]) < f.size() ? f[p.columns[c]] : ""; };
    for (int c : {c_time, c_rx_sign, c_tx_sign, c_snr})
        if (size_t(p.columns[c]) >= f.size()) {
            p.bad++;
            return;
        }
    Report r;
    int64_t when, snr;
    r.reporter = field(c_rx_sign);
    r.locator = field(c_rx_loc);
    r.sender = field(c_tx_sign);
    r.mode = "WSPR";
    std::string hz = field(c_frequency);
    if (!report_time_parse(field(c_time), when) || !integer_in(field(c_snr), -60, 60, snr) ||
        (!hz.empty() && !number_in(hz, 1, 3e11, r.frequency_hz))) {
        p.bad++;
        return;
    }
    take(p, r, when, snr, out);
}

// Spot ID, Timestamp, Reporter, Reporter's Grid, SNR, Frequency (MHz), Call Sign, Grid, Power, ...
void archive_line(ReportParser& p, std::string_view line, std::vector<Report>& out) {
    std::vector<std::string> f = fields_of(line, ',');
    int64_t id, when, snr;
    double mhz;
    if (f.size() < 7 || f.size() > 20 || !integer_in(f[0], 0, INT64_MAX, id) || !integer_in(f[1], earliest, latest, when) ||
        !integer_in(f[4], -60, 60, snr) || !number_in(f[5], 0.001, 300000, mhz)) {
        p.bad++;
        return;
    }
    Report r;
    r.reporter = f[2];
    r.locator = f[3];
    r.sender = f[6];
    r.frequency_hz = std::round(mhz * 1e6);
    r.mode = "WSPR";
    take(p, r, when, snr, out);
}

void line(ReportParser& p, std::string_view text, std::vector<Report>& out) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_not_of(" \t") == std::string_view::npos) return;
    if (p.format == ReportFormat::archive) archive_line(p, text, out);
    else if (!p.header_read) header_line(p, text);
    else if (p.format == ReportFormat::table) table_line(p, text, out);
}

void line_bytes(ReportParser& p, std::string_view bytes, std::vector<Report>& out) {
    for (size_t i = 0; i < bytes.size() && p.format != ReportFormat::other;) {
        size_t nl = gather(p, bytes, i, '\n');
        if (nl == std::string_view::npos) return;
        i = nl + 1;
        if (!p.skipping) {
            if (p.format == ReportFormat::unknown) {  // the first line tells an archive (a number first) from a table
                size_t comma = p.pending.find(',');
                int64_t id;
                p.format = comma != std::string::npos && integer_in(std::string_view(p.pending).substr(0, comma), 0, INT64_MAX, id)
                               ? ReportFormat::archive
                               : ReportFormat::table;
                p.answer_seen = p.format == ReportFormat::archive;
            }
            line(p, p.pending, out);
        }
        p.skipping = false;
        p.pending.clear();
    }
}

}  // namespace

void report_parse(ReportParser& p, std::string_view bytes, std::vector<Report>& out) {
    if (p.format == ReportFormat::unknown && p.pending.empty()) {
        if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);  // a UTF-8 byte order mark
        size_t first = 0;
        while (first < bytes.size() && is_space(bytes[first])) first++;
        if (first == bytes.size()) return;
        bytes.remove_prefix(first);
        if (bytes[0] == '<') p.format = ReportFormat::xml;
    }
    if (p.format == ReportFormat::xml) xml_bytes(p, bytes, out);
    else if (p.format != ReportFormat::other) line_bytes(p, bytes, out);
}

void report_parse_end(ReportParser& p, std::vector<Report>& out) {
    if (p.format != ReportFormat::xml && p.format != ReportFormat::other && !p.pending.empty() && !p.skipping)
        line_bytes(p, "\n", out);
    p.pending.clear();
    p.inside = p.skipping = false;
}

bool report_call_valid(std::string_view call) {
    if (call.size() < 3 || call.size() > 12) return false;
    bool letter = false, digit = false;
    for (char c : call) {
        if (is_letter(c)) letter = true;
        else if (is_digit(c)) digit = true;
        else if (c != '/' && c != '-') return false;
    }
    return letter && digit;
}

bool report_call_same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

bool report_time_parse(std::string_view t, int64_t& when) {
    // YYYY-MM-DD HH:MM:SS
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return false;
    int64_t y, mo, d, h, mi, s;
    if (!integer_in(t.substr(0, 4), 1970, 2100, y) || !integer_in(t.substr(5, 2), 1, 12, mo) ||
        !integer_in(t.substr(8, 2), 1, 31, d) || !integer_in(t.substr(11, 2), 0, 23, h) ||
        !integer_in(t.substr(14, 2), 0, 59, mi) || !integer_in(t.substr(17, 2), 0, 59, s))
        return false;
    for (size_t i : {0, 5, 8, 11, 14, 17})
        if (!is_digit(t[i])) return false;  // no sign in place of a digit
    when = feed_days_from_civil(int(y), int(mo), int(d)) * 86400 + h * 3600 + mi * 60 + s;
    return true;
}
