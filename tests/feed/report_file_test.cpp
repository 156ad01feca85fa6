// Report files read in chunks: plain, gzip-compressed (several members, as
// concatenated downloads are), broken, and larger than a chunk.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "feed/report_file.h"

namespace {

std::string archive_lines(int n, int from) {
    std::string out;
    for (int i = from; i < from + n; i++)
        out += std::to_string(1130358407 + i) + "," + std::to_string(1522540800 + 120 * (i % 700)) +
               ",DC0DX,JO31lk,-28,0.137553,2E0ILY,IO82qv,23,0,673,100,-1,,0\n";
    return out;
}

std::string gzipped(const std::string& text) {
    std::string out(compressBound(uLong(text.size())) + 64, '\0');
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = uInt(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct Read {
    bool ok;
    long long reports, bad;
    size_t most_at_once;
    std::string error;
};

Read read(const std::string& bytes) {
    char path[] = "/tmp/skerrow-report-file-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::ofstream(path, std::ios::binary) << bytes;
    ReportParser parser;
    Read r{};
    r.ok = report_file_read(path, parser, [&](std::vector<Report>& got) {
        r.most_at_once = std::max(r.most_at_once, got.size());
        got.clear();
    }, r.error);
    r.reports = parser.reports, r.bad = parser.bad;
    std::remove(path);
    return r;
}

TEST(ReportFile, PlainAndGzipAlikeInBoundedChunks) {
    const std::string first = archive_lines(40000, 0), second = archive_lines(10, 40000);  // 3 MiB: several chunks
    for (const std::string& bytes : {first + second, gzipped(first) + gzipped(second)}) {
        Read r = read(bytes);
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.reports, 40010);
        EXPECT_EQ(r.bad, 0);
        EXPECT_LT(r.most_at_once, 40000u);  // handed on chunk by chunk
    }
}

TEST(ReportFile, BrokenCompressedDataAndAMissingFile) {
    Read r = read(std::string("\x1f\x8b\x08\x00", 4) + std::string(100, 'x'));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("broken compressed data"), std::string::npos) << r.error;
    ReportParser parser;
    std::string error;
    EXPECT_FALSE(report_file_read("/nonexistent/reports.csv", parser, [](std::vector<Report>&) {}, error));
    EXPECT_NE(error.find("cannot read /nonexistent/reports.csv"), std::string::npos);
}

}  // namespace
