// Reception reports of a sender's signal, parsed from what the report
// services give: a PSK Reporter query answer (XML), a wspr.live table with a
// header line (CSV or TSV, columns by name in any order), and a WSPRnet
// archive CSV (no header). Told apart by their first bytes.
//
// The parser is fed chunks of any size, split anywhere, and keeps only one
// unfinished element or line between them, so a multi-gigabyte archive goes
// through in bounded memory. A report with a field that is absent, absurd or
// oversized is counted in `bad` and passed over; nothing is ever trusted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One reception report.
struct Report {
    int64_t when = 0;          // the report's time, seconds since 1970-01-01 UTC
    std::string reporter;      // the receiving station's call
    std::string locator;       // its locator exactly as given ("" when the report has none)
    std::string sender;        // the call of the station heard
    double frequency_hz = 0;   // the frequency heard, Hz; 0 when not given
    int snr = 0;               // dB
    std::string mode;          // FT8, WSPR, ...; "" when not given
};

enum class ReportFormat {
    unknown,  // nothing but white space seen yet
    xml,      // a PSK Reporter answer
    table,    // a wspr.live CSV or TSV with a header line
    archive,  // a WSPRnet archive CSV
    other,    // none of these
};

// The state kept between chunks.
struct ReportParser {
    ReportFormat format = ReportFormat::unknown;
    std::string pending;        // the unfinished element or line (at most report_item_limit bytes)
    bool inside = false;        // xml: within an element (pending holds it from after its '<')
    bool skipping = false;      // passing over an oversized element or line to its end
    bool header_read = false;   // table: the header line has been read
    char separator = ',';       // table: ',' or '\t'
    int columns[6] = {-1, -1, -1, -1, -1, -1};  // table: index of time, rx_sign, rx_loc, tx_sign, frequency, snr
    bool answer_seen = false;   // the expected answer's frame: <receptionReports>, or a header naming the columns
    long long reports = 0;      // reports returned
    long long bad = 0;          // reports and lines passed over as absent, absurd or oversized
    int64_t last_sequence = -1; // XML: lastSequenceNumber's value; -1 none
};

// The longest element or line taken; longer ones are passed over.
constexpr size_t report_item_limit = 4096;
static_assert(report_item_limit >= 1024, "a receptionReport element with every attribute fits");

// ---- Parsing ----------------------------------------------------------------------

// Parses the next bytes, adding the whole reports found to `out`.
void report_parse(ReportParser& parser, std::string_view bytes, std::vector<Report>& out);
// Ends the input: a last line without its line end is taken.
void report_parse_end(ReportParser& parser, std::vector<Report>& out);

// ---- Checks -----------------------------------------------------------------------

// A call as a report gives it: 3 to 12 letters, digits, '/' or '-', with a digit and a letter.
bool report_call_valid(std::string_view call);
// Two calls equal but for letter case.
bool report_call_same(std::string_view a, std::string_view b);
// "YYYY-MM-DD HH:MM:SS" (UTC) as Unix seconds; false when it is not such a time.
bool report_time_parse(std::string_view text, int64_t& when);
