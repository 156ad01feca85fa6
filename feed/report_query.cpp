#include "feed/report_query.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Unix seconds as YYYY-MM-DD HH:MM:SS (UTC).
std::string utc_text(int64_t t) {
    int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400, s = t - days * 86400;
    // The civil date of a day number (the inverse of feed_days_from_civil).
    int64_t z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365, y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", int(y + (m <= 2)), int(m), int(d), int(s / 3600),
                  int(s / 60 % 60), int(s % 60));
    return text;
}

// How far back late reports are asked for again: receivers upload in batches,
// and a report of a slot already seen may come minutes later.
constexpr int64_t late_margin = 15 * 60;

}  // namespace

std::string report_service_base(ReportService service) {
    return service == ReportService::pskreporter ? "https://retrieve.pskreporter.info" : "https://db1.wspr.live";
}

std::string report_url_escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string report_query_url(const ReportQuery& q, int64_t from, int64_t now) {
    if (q.service == ReportService::pskreporter) {
        // The service keeps a day of reports.
        int64_t seconds = std::clamp<int64_t>(now - from, 60, 86400);
        std::string url = q.base + "/query?senderCallsign=" + report_url_escape(q.call) +
                          "&flowStartSeconds=-" + std::to_string(seconds) + "&rronly=1&appcontact=" +
                          report_url_escape(q.contact);
        if (!q.mode.empty()) url += "&mode=" + report_url_escape(q.mode);
        if (q.band_mhz >= 0) {
            int64_t low = int64_t(std::floor(q.band_mhz)) * 1000000;
            url += "&frange=" + std::to_string(low) + "-" + std::to_string(low + 999999);
        }
        if (q.last_sequence >= 0) url += "&lastseqno=" + std::to_string(q.last_sequence);
        return url;
    }
    int64_t after = q.latest > 0 ? std::max(from - 1, q.latest - late_margin) : from - 1;
    std::string sql = "SELECT time, rx_sign, rx_loc, tx_sign, frequency, snr FROM wspr.rx WHERE tx_sign = '" + q.call +
                      "' AND time > '" + utc_text(after) + "'";
    if (q.band_mhz >= 0) {
        int64_t low = int64_t(std::floor(q.band_mhz)) * 1000000;
        sql += " AND frequency >= " + std::to_string(low) + " AND frequency < " + std::to_string(low + 1000000);
    }
    sql += " ORDER BY time FORMAT CSVWithNames";
    return q.base + "/?query=" + report_url_escape(sql);
}

bool report_query_due(const ReportQuery& q, int64_t now) { return now >= q.next_at; }

void report_query_answered(ReportQuery& q, int64_t now) {
    q.failures = 0;
    q.next_at = now + int64_t(std::max(q.every_minutes, report_every_least)) * 60;
}

int64_t report_query_failed(ReportQuery& q, int64_t now, long retry_after) {
    q.failures = std::min(q.failures + 1, 16);
    // The usual pause, then twice as long each time, up to half an hour; never
    // sooner than the service asked.
    int64_t every = int64_t(std::max(q.every_minutes, report_every_least)) * 60;
    int64_t pause = std::min<int64_t>(report_retry_most, every << std::min(q.failures - 1, 8));
    if (retry_after > pause) pause = std::min<int64_t>(retry_after, 2 * 3600);
    q.next_at = now + pause;
    return pause;
}
