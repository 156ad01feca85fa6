#include "feed/report_source.h"

#include <sys/stat.h>

#include <cstdio>

#include "feed/http_fetch.h"
#include "feed/report_file.h"
#include "feed/report_parse.h"

namespace {

// A report file and how it was when last read.
struct FileSeen {
    std::string path;
    long long size = -1;   // -1 never read; -2 missing, said so
    int64_t changed = 0;   // its modification time then
};

class Reports : public FeedSource {
public:
    explicit Reports(const ReportSettings& settings) : settings_(settings) {
        for (const std::string& path : settings.files) files_.push_back({path});
    }
    void poll(FeedKeeper& keeper) override {
        complete_ = read_files(keeper);
        if (settings_.live && report_query_due(settings_.query, keeper.now)) complete_ = query(keeper) && complete_;
    }
    void rewind() override {  // the span moved back: everything again
        for (FileSeen& file : files_) file.size = -1;
        settings_.query.last_sequence = -1;
        settings_.query.latest = 0;
    }
    bool complete() const override { return complete_; }
    FeedCounts counts() const override { return counts_; }

private:
    // The reports of the sender offered to the keeper; the vector emptied.
    void hand_on(std::vector<Report>& reports, FeedKeeper& keeper) {
        for (const Report& r : reports) {
            if (!report_call_same(r.sender, settings_.call)) {
                counts_.other_senders++;
                continue;
            }
            if (r.when > settings_.query.latest) settings_.query.latest = r.when;
            FeedSpot spot;
            spot.when = r.when;
            spot.call.assign(r.reporter);
            spot.aux.assign(r.locator);
            spot.snr = r.snr;
            spot.dial_mhz = r.frequency_hz / 1e6;
            spot.mode.assign(r.mode);
            feed_keeper_offer(keeper, spot);
        }
        reports.clear();
    }

    bool read_files(FeedKeeper& keeper) {
        bool ok = true;
        for (FileSeen& file : files_) {
            struct stat st{};
            if (stat(file.path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
                if (file.size != -2) std::fprintf(stderr, "skerrow-feed: cannot read %s: no such file\n", file.path.c_str());
                file.size = -2;
                ok = false;
                continue;
            }
            if ((long long)st.st_size == file.size && int64_t(st.st_mtime) == file.changed) continue;
            file.size = (long long)st.st_size;
            file.changed = int64_t(st.st_mtime);
            ReportParser parser;
            std::string error;
            bool read = report_file_read(file.path, parser, [&](std::vector<Report>& r) { hand_on(r, keeper); }, error);
            counts_.malformed += parser.bad;
            if (!read) std::fprintf(stderr, "skerrow-feed: %s\n", error.c_str());
            else if (!parser.answer_seen)
                std::fprintf(stderr, "skerrow-feed: %s holds no reception reports that can be read\n", file.path.c_str());
            ok = ok && read && parser.answer_seen;
        }
        return ok;
    }

    bool query(FeedKeeper& keeper) {
        ReportQuery& q = settings_.query;
        HttpAnswer answer;
        std::string problem;
        ReportParser parser;
        std::vector<Report> reports;
        if (!http_fetch(report_query_url(q, keeper.from, keeper.now), settings_.user_agent, answer)) {
            problem = answer.error;
        } else if (answer.status != 200) {
            problem = "answered with status " + std::to_string(answer.status);
        } else {
            report_parse(parser, answer.body, reports);
            report_parse_end(parser, reports);
            if (!parser.answer_seen || (parser.format == ReportFormat::xml) != (q.service == ReportService::pskreporter)) {
                problem = "answered with something other than reception reports";
                reports.clear();
            }
        }
        if (!problem.empty()) {
            const int64_t pause = report_query_failed(q, keeper.now, answer.retry_after);
            if (!failing_)
                std::fprintf(stderr, "skerrow-feed: %s: %s; keeping what is written, asking again in %lld minutes\n",
                             report_service_name(q.service), problem.c_str(), (long long)((pause + 59) / 60));
            failing_ = true;
            return false;
        }
        if (failing_) std::fprintf(stderr, "skerrow-feed: %s answers again\n", report_service_name(q.service));
        failing_ = false;
        counts_.malformed += parser.bad;
        if (parser.last_sequence >= 0) q.last_sequence = parser.last_sequence;
        hand_on(reports, keeper);
        report_query_answered(q, keeper.now);
        return true;
    }

    ReportSettings settings_;
    std::vector<FileSeen> files_;
    FeedCounts counts_;
    bool complete_ = true;
    bool failing_ = false;  // the last query failed and was said so
};

}  // namespace

std::unique_ptr<FeedSource> report_source(const ReportSettings& settings) { return std::make_unique<Reports>(settings); }

const char* report_service_name(ReportService service) {
    return service == ReportService::pskreporter ? "PSK Reporter" : "wspr.live";
}
