// skerrow-feed: a live spot log from the decoder's own files and datagrams.
//
//   skerrow-feed [--once | --follow [--udp [ADDRESS]]] [-o SPOTS.LOG] [--day YYYY-MM-DD | --hours N]
//                [--band MHZ] [--mode NAME] [INPUT...]
//
// INPUT is an ALL.TXT or ALL_WSPR.TXT file, or a folder holding them (the
// yearly and monthly split files included); by default the decoder's own
// folder. With --udp the decodes the decoders send as datagrams come in as
// they are made, after the files have been caught up. SPOTS.LOG is by default the log the installed monitor's starter
// setup file names (host/folders.h). The spot log gets a header line,
// then one record per decode: call,aux,HH:MM:SS,snr,level with CR LF.
// Started where its messages would be seen by no one (a Windows shortcut),
// it writes them to skerrow-feed.log beside its executable instead.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "feed/feed_output.h"
#include "feed/feed_parse.h"
#include "feed/feed_system.h"
#include "feed/udp_source.h"
#include "host/command_options.h"
#include "host/folders.h"

namespace {

const char* const usage_text =
    "Usage: skerrow-feed [--once | --follow [--udp [ADDRESS]]] [-o SPOTS.LOG]\n"
    "                    [--day YYYY-MM-DD | --hours N] [--band MHZ] [--mode NAME] [INPUT...]\n"
    "Writes a spot log for skerrow from the decoder's ALL.TXT and ALL_WSPR.TXT files,\n"
    "and from the decodes WSJT-X, JTDX and MSHV send over the network.\n"
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
};

// Decoder files grow past 2 GiB: their sizes and offsets need 64 bits
// (on Windows through _FILE_OFFSET_BITS, cmake/feed_windows.cmake).
static_assert(sizeof(off_t) >= 8 && sizeof(std::declval<struct stat>().st_size) >= 8);

// The bytes of an input's start kept to tell a file rewritten in place from one grown.
constexpr size_t fingerprint_size = 256;

struct Source {
    std::string path;
    off_t offset = 0;
    ino_t inode = 0;
    std::string start;     // the file's first min(offset, fingerprint_size) bytes
    std::string partial;   // a line not yet ended
    FeedContext context;
};

struct Kept {
    int64_t when;
    std::string record;
};

Options options;
UdpSource udp;  // with --udp
std::map<std::string, Source> sources;
std::vector<Kept> kept;
SpotLog spot_log;
bool rewrite_due = false;  // the log must be written whole (a new day, the window moved on)
std::set<std::string> seen;  // call and time: one record per slot
long long malformed = 0, skipped_filter = 0;
volatile std::sig_atomic_t stopping = 0;

void on_signal(int) { stopping = 1; }

