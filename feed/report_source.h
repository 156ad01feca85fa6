// Reception reports of one sender's signal as spots: the reporter as the
// call, its locator as aux, the report's time and SNR. From report files
// (read again whole when they change) and, live, from a report service
// queried on its schedule. Reports of other senders are passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "feed/feed_parse.h"
#include "feed/report_parse.h"
#include "feed/report_query.h"

// A report file and how it was when last read.
struct ReportFileSeen {
    std::string path;
    long long size = -1;   // -1 never read
    int64_t changed = 0;   // its modification time then
};

// Where reports come from and what has been made of them.
struct ReportSource {
    std::string call;                  // the sender whose reports are wanted
    std::vector<ReportFileSeen> files; // report files
    bool live = false;                 // a service is queried
    ReportQuery query;                 // its queries
    std::string user_agent;            // how every query names the program and the user
    bool failing = false;              // the last query failed and was said so
    long long bad = 0;                 // reports passed over as absent, absurd or oversized
    long long other_senders = 0;       // reports of other senders passed over
};

// ---- Reading ----------------------------------------------------------------------------

// Hands `take` every new report of the sender as a spot: from the files that
// changed since the last call, and from a query when one is due at `now`
// (`from` is the span's start). Failures are said on standard error, a query's
// once until it answers again. False when a file or the query failed.
bool report_source_poll(ReportSource& source, int64_t from, int64_t now,
                        const std::function<void(const FeedSpot&)>& take);
// The name of a service as the messages give it.
const char* report_service_name(ReportService service);
