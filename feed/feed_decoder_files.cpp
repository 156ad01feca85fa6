#include "feed/feed_decoder_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string_view>

#include "feed/feed_file.h"
#include "feed/feed_system.h"

namespace {

// Reading goes in chunks of this size; a probe of the bisection reads a block,
// and looks no further than `probe_limit` for a line that tells its time.
constexpr size_t chunk_size = size_t(1) << 20;
constexpr long long probe_block = 64 * 1024;
constexpr long long probe_limit = 1024 * 1024;
// No decode's line is that long: the rest of such a line is passed over. A run
// of NULs (left by a crash while writing) ends what came before it, as the
// parser reads the line after the last NUL: a line waiting across chunks keeps
// only that part, so that a long run does not cost the decode written after it.
constexpr size_t longest_line = 64 * 1024;
// The bytes of a file's start kept to tell a file rewritten in place from one grown.
constexpr size_t fingerprint_size = 256;

static_assert(probe_block < probe_limit && probe_limit <= (long long)chunk_size);

// One decoder file and how far it has been read.
struct DecoderFile {
    long long offset = 0;           // the next byte to read
    unsigned long long inode = 0;   // the file's identity when last seen
    bool started = false;           // the start has been found (by bisection, or 0)
    std::string start;              // the file's first bytes, up to fingerprint_size
    std::string partial;            // a line not yet ended
    bool overlong = false;          // passing over the rest of a line longer than longest_line
    int64_t stopped_at_to = -1;     // the span's end when reading stopped past it; -1 reading on
    int64_t latest = INT64_MIN;     // the latest time of a line read so far
    bool unreadable = false;        // could not be opened, and said so
    FeedContext context;            // what the lines before established
};

// Midnight UTC of 1 January or of the 1st of the month, from digits.
int64_t month_start(int year, int month) {
    if (month > 12) year++, month = 1;
    return feed_days_from_civil(year, month, 1) * 86400;
}

bool digits(const std::string& s, size_t at, size_t n) {
    if (at + n > s.size()) return false;
    for (size_t i = at; i < at + n; i++)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// The time a split file's name covers, [from, to); false for a file that is not split.
bool split_period(const std::string& path, int64_t& from, int64_t& to) {
    size_t cut = path.find_last_of("/\\");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (name.size() == 12 && digits(name, 0, 4) && name.substr(4) == "-ALL.TXT") {
        int y = std::atoi(name.substr(0, 4).c_str());
        from = month_start(y, 1), to = month_start(y + 1, 1);
        return true;
    }
    // YYYY-MM-ALL.TXT, and JTDX's YYYYMM_ALL.TXT
    const bool dashed = name.size() == 15 && name[4] == '-' && name.substr(7) == "-ALL.TXT";
    if ((dashed && digits(name, 0, 4) && digits(name, 5, 2)) ||
        (name.size() == 14 && digits(name, 0, 6) && name.substr(6) == "_ALL.TXT")) {
        int y = std::atoi(name.substr(0, 4).c_str()), m = std::atoi(name.substr(dashed ? 5 : 4, 2).c_str());
        if (m < 1 || m > 12) return false;
        from = month_start(y, m), to = month_start(y, m + 1);
        return true;
    }
    return false;
}

int64_t plus(int64_t t, int64_t d) { return t > INT64_MAX - d ? INT64_MAX : t + d; }

class DecoderFiles : public FeedSource {
public:
    DecoderFiles(const std::vector<std::string>& inputs, bool whole_read)
        : inputs_(inputs), whole_read_(whole_read), buffer_(chunk_size) {}

    void poll(FeedKeeper& keeper) override {
        complete_ = true;
        for (const std::string& path : input_files()) {
            int64_t from, to;
            if (!whole_read_ && split_period(path, from, to) &&
                (to <= keeper.from - feed_start_margin || from >= plus(keeper.to, feed_start_margin)))
                continue;  // wholly outside the span: never opened
            read_file(path, files_[path], keeper);
        }
    }

    void rewind() override { files_.clear(); }

    bool complete() const override { return complete_; }

    FeedCounts counts() const override {
        FeedCounts c = counts_;
        for (const auto& [path, file] : files_) c.incomplete += !file.partial.empty() || file.overlong;
        return c;
    }

private:
    // The files the inputs name now, oldest split file first. A folder that
    // holds none is said once, with the names looked for.
    std::vector<std::string> input_files() {
        std::vector<std::string> files;
        for (const std::string& in : inputs_) {
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
                    if (feed_decoder_file_name(e->d_name)) found.push_back(feed_path_join(path, e->d_name));
                closedir(d);
            }
            if (found.empty() && said_empty_.insert(path).second) {
                std::fprintf(stderr,
                             "skerrow-feed: no decoder file in %s (looked for ALL.TXT, ALL_WSPR.TXT, YYYY-ALL.TXT, "
                             "YYYY-MM-ALL.TXT and YYYYMM_ALL.TXT)\n",
                             path.c_str());
            }
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        }
        return files;
    }

    void read_file(const std::string& path, DecoderFile& f, FeedKeeper& keeper) {
        FeedFileInfo info;
        if (!feed_file_info(path, info)) return;  // not there (yet)
        if (f.stopped_at_to >= 0 && f.stopped_at_to != keeper.to) f.stopped_at_to = -1;  // the span moved on
        if (f.started && info.inode == f.inode && info.size == f.offset && f.stopped_at_to < 0) return;  // nothing new
        if (f.started && f.stopped_at_to >= 0 && info.inode == f.inode && info.size >= f.offset) return;
        FeedFile file;
        std::string reason = "not a regular file";  // a pipe would block the pass, a device never end
        if (!info.regular || !feed_file_open_read(path, file, reason)) {
            complete_ = false;
            if (!f.unreadable) std::fprintf(stderr, "skerrow-feed: cannot read %s: %s\n", path.c_str(), reason.c_str());
            f.unreadable = true;
            return;
        }
        f.unreadable = false;
        // Replaced, truncated, or rewritten in place: from the start.
        std::string first(size_t(std::min<long long>(info.size, fingerprint_size)), '\0');
        long long got = feed_file_read_at(file, 0, first.data(), first.size(), reason);
        first.resize(got > 0 ? size_t(got) : 0);
        if (f.started && (info.inode != f.inode || info.size < f.offset || first.compare(0, f.start.size(), f.start) != 0))
            f = DecoderFile{};
        f.inode = info.inode;
        f.start = first;
        if (!f.started) {
            f.started = true;
            f.offset = whole_read_ ? 0 : start_of(file, info.size, keeper.from - feed_start_margin);
        }
        read_from(file, info.size, f, keeper);
        feed_file_close(file, reason);
    }

    // Reads [f.offset, size) chunk by chunk, line by line, until past the span's end.
    void read_from(FeedFile& file, long long size, DecoderFile& f, FeedKeeper& keeper) {
        std::string reason;
        if (size - f.offset > (long long)chunk_size)  // a decode's line is some 64 bytes
            feed_keeper_expect(keeper, size_t((size - f.offset) / 64));
        while (f.offset < size && f.stopped_at_to < 0) {
            const size_t want = size_t(std::min<long long>(size - f.offset, (long long)chunk_size));
            long long got = feed_file_read_at(file, f.offset, buffer_.data(), want, reason);
            if (got <= 0) break;  // cut short under us: the next pass sees why
            take_chunk(std::string_view(buffer_.data(), size_t(got)), f, keeper);
        }
    }

    // The lines of one chunk read at f.offset; f.offset moves past what was taken.
    void take_chunk(std::string_view chunk, DecoderFile& f, FeedKeeper& keeper) {
        const long long base = f.offset;
        size_t at = 0;
        if (!f.partial.empty() || f.overlong) {
            size_t end = chunk.find('\n');
            size_t take = end == std::string_view::npos ? chunk.size() : end;
            std::string_view piece = chunk.substr(0, take);
            if (const size_t nul = piece.rfind('\0'); nul != std::string_view::npos)  // the line starts again
                f.overlong = false, f.partial.clear(), piece.remove_prefix(nul + 1);
            if (!f.overlong && f.partial.size() + piece.size() <= longest_line) f.partial.append(piece);
            else f.overlong = true, f.partial.clear();
            if (end == std::string_view::npos) {
                f.offset = base + (long long)chunk.size();
                return;
            }
            if (!f.overlong && !take_line(f.partial, f, keeper)) {
                f.offset = base - (long long)(f.partial.size() - take);  // read again from its start later
                f.partial.clear();
                return;
            }
            if (f.overlong) counts_.malformed++;
            f.overlong = false;
            f.partial.clear();
            at = end + 1;
        }
        while (at < chunk.size()) {
            const void* nl = std::memchr(chunk.data() + at, '\n', chunk.size() - at);
            if (nl == nullptr) {
                std::string_view tail = chunk.substr(at);
                if (const size_t nul = tail.rfind('\0'); nul != std::string_view::npos) tail.remove_prefix(nul + 1);
                if (tail.size() <= longest_line) f.partial.assign(tail);
                else f.overlong = true;
                break;
            }
            const size_t end = size_t(static_cast<const char*>(nl) - chunk.data());
            if (!take_line(chunk.substr(at, end - at), f, keeper)) {
                f.offset = base + (long long)at;
                return;
            }
            at = end + 1;
        }
        f.offset = base + (long long)chunk.size();
    }

    // One whole line; false, without taking it, when it lies past the span's end.
    bool take_line(std::string_view line, DecoderFile& f, FeedKeeper& keeper) {
        FeedSpot spot;
        const FeedLine kind = feed_parse_line(line, f.context, spot);
        int64_t when;
        if (kind == FeedLine::spot) when = spot.when;
        else if (kind == FeedLine::header) when = f.context.day;
        else {
            counts_.malformed += kind == FeedLine::malformed;
            counts_.no_sender += kind == FeedLine::no_sender;
            return true;
        }
        // Past the span's end by more than the margin, when that end has passed:
        // what follows was written later. (Ahead of a span still running it is
        // a clock set wrong, and reading goes on.)
        const int64_t end = plus(keeper.to, feed_start_margin);
        if (!whole_read_ && when >= end && end <= keeper.now) {
            f.stopped_at_to = keeper.to;
            return false;
        }
        if (kind != FeedLine::spot) return true;
        if (f.latest != INT64_MIN && when < f.latest - feed_start_margin) counts_.late++;
        f.latest = std::max(f.latest, when);
        feed_keeper_offer(keeper, spot);
        return true;
    }

    // The first line at or after `at` that can start a read, looking no
    // further than `limit`: a decode that tells its own date, or a header, with
    // the time of the first decode under it (every line before the header is,
    // so far as the file is in order, no later than that; the header's own
    // time says less, as it tells minutes only). Its offset and time.
    bool probe(FeedFile& file, long long at, long long limit, long long& line_at, int64_t& when) {
        std::string reason;
        long long pos = at > 0 ? at - 1 : 0;  // a line starts at `at` when the byte before it ends one
        bool skip_first = at > 0;
        const long long end = std::min(limit, at + probe_limit);
        FeedContext context;
        long long header_at = -1;
        while (pos < end) {
            long long got = feed_file_read_at(file, pos, buffer_.data(), size_t(std::min(end - pos, probe_block)), reason);
            if (got <= 0) return false;
            std::string_view block(buffer_.data(), size_t(got));
            size_t i = 0;
            if (skip_first) {
                size_t nl = block.find('\n');
                if (nl == std::string_view::npos) {
                    pos += got;
                    continue;
                }
                i = nl + 1, skip_first = false;
            }
            for (;;) {
                size_t nl = block.find('\n', i);
                if (nl == std::string_view::npos) break;
                FeedSpot spot;
                const FeedLine kind = feed_parse_line(block.substr(i, nl - i), context, spot);
                if (kind == FeedLine::header && header_at < 0) header_at = pos + (long long)i;
                // A JTDX line before its header (no mode yet) tells its time but
                // not its band: reading starts at a header instead.
                if (kind == FeedLine::spot && !spot.mode.empty()) {
                    line_at = header_at >= 0 ? header_at : pos + (long long)i;
                    when = spot.when;
                    return line_at < limit;
                }
                i = nl + 1;
            }
            if (i == 0) return false;  // a line longer than a block, or the end: no decode
            pos += (long long)i;
        }
        return false;
    }

    // Where to start reading a file of `size` bytes for lines from `threshold` on:
    // a line that tells a time before it, with none later before it (so far as
    // the file is in order), or the file's start.
    long long start_of(FeedFile& file, long long size, int64_t threshold) {
        long long lo = 0, hi = size;
        while (hi - lo > probe_block) {
            const long long mid = lo + (hi - lo) / 2;
            long long line_at;
            int64_t when;
            if (probe(file, mid, hi, line_at, when) && when < threshold) lo = line_at;
            else hi = mid;
        }
        return lo;
    }

    std::vector<std::string> inputs_;
    bool whole_read_;
    FeedLargeVector<char> buffer_;  // one chunk, on a large page
    std::map<std::string, DecoderFile> files_;
    FeedCounts counts_;
    bool complete_ = true;
    std::set<std::string> said_empty_;  // folders reported to hold no decoder file
};

}  // namespace

bool feed_decoder_file_name(const std::string& name) {
    if (name == "ALL.TXT" || name == "ALL_WSPR.TXT") return true;
    int64_t from, to;
    return split_period(name, from, to);
}

std::unique_ptr<FeedSource> feed_decoder_files(const std::vector<std::string>& inputs, bool whole_read) {
    return std::make_unique<DecoderFiles>(inputs, whole_read);
}
