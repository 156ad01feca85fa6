#include "feed/report_source.h"

#include <sys/stat.h>

#include <cstdio>

#include "feed/http_fetch.h"
#include "feed/report_file.h"

namespace {

// The reports of the sender in `reports` handed on as spots; the vector emptied.
void hand_on(ReportSource& source, std::vector<Report>& reports, const std::function<void(const FeedSpot&)>& take) {
    for (Report& r : reports) {
        if (!report_call_same(r.sender, source.call)) {
            source.other_senders++;
            continue;
        }
        if (r.when > source.query.latest) source.query.latest = r.when;
        FeedSpot spot;
        spot.when = r.when;
        spot.call = std::move(r.reporter);
        spot.aux = std::move(r.locator);
        spot.snr = r.snr;
        spot.dial_mhz = r.frequency_hz / 1e6;
        spot.mode = std::move(r.mode);
        take(spot);
    }
    reports.clear();
}

bool read_files(ReportSource& source, const std::function<void(const FeedSpot&)>& take) {
    bool ok = true;
    for (ReportFileSeen& file : source.files) {
        struct stat st{};
        if (stat(file.path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            if (file.size != -2) std::fprintf(stderr, "skerrow-feed: cannot read %s: no such file\n", file.path.c_str());
            file.size = -2;  // said once
            ok = false;
            continue;
        }
        if ((long long)st.st_size == file.size && int64_t(st.st_mtime) == file.changed) continue;
        file.size = (long long)st.st_size;
        file.changed = int64_t(st.st_mtime);
        ReportParser parser;
        std::string error;
        bool read = report_file_read(file.path, parser, [&](std::vector<Report>& r) { hand_on(source, r, take); }, error);
        source.bad += parser.bad;
        if (!read) std::fprintf(stderr, "skerrow-feed: %s\n", error.c_str());
        else if (!parser.answer_seen)
            std::fprintf(stderr, "skerrow-feed: %s holds no reception reports that can be read\n", file.path.c_str());
        ok = ok && read && parser.answer_seen;
    }
    return ok;
}

bool query(ReportSource& source, int64_t from, int64_t now, const std::function<void(const FeedSpot&)>& take) {
    ReportQuery& q = source.query;
    HttpAnswer answer;
    std::string problem;
    ReportParser parser;
    std::vector<Report> reports;
    if (!http_fetch(report_query_url(q, from, now), source.user_agent, answer)) {
        problem = answer.error;
    } else if (answer.status != 200) {
        problem = "answered with status " + std::to_string(answer.status);
    } else {
        report_parse(parser, answer.body, reports);
        report_parse_end(parser, reports);
        bool expected = parser.answer_seen &&
                        (parser.format == ReportFormat::xml) == (q.service == ReportService::pskreporter);
        if (!expected) {
            problem = "answered with something other than reception reports";
            reports.clear();
        }
    }
    if (!problem.empty()) {
        int64_t pause = report_query_failed(q, now, answer.retry_after);
        if (!source.failing)
            std::fprintf(stderr, "skerrow-feed: %s: %s; keeping what is written, asking again in %lld minutes\n",
                         report_service_name(q.service), problem.c_str(), (long long)((pause + 59) / 60));
        source.failing = true;
        return false;
    }
    if (source.failing) std::fprintf(stderr, "skerrow-feed: %s answers again\n", report_service_name(q.service));
    source.failing = false;
    source.bad += parser.bad;
    if (parser.last_sequence >= 0) q.last_sequence = parser.last_sequence;
    hand_on(source, reports, take);
    report_query_answered(q, now);
    return true;
}

}  // namespace

const char* report_service_name(ReportService service) {
    return service == ReportService::pskreporter ? "PSK Reporter" : "wspr.live";
}

bool report_source_poll(ReportSource& source, int64_t from, int64_t now,
                        const std::function<void(const FeedSpot&)>& take) {
    bool ok = read_files(source, take);
    if (source.live && report_query_due(source.query, now)) ok = query(source, from, now, take) && ok;
    return ok;
}
