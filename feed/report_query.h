// Asking a report service for the reports of one sender's signal: the query
// addresses, and when to ask next.
//
// PSK Reporter: BASE/query?senderCallsign=CALL&flowStartSeconds=-SECONDS
// &rronly=1&appcontact=CONTACT (with mode=, frange= for the filters, and
// lastseqno= from the second query on). wspr.live: BASE/?query=SQL asking
// only for what is newer than the latest report seen. One query at start,
// then one every few minutes; a failed one is tried again after a growing
// pause of up to 30 minutes.
#pragma once

#include <cstdint>
#include <string>

enum class ReportService { pskreporter, wspr };

// One sender's queries to one service.
struct ReportQuery {
    ReportService service = ReportService::pskreporter;
    std::string base;          // the service's base address, without a trailing '/'
    std::string call;          // the sender, upper case
    std::string contact;       // how the service can reach the user
    std::string mode;          // only this mode ("" any)
    double band_mhz = -1;      // only this band (whole MHz); -1 any
    int every_minutes = 5;     // the pause between queries
    int64_t last_sequence = -1;  // PSK Reporter: the answer's lastSequenceNumber; -1 before the first
    int64_t latest = 0;        // the latest report time seen, Unix seconds; 0 none yet
    int failures = 0;          // queries failed since the last that answered
    int64_t next_at = 0;       // when the next query is due (the feeder's clock)
};

// The shortest pause between queries the services' rules allow, minutes.
constexpr int report_every_least = 2;
// The longest pause after failures, seconds.
constexpr int64_t report_retry_most = 30 * 60;

// ---- Addresses --------------------------------------------------------------------------

// The default base address of a service.
std::string report_service_base(ReportService service);
// The address of the next query; `from` is the span's start (Unix seconds), `now` the clock.
std::string report_query_url(const ReportQuery& query, int64_t from, int64_t now);
// `text` with everything but letters, digits and -._~ as %XX.
std::string report_url_escape(const std::string& text);

// ---- Schedule ---------------------------------------------------------------------------

// True when a query is due at `now`.
bool report_query_due(const ReportQuery& query, int64_t now);
// Records a query that answered at `now`: the next one every_minutes later.
void report_query_answered(ReportQuery& query, int64_t now);
// Records a failed query at `now` (with the seconds a Retry-After asked, or -1);
// returns the pause before the next try, seconds.
int64_t report_query_failed(ReportQuery& query, int64_t now, long retry_after);
