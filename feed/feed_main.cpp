// skerrow-feed: a live spot log from the decoder's own files and datagrams, or
// from the reception reports of one's own signal.
//
//   skerrow-feed [--once | --follow [--udp [ADDRESS]]] [-o SPOTS.LOG] [--day YYYY-MM-DD | --hours N]
//                [--band MHZ] [--mode NAME] [INPUT...]
//   skerrow-feed --heard-by CALL [--from pskreporter|wspr] [--every MINUTES]
//                [--contact TEXT] [--service-url URL] [...] [REPORTS...]
//
// INPUT is an ALL.TXT or ALL_WSPR.TXT file, or a folder holding them (the
// yearly and monthly split files included); by default the decoder's own
// folder. With --udp the decodes the decoders send as datagrams come in as
// they are made, after the files have been caught up. SPOTS.LOG is by
// default the log the installed monitor's starter setup file names
// (host/folders.h). The spot log gets a header line,
// then one record per decode: call,aux,HH:MM:SS,snr,level with CR LF.
// Started where its messages would be seen by no one (a Windows shortcut),
// it writes them to skerrow-feed.log beside its executable instead. One
// feeder keeps a log: a second one on it is refused (feed/feed_lock.h).
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "feed/feed_clock.h"
#include "feed/feed_decoder_files.h"
#include "feed/feed_keeper.h"
#include "feed/feed_lock.h"
#include "feed/feed_output.h"
#include "feed/feed_parse.h"
#include "feed/feed_source.h"
#include "feed/feed_system.h"
#include "feed/report_parse.h"
#include "feed/report_source.h"
#include "feed/udp_source.h"
#include "host/command_options.h"
#include "host/folders.h"

