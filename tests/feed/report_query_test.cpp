// The services' query addresses and the schedule of queries and retries.
#include <gtest/gtest.h>

#include "feed/report_query.h"

namespace {

constexpr int64_t now = 1765267200;  // 2025-12-09 08:00:00 UTC
constexpr int64_t midnight = 1765238400;

ReportQuery query(ReportService service) {
    ReportQuery q;
    q.service = service;
    q.base = "http://127.0.0.1:8080";
    q.call = "MM0MZW";
    q.contact = "mm0mzw@example.org";
    return q;
}

TEST(ReportQuery, Addresses) {
    ReportQuery psk = query(ReportService::pskreporter);
    EXPECT_EQ(report_query_url(psk, midnight, now),
              "http://127.0.0.1:8080/query?senderCallsign=MM0MZW&flowStartSeconds=-28800&rronly=1"
              "&appcontact=mm0mzw%40example.org");
    psk.mode = "FT8", psk.band_mhz = 14, psk.last_sequence = 33557421611;
    EXPECT_EQ(report_query_url(psk, now - 3 * 86400, now),
              "http://127.0.0.1:8080/query?senderCallsign=MM0MZW&flowStartSeconds=-86400&rronly=1"
              "&appcontact=mm0mzw%40example.org&mode=FT8&frange=14000000-14999999&lastseqno=33557421611");
    ReportQuery wspr = query(ReportService::wspr);
    EXPECT_EQ(report_query_url(wspr, midnight, now),
              "http://127.0.0.1:8080/?query=" +
                  report_url_escape("SELECT time, rx_sign, rx_loc, tx_sign, frequency, snr FROM wspr.rx WHERE tx_sign = "
                                    "'MM0MZW' AND time > '2025-12-08 23:59:59' ORDER BY time FORMAT CSVWithNames"));
    wspr.latest = now - 60;  // late uploads of the last quarter hour are asked for again
    wspr.band_mhz = 7;
    EXPECT_NE(report_query_url(wspr, midnight, now)
                  .find(report_url_escape("time > '2025-12-09 07:44:00' AND frequency >= 7000000 AND frequency < 8000000")),
              std::string::npos);
    EXPECT_EQ(report_url_escape("a b'/%"), "a%20b%27%2F%25");
}

TEST(ReportQuery, ScheduleAndGrowingRetries) {
    ReportQuery q = query(ReportService::pskreporter);
    EXPECT_TRUE(report_query_due(q, now));
    report_query_answered(q, now);
    EXPECT_FALSE(report_query_due(q, now + 299));
    EXPECT_TRUE(report_query_due(q, now + 300));
    int64_t t = now + 300;
    for (int64_t expected : {300, 600, 1200, 1800, 1800}) {
        EXPECT_EQ(report_query_failed(q, t, -1), expected);
        t = q.next_at;
    }
    EXPECT_EQ(report_query_failed(q, t, 5000), 5000);  // a Retry-After beyond the pause is kept to
    report_query_answered(q, t);
    EXPECT_EQ(q.failures, 0);
    q.every_minutes = 1;  // never more often than every two minutes
    report_query_answered(q, t);
    EXPECT_EQ(q.next_at, t + 120);
}

}  // namespace