bool parse_day(const char* text, int64_t& day) {
    int y, m, d;
    if (std::sscanf(text, "%4d-%2d-%2d", &y, &m, &d) != 3 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    day = feed_days_from_civil(y, m, d) * 86400;
    return true;
}

// The wall clock, or for tests the Unix seconds held in the file SKERROW_FEED_CLOCK names.
int64_t now_utc() {
    if (const char* clock = std::getenv("SKERROW_FEED_CLOCK")) {
        long long seconds = 0;
        if (std::FILE* f = std::fopen(clock, "r")) {
            const bool read = std::fscanf(f, "%lld", &seconds) == 1;
            std::fclose(f);
            if (read) return seconds;
        }
    }
    return int64_t(std::time(nullptr));
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

bool is_log_name(const std::string& name) {
    if (name == "ALL.TXT" || name == "ALL_WSPR.TXT") return true;
    // YYYY-ALL.TXT and YYYY-MM-ALL.TXT
    auto digits = [&](size_t at, size_t n) {
        for (size_t i = at; i < at + n; i++)
            if (i >= name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        return true;
    };
    return (name.size() == 12 && digits(0, 4) && name.substr(4) == "-ALL.TXT") ||
           (name.size() == 15 && digits(0, 4) && name[4] == '-' && digits(5, 2) && name.substr(7) == "-ALL.TXT");
}

// The files the inputs name now, oldest split file first.
std::vector<std::string> input_files() {
    std::vector<std::string> files;
    for (const std::string& in : options.inputs) {
        const std::string path = feed_path_trimmed(in);  // Windows' stat() refuses "folder\"
        struct stat st{};
        if (stat(path.c_str(), &st) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            files.push_back(path);
            continue;
        }
        std::vector<std::string> found;
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d))
                if (is_log_name(e->d_name)) found.push_back(feed_path_join(path, e->d_name));
            closedir(d);
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

bool wanted(const FeedSpot& spot) {
    if (options.band >= 0 && std::floor(spot.dial_mhz) != std::floor(options.band)) return false;
    if (!options.mode.empty()) {
        std::string a = spot.mode, b = options.mode;
        for (char& c : a) c = char(std::toupper(static_cast<unsigned char>(c)));
        for (char& c : b) c = char(std::toupper(static_cast<unsigned char>(c)));
        if (a != b) return false;
    }
    return true;
}

// Adds a decode within the span and the filters to `added`, once per call and
// time slot, whether it came from a file or a datagram.
void keep_spot(const FeedSpot& spot, int64_t from, int64_t to, std::vector<Kept>& added) {
    if (!wanted(spot) || spot.when < from || spot.when >= to) {
        skipped_filter++;
        return;
    }
    std::string key = spot.call + "|" + std::to_string(spot.when);
    if (!seen.insert(key).second) return;
    added.push_back({spot.when, feed_record(spot)});
}

// Handles complete lines; returns the records added.
std::vector<Kept> take_lines(Source& source, const std::string& bytes, int64_t from, int64_t to) {
    std::vector<Kept> added;
    source.partial += bytes;
    size_t start = 0;
    for (size_t nl; (nl = source.partial.find('\n', start)) != std::string::npos; start = nl + 1) {
        FeedSpot spot;
        FeedLine kind = feed_parse_line(source.partial.substr(start, nl - start), source.context, spot);
        if (kind == FeedLine::malformed) malformed++;
        if (kind == FeedLine::spot) keep_spot(spot, from, to, added);
    }
    source.partial.erase(0, start);
    if (source.partial.size() > 65536) source.partial.clear();  // no line is that long: drop the junk
    return added;
}

// Up to `size` bytes of a file from `at`.
std::string read_at(const std::string& path, off_t at, size_t size) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(at);
    std::string bytes(size, '\0');
    in.read(bytes.data(), std::streamsize(size));
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

// Reads what is new in every input; the records added.
std::vector<Kept> read_new(int64_t from, int64_t to) {
    std::vector<Kept> added;
    for (const std::string& path : input_files()) {
        Source& s = sources[path];
        s.path = path;
        struct stat st{};
        if (stat(path.c_str(), &st) != 0) continue;
        // Replaced, truncated, or rewritten in place past the old size: from the start.
        if (st.st_ino != s.inode || st.st_size < s.offset ||
            (st.st_size > s.offset && !s.start.empty() && read_at(path, 0, s.start.size()) != s.start)) {
            s.offset = 0;
            s.start.clear();
            s.partial.clear();
            s.context = FeedContext{};
            s.inode = st.st_ino;
        }
        if (st.st_size == s.offset) continue;
        std::string bytes = read_at(path, s.offset, size_t(st.st_size - s.offset));
        if (s.start.size() < fingerprint_size) s.start.append(bytes, 0, fingerprint_size - s.start.size());
        s.offset += off_t(bytes.size());
        std::vector<Kept> more = take_lines(s, bytes, from, to);
        added.insert(added.end(), more.begin(), more.end());
    }
    std::stable_sort(added.begin(), added.end(), [](const Kept& a, const Kept& b) { return a.when < b.when; });
    return added;
}

// The kept records from `first` on, as the log's bytes.
std::string records_from(size_t first) {
    std::string bytes;
    for (size_t i = first; i < kept.size(); i++) bytes += kept[i].record;
    return bytes;
}

// Brings the spot log up to what is kept; false, with the reason in the log, while it cannot.
bool write_out() {
    if (rewrite_due || !spot_log_unchanged(spot_log)) {  // due, or deleted or altered behind our back
        if (!spot_log_rewrite(spot_log, records_from(0), (long long)kept.size())) return false;
        rewrite_due = false;
        return true;
    }
    size_t written = size_t(spot_log.records);
    return written == kept.size() ||
           spot_log_append(spot_log, records_from(written), (long long)(kept.size() - written));
}

// Lines an input ends with that have no line end yet.
int incomplete_lines() {
    int n = 0;
    for (const auto& [path, source] : sources) n += !source.partial.empty();
    return n;
}

void summary(int incomplete) {
    std::string waiting;
    if (rewrite_due || size_t(spot_log.records) != kept.size())
        waiting = " (" + std::to_string(kept.size()) + " kept, not all written yet)";
    std::fprintf(stderr, "skerrow-feed: %lld spots in %s%s; %lld lines not understood, %lld decodes outside the day or filters",
                 spot_log.records, spot_log.path.c_str(), waiting.c_str(), malformed, skipped_filter);
    if (incomplete > 0) std::fprintf(stderr, "; %d incomplete last line%s left out", incomplete, incomplete == 1 ? "" : "s");
    if (options.udp)
        std::fprintf(stderr, "; %lld datagrams, %lld not understood, %lld decodes of no known band, %lld off the air left out",
                     udp.datagrams, udp.not_understood + udp.no_call, udp.no_band, udp.off_air_left);
    std::fputc('\n', stderr);
}

using Clock = std::chrono::steady_clock;
constexpr auto file_pass_every = std::chrono::seconds(1);
constexpr auto udp_retry_every = std::chrono::seconds(60);
// Datagrams taken before the log is brought up to date.
constexpr size_t udp_batch = 4096;

// Opens the datagram socket; says why not once per kind of failure. True when listening.
bool udp_listen(std::string& said) {
    std::string error;
    UdpOpen opened = udp_source_open(udp, error);
    if (opened == UdpOpen::ok) {
        if (!said.empty())
            std::fprintf(stderr, "skerrow-feed: listening on %s\n", udp_address_text(udp.address).c_str());
        said.clear();
        return true;
    }
    std::string text = opened == UdpOpen::in_use
                           ? udp_source_in_use_text(udp)
                           : "cannot listen on " + udp_address_text(udp.address) + ": " + error;
    if (text != said) std::fprintf(stderr, "skerrow-feed: %s\n", text.c_str());
    said = text;
    return false;
}

int run(bool udp_listening) {
    int64_t from, to;
    window(now_utc(), from, to);
    kept = read_new(from, to);
    rewrite_due = true;
    if (!write_out()) {
        std::fprintf(stderr, "skerrow-feed: %s\n", spot_log.error.c_str());
        return 1;
    }
    if (!options.follow) {
        summary(incomplete_lines());
        return 0;
    }
    bool failing = false;  // said so, and not caught up yet
    long long reported = malformed, reported_udp = udp.not_understood + udp.no_call;
    int64_t last_expiry = now_utc();
    Clock::time_point next_file_pass = Clock::now(), udp_retry = Clock::now() + udp_retry_every;
    std::string udp_said = udp_listening ? "" : "?";  // what was last said of the socket
    while (!stopping) {
        int64_t now = now_utc(), new_from, new_to;
        window(now, new_from, new_to);
        if (new_from != from && (options.hours <= 0 || now - last_expiry >= 60)) {
            // A new day, or the rolling window moved on: drop what fell out, rewrite.
            size_t before = kept.size();
            kept.erase(std::remove_if(kept.begin(), kept.end(), [&](const Kept& k) { return k.when < new_from; }),
                       kept.end());
            from = new_from, to = new_to, last_expiry = now;
            if (kept.size() != before || options.hours <= 0) rewrite_due = true;
        }
        std::vector<Kept> added;
        bool more_waiting = false;  // datagrams left for the next pass
        if (Clock::now() >= next_file_pass) {
            added = read_new(from, to);
            next_file_pass = added.empty() ? Clock::now() + file_pass_every : Clock::now();
        }
        if (options.udp && !udp_source_listening(udp) && Clock::now() >= udp_retry) {
            udp_listen(udp_said);
            udp_retry = Clock::now() + udp_retry_every;
        }
        if (udp_source_listening(udp)) {
            std::vector<FeedSpot> spots;
            if (!udp_source_drain(udp, now_utc(), udp_batch, spots)) {
                udp_source_close(udp);
                std::fprintf(stderr, "skerrow-feed: the socket on %s failed; trying again in a minute\n",
                             udp_address_text(udp.address).c_str());
                udp_said = "failed";
                udp_retry = Clock::now() + udp_retry_every;
            }
            more_waiting = spots.size() >= udp_batch;
            for (const FeedSpot& spot : spots) keep_spot(spot, from, to, added);
        }
        kept.insert(kept.end(), added.begin(), added.end());
        if (!write_out()) {
            if (!failing) std::fprintf(stderr, "skerrow-feed: %s; keeping the decodes and trying again\n", spot_log.error.c_str());
            failing = true;
        } else if (failing) {
            std::fprintf(stderr, "skerrow-feed: caught up: %lld spots in %s\n", spot_log.records, spot_log.path.c_str());
            failing = false;
        }
        if (malformed != reported || udp.not_understood + udp.no_call != reported_udp) {
            summary(0);
            reported = malformed;
            reported_udp = udp.not_understood + udp.no_call;
        }
        // Idle until the next look at the files, woken by a datagram.
        while (!stopping && !more_waiting && Clock::now() < next_file_pass) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next_file_pass - Clock::now()).count();
            int slice = int(std::clamp<long long>(left, 1, 100));
            if (udp_source_listening(udp)) {
                if (udp_source_wait(udp, slice)) break;
            } else {
                usleep(useconds_t(slice) * 1000);
            }
        }
    }
    summary(0);
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
        else if (!a.empty() && a[0] != '-') options.inputs.push_back(a);
        else {
            std::fputs(usage_text, stderr);
            return 2;
        }
    }
    if (options.udp && once_given) {
        std::fputs("skerrow-feed: --udp listens until stopped: it goes with --follow, not --once\n", stderr);
        return 2;
    }
    if (options.udp) options.follow = true;
    udp.band_needed = options.band >= 0;
    if (options.inputs.empty()) {
        std::string decoder = decoder_default_folder();
        if (options.udp) {
            if (folder_exists(decoder)) options.inputs.push_back(decoder);  // its absence is no error here
        } else if (!folder_exists(decoder)) {
            std::fprintf(stderr, "skerrow-feed: no decoder folder %s; run the decoder once, or name its folder or files\n",
                         decoder.empty() ? "~/.local/share/WSJT-X (no home folder)" : decoder.c_str());
            return 1;
        } else {
            options.inputs.push_back(decoder);
        }
    }
    if (options.out.empty()) {
        options.out = feed_default_log();
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
    // Listening before the files are caught up: what is sent meanwhile waits in the socket.
    bool listening = false;
    if (options.udp) {
        std::string said;
        listening = udp_listen(said);
        if (!listening && options.inputs.empty()) return 1;  // nothing else to do
    }
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    return run(listening);
}