namespace {

const char* const usage_text =
    "Usage: skerrow-feed [--once | --follow [--udp [ADDRESS]]] [-o SPOTS.LOG]\n"
    "                    [--day YYYY-MM-DD | --hours N] [--band MHZ] [--mode NAME] [INPUT...]\n"
    "       skerrow-feed --heard-by CALL [--from pskreporter|wspr] [--every MINUTES]\n"
    "                    [--contact TEXT] [--service-url URL] [...] [REPORTS...]\n"
    "Writes a spot log for skerrow from the decoder's ALL.TXT and ALL_WSPR.TXT files\n"
    "and from the decodes WSJT-X, JTDX and MSHV send over the network, or, with\n"
    "--heard-by, from the reception reports of CALL's signal: every receiving\n"
    "station is a call of the log, its locator the aux.\n"
    "\n"
    "  INPUT            a decoder file, or a folder holding them\n"
    "                   (default: ~/.local/share/WSJT-X/; on Windows %LOCALAPPDATA%\\WSJT-X\\)\n"
    "  -o SPOTS.LOG     the spot log to write (default: $XDG_DATA_HOME/skerrow/spots.log,\n"
    "                   that is ~/.local/share/skerrow/spots.log; on Windows spots.log\n"
    "                   beside skerrow-feed.exe, the log of the starter setup file)\n"
    "  --once           convert what is there and exit (the default)\n"
    "  --follow         keep the spot log current until stopped\n"
    "  --udp [ADDRESS]  with --follow: take in the decoders' datagrams as well, on\n"
    "                   HOST, HOST:PORT, :PORT or [IPv6]:PORT (default 127.0.0.1:2237);\n"
    "                   a multicast group (224.0.0.0/4, ff00::/8) is shared with\n"
    "                   other listeners. Without INPUT the decoder's folder is read\n"
    "                   too when it exists\n"
    "  --interface NAME join a multicast group on this interface only\n"
    "  --off-air        keep decodes the decoder made from recorded files\n"
    "  --day DATE       the UTC day YYYY-MM-DD instead of the current one\n"
    "  --hours N        a rolling window of the last N hours instead of the day\n"
    "  --band MHZ       only decodes on this band (whole MHz of the dial frequency)\n"
    "  --mode NAME      only decodes in this mode (FT8, FT4, JT65, WSPR, ...)\n"
    "  --heard-by CALL  the reports of CALL's signal, from REPORTS (a saved PSK Reporter\n"
    "                   answer, a wspr.live CSV or TSV, a WSPRnet archive CSV, plain or\n"
    "                   .gz) or from a service; the default log is heard.log beside spots.log\n"
    "  --from SERVICE   ask pskreporter or wspr (wspr.live) for new reports\n"
    "  --every MINUTES  the pause between queries (default 5, at least 2)\n"
    "  --contact TEXT   how the service can reach you (default: CALL)\n"
    "  --service-url URL  the service's address instead of its own\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n";

struct Options {
    bool follow = false;
    std::string out;       // "" until the arguments are read: then the default log
    int64_t day = -1;      // a fixed day (midnight UTC); -1: the current UTC day
    double hours = 0;      // > 0: a rolling window instead of the day
    double band = -1;      // whole MHz of the dial frequency; -1 any
    std::string mode;      // "" any
    std::vector<std::string> inputs;
    bool udp = false;      // --udp: the decoders' datagrams too
    std::string heard_by;     // the sender whose reception reports are wanted; "" decodes
    std::string from;         // "pskreporter" or "wspr": a service asked live; "" none
    int every = 5;            // minutes between queries
    std::string contact;      // "" the call
    std::string service_url;  // "" the service's own
};

Options options;
UdpSource udp;  // with --udp
std::vector<std::unique_ptr<FeedSource>> sources;
FeedKeeper keeper;
SpotLog spot_log;
FeedLock lock;             // one feeder per spot log
bool rewrite_due = false;  // the log must be written whole (a new day, the window moved on)
std::string pieces;        // the records on their way to the log, a piece at a time
long long passed = 0;      // records --once handed on to the log as they came, not kept
volatile std::sig_atomic_t stopping = 0;

void on_signal(int) { stopping = 1; }

bool parse_day(const char* text, int64_t& day) {
    int y, m, d;
    if (std::sscanf(text, "%4d-%2d-%2d", &y, &m, &d) != 3 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    day = feed_days_from_civil(y, m, d) * 86400;
    return true;
}

// The span of time the spot log holds: [from, to).
void window(int64_t now, int64_t& from, int64_t& to) {
    if (options.hours > 0) {
        from = now - int64_t(options.hours * 3600);
        to = INT64_MAX;
    } else {
        from = options.day >= 0 ? options.day : now - ((now % 86400) + 86400) % 86400;
        to = from + 86400;
    }
}

// Takes the spot log's lock, or says who keeps the log; false when another
// feeder does. A lock that cannot be made yet (no folder) is tried again after
// the next write that succeeds.
bool lock_log() {
    long long other = 0;
    if (feed_lock_take(lock, spot_log.path, other) != FeedLockState::taken) return true;
    const std::string keeper_id = other > 0 ? " (process " + std::to_string(other) + ")" : "";
    std::fprintf(stderr, "skerrow-feed: another skerrow-feed%s keeps %s; stop it first, or name another log with -o\n",
                 keeper_id.c_str(), spot_log.path.c_str());
    return false;
}

// Brings the spot log up to what is kept; false, with the reason in the log, while it cannot.
bool write_out() {
    const size_t kept = keeper.order.size();
    size_t next = size_t(spot_log.records);
    if (rewrite_due || next > kept || !spot_log_unchanged(spot_log)) {  // due, or deleted or altered behind our back
        next = 0;
        if (!spot_log_rewrite(spot_log, [&] { return feed_keeper_records(keeper, next, pieces); }, (long long)kept))
            return false;
        rewrite_due = false;
        return true;
    }
    return next == kept ||
           spot_log_append(spot_log, [&] { return feed_keeper_records(keeper, next, pieces); },
                           (long long)(kept - next));
}

FeedCounts counts() {
    FeedCounts all;
    for (const auto& source : sources) {
        FeedCounts c = source->counts();
        all.malformed += c.malformed, all.no_sender += c.no_sender, all.late += c.late, all.incomplete += c.incomplete;
        all.other_senders += c.other_senders;
    }
    return all;
}

void summary(bool once) {
    const FeedCounts c = counts();
    const long long outside = keeper.outside + (once ? (long long)feed_keeper_held(keeper) : 0);
    std::string waiting;
    const long long kept = (long long)keeper.order.size() + passed;
    if (rewrite_due || spot_log.records != kept) waiting = " (" + std::to_string(kept) + " kept, not all written yet)";
    if (!options.heard_by.empty()) {
        std::fprintf(stderr, "skerrow-feed: %lld reports in %s%s; %lld reports not understood, %lld of other senders, "
                     "%lld outside the day or filters\n",
                     spot_log.records, spot_log.path.c_str(), waiting.c_str(), c.malformed, c.other_senders, outside);
        return;
    }
    std::fprintf(stderr,
                 "skerrow-feed: %lld spots in %s%s; %lld lines not understood, %lld decodes naming no sender, "
                 "%lld decodes outside the day or filters",
                 spot_log.records, spot_log.path.c_str(), waiting.c_str(), c.malformed, c.no_sender, outside);
    if (c.late > 0) std::fprintf(stderr, "; %lld decodes more than an hour out of order, which may be missed", c.late);
    if (once && c.incomplete > 0)
        std::fprintf(stderr, "; %d incomplete last line%s left out", c.incomplete, c.incomplete == 1 ? "" : "s");
    if (options.udp)
        std::fprintf(stderr, "; %lld datagrams, %lld not understood, %lld decodes of no known band, %lld off the air left out",
                     udp.datagrams, udp.not_understood + udp.no_call, udp.no_band, udp.off_air_left);
    std::fputc('\n', stderr);
}

// One pass: every source hands over what arrived; true when something was kept.
bool poll_sources() {
    const size_t before = keeper.kept.size();
    for (const auto& source : sources) source->poll(keeper);
    feed_keeper_settle(keeper);
    return keeper.kept.size() != before;
}

bool sources_complete() {
    for (const auto& source : sources)
        if (!source->complete()) return false;
    return true;
}

// Waits a second by the monotonic clock, less when a source has something or a signal came.
void wait_a_second() {
    std::vector<int> handles;
    for (const auto& source : sources)
        if (source->wait_handle() >= 0) handles.push_back(source->wait_handle());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (auto now = std::chrono::steady_clock::now(); now < end && !stopping; now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        if (feed_wait(handles, int(std::min<long long>(left, 100)))) return;
    }
}

// --heard-by: what the reports' source reads and asks.
ReportSettings reports_settings() {
    ReportSettings r;
    r.call = options.heard_by;
    r.files = options.inputs;
    r.live = !options.from.empty();
    ReportQuery& q = r.query;
    q.service = options.from == "wspr" ? ReportService::wspr : ReportService::pskreporter;
    q.base = options.service_url.empty() ? report_service_base(q.service) : options.service_url;
    q.call = options.heard_by;
    q.contact = options.contact.empty() ? options.heard_by : options.contact;
    q.mode = options.mode;
    q.band_mhz = options.band;
    q.every_minutes = options.every;
    r.user_agent = std::string("skerrow-feed/") + skerrow_version + " (" + q.contact + ")";
    return r;
}

// Datagrams not understood so far: a change is reported as lines not understood are.
long long udp_not_understood() { return udp.not_understood + udp.no_call; }

// The reference read, for tests: every input from its first byte, kept whole.
bool reference_read() {
    const char* whole = std::getenv("SKERROW_FEED_WHOLE_READ");
    return whole != nullptr && std::string(whole) == "1";
}

void make_sources() {
    sources.clear();
    if (!options.heard_by.empty()) {
        sources.push_back(report_source(reports_settings()));
        return;
    }
    if (!options.inputs.empty()) sources.push_back(feed_decoder_files(options.inputs, reference_read()));
    if (options.udp) sources.push_back(udp_feed_source(udp));  // after the files: they are caught up first
}

// --once from decoder files: the records go to the log's temporary file as
// they are read, while they come in time order, and nothing inside the span
// is kept. True when that served, with the exit code in `code`; false when a
// spot came out of order (or the temporary file could not be written): the
// span is then to be read again and kept whole. (A report service is asked
// once, never twice: its records are always kept.)
bool once_handing_on(int& code) {
    SpotDraft draft;
    if (!options.heard_by.empty() || reference_read() || !spot_draft_begin(spot_log, draft)) return false;
    FeedPass pass;
    pass.write = [&](std::string_view records, long long count) { return spot_draft_write(draft, records, count); };
    keeper.pass = &pass;
    poll_sources();
    const bool handed = feed_keeper_pass_end(keeper);
    keeper.pass = nullptr;
    if (!sources_complete()) {  // said so; the log stays as it was
        spot_draft_drop(draft);
        code = 1;
        return true;
    }
    if (!handed) {
        spot_draft_drop(draft);
        return false;
    }
    if (!spot_draft_finish(spot_log, draft)) {
        std::fprintf(stderr, "skerrow-feed: %s\n", spot_log.error.c_str());
        code = 1;
        return true;
    }
    passed = pass.records;
    summary(true);
    code = 0;
    return true;
}

int run() {
    make_sources();
    keeper.band = options.band, keeper.mode = options.mode;
    int64_t from, to;
    keeper.now = feed_clock_now();
    window(keeper.now, from, to);
    feed_keeper_start(keeper, from, to);
    if (!options.follow) {
        if (int code; once_handing_on(code)) return code;
        make_sources();  // read again from scratch, counting afresh
        keeper.outside = 0;
        feed_keeper_start(keeper, from, to);
    }
    poll_sources();
    if (!options.follow) {
        if (!sources_complete()) return 1;  // said so; the log stays as it was
        rewrite_due = true;
        if (!write_out()) {
            std::fprintf(stderr, "skerrow-feed: %s\n", spot_log.error.c_str());
            return 1;
        }
        summary(true);
        return 0;
    }
    rewrite_due = true;
    bool failing = false;  // said so, and not caught up yet
    long long reported = counts().malformed, reported_udp = udp_not_understood();
    int64_t last_expiry = keeper.now;
    for (bool first = true; !stopping; first = false) {
        bool added = false;
        if (!first) {
            const int64_t now = feed_clock_now();
            window(now, from, to);
            keeper.now = now;
            // A new day, a clock stepped back, or (each minute) the rolling window moved on.
            if (from != keeper.from && (options.hours <= 0 || from < keeper.from || now - last_expiry >= 60)) {
                last_expiry = now;
                const FeedMove move = feed_keeper_move(keeper, from, to);
                if (move == FeedMove::back)
                    for (const auto& source : sources) source->rewind();
                if (move != FeedMove::none) rewrite_due = true;
            }
            added = poll_sources();
        }
        const bool written = write_out();
        if (written && lock.handle == -1 && !lock_log()) return 2;
        if (!written) {
            if (!failing) std::fprintf(stderr, "skerrow-feed: %s; keeping the decodes and trying again\n", spot_log.error.c_str());
            failing = true;
        } else if (failing) {
            std::fprintf(stderr, "skerrow-feed: caught up: %lld spots in %s\n", spot_log.records, spot_log.path.c_str());
            failing = false;
        }
        if (counts().malformed != reported || udp_not_understood() != reported_udp) {
            summary(false);
            reported = counts().malformed;
            reported_udp = udp_not_understood();
        }
        if (!added) wait_a_second();
    }
    summary(false);
    return failing ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool to_log_file = feed_console_release();
    const std::string log_file = feed_path_join(executable_folder(), "skerrow-feed.log");
    if (to_log_file && std::freopen(log_file.c_str(), "w", stderr) != nullptr) std::setvbuf(stderr, nullptr, _IONBF, 0);
    bool once_given = false;
    for (int i = 1; i < argc; i++) {
        command_standard(argv[i], "skerrow-feed", usage_text);
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--once") options.follow = false, once_given = true;
        else if (a == "--follow") options.follow = true;
        else if (a == "--udp") {
            options.udp = true;
            struct stat st{};
            if (i + 1 < argc && udp_address_word(argv[i + 1], stat(argv[i + 1], &st) == 0))
                udp_address_parse(argv[++i], udp.address);
        } else if (a == "--interface" && (v = value())) udp.interface_name = v;
        else if (a == "--off-air") udp.off_air = true;
        else if (a == "-o" && (v = value())) options.out = v;
        else if (a == "--day" && (v = value()) && parse_day(v, options.day)) {
        } else if (a == "--hours" && (v = value()) && (options.hours = std::atof(v)) > 0) {
        } else if (a == "--band" && (v = value()) && (options.band = std::atof(v)) > 0) {
        } else if (a == "--mode" && (v = value())) options.mode = v;
        else if (a == "--heard-by" && (v = value()) && report_call_valid(v) && std::strchr(v, '-') == nullptr) {
            options.heard_by = v;
            for (char& c : options.heard_by) c = char(std::toupper(static_cast<unsigned char>(c)));
        } else if (a == "--from" && (v = value()) && (std::strcmp(v, "pskreporter") == 0 || std::strcmp(v, "wspr") == 0)) {
            options.from = v;
        } else if (a == "--every" && (v = value()) && (options.every = std::atoi(v)) > 0) {
            options.every = std::max(options.every, report_every_least);
        } else if (a == "--contact" && (v = value()) && *v) {
            options.contact = v;
        } else if (a == "--service-url" && (v = value()) &&
                   (std::strncmp(v, "http://", 7) == 0 || std::strncmp(v, "https://", 8) == 0)) {
            options.service_url = v;
            while (options.service_url.size() > 8 && options.service_url.back() == '/') options.service_url.pop_back();
        }
        else if (!a.empty() && a[0] != '-') options.inputs.push_back(a);
        else {
            std::fputs(usage_text, stderr);
            return 2;
        }
    }
    if (!options.heard_by.empty() && options.inputs.empty() && options.from.empty())
        return command_wrong("skerrow-feed", "--heard-by needs report files, or --from pskreporter or --from wspr",
                             usage_text);
    if (options.heard_by.empty() && !options.from.empty())
        return command_wrong("skerrow-feed", "--from asks a service for the reports of a call: name it with --heard-by",
                             usage_text);
    if (options.udp && !options.heard_by.empty())
        return command_wrong("skerrow-feed", "--udp takes decodes, --heard-by reports: one feeder does one of them",
                             usage_text);
    if (options.udp && once_given) {
        std::fputs("skerrow-feed: --udp listens until stopped: it goes with --follow, not --once\n", stderr);
        return 2;
    }
    if (options.udp) options.follow = true;
    udp.band_needed = options.band >= 0;
    if (options.inputs.empty() && options.udp) {
        const std::string decoder = decoder_default_folder();
        if (folder_exists(decoder)) options.inputs.push_back(decoder);  // its absence is no error here
    } else if (options.inputs.empty() && options.heard_by.empty()) {
        std::string decoder = decoder_default_folder();
        if (!folder_exists(decoder)) {
            std::fprintf(stderr, "skerrow-feed: no decoder folder %s; run the decoder once, or name its folder or files\n",
                         decoder.empty() ? "~/.local/share/WSJT-X (no home folder)" : decoder.c_str());
            return 1;
        }
        options.inputs.push_back(decoder);
    }
    if (options.out.empty()) {
        options.out = feed_default_log();
        // The reports get their own log beside the decoders' spots.log: the two feeders never meet on one.
        if (!options.heard_by.empty() && !options.out.empty())
            options.out = feed_path_join(feed_path_folder(options.out), "heard.log");
        const std::string folder = feed_path_folder(options.out);
        if (options.out.empty() || !folder_make(folder)) {
            std::fprintf(stderr, "skerrow-feed: cannot make the folder %s for the spot log\n", folder.c_str());
            return 1;
        }
    }
    spot_log.path = options.out;
    std::string refused;
    if (!spot_log_usable(spot_log.path, refused)) {
        std::fprintf(stderr, "skerrow-feed: %s\n", refused.c_str());
        return 2;
    }
    if (to_log_file) {
        std::string inputs;
        for (const std::string& in : options.inputs) inputs += " " + in;
        if (options.udp) inputs += " and datagrams on " + udp_address_text(udp.address);
        std::fprintf(stderr, "skerrow-feed: %s %s from%s\n", options.follow ? "keeping" : "writing", spot_log.path.c_str(),
                     inputs.c_str());
    }
    if (!lock_log()) return 2;
    // Listening before the files are caught up: what is sent meanwhile waits in the socket.
    if (options.udp && !udp_source_listen(udp) && options.inputs.empty()) return 1;  // nothing else to do
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    const int code = run();
    feed_lock_release(lock);
    return code;
}
