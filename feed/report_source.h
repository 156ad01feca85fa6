// Reception reports of one sender's signal as a source of spots: the
// reporter as the call, its locator as aux, the report's time and SNR. From
// report files (read again whole when they change) and, live, from a report
// service queried on its schedule. Reports of other senders are passed over.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "feed/feed_source.h"
#include "feed/report_query.h"

// What the source is told to read.
struct ReportSettings {
    std::string call;                // the sender whose reports are wanted
    std::vector<std::string> files;  // report files
    bool live = false;               // a service is queried on `query`'s schedule
    ReportQuery query;               // the queries
    std::string user_agent;          // how every query names the program and the user
};

// Builds the source. Failures are said on standard error, a query's once
// until it answers again; complete() is false while the last poll's file
// reading or query failed. Its counts: reports not understood as malformed,
// and the reports of other senders.
std::unique_ptr<FeedSource> report_source(const ReportSettings& settings);
// The name of a service as the messages give it.
const char* report_service_name(ReportService service);
