#include "feed/report_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool failed(std::string& error, const std::string& path, const std::string& reason) {
    error = "cannot read " + path + ": " + reason;
    return false;
}

}  // namespace

bool report_file_read(const std::string& path, ReportParser& parser,
                      const std::function<void(std::vector<Report>&)>& each, std::string& error) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return failed(error, path, std::strerror(errno));
    std::vector<char> in(report_file_chunk), inflated;
    std::vector<Report> reports;
    z_stream z{};
    bool gzip = false, first = true, stream_ended = false;
    while (true) {
        size_t n = std::fread(in.data(), 1, in.size(), file.get());
        if (n == 0) break;
        if (first && n >= 2 && uint8_t(in[0]) == 0x1f && uint8_t(in[1]) == 0x8b) {
            gzip = true;
            inflated.resize(report_file_chunk);
            if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return failed(error, path, "no memory to inflate");
        }
        first = false;
        if (!gzip) {
            report_parse(parser, std::string_view(in.data(), n), reports);
            each(reports);
            continue;
        }
        z.next_in = reinterpret_cast<Bytef*>(in.data());
        z.avail_in = uInt(n);
        while (z.avail_in > 0) {
            if (stream_ended) {  // one gzip member after another, as concatenated files are
                if (inflateReset(&z) != Z_OK) break;
                stream_ended = false;
            }
            z.next_out = reinterpret_cast<Bytef*>(inflated.data());
            z.avail_out = uInt(inflated.size());
            int status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
                inflateEnd(&z);
                return failed(error, path, std::string("broken compressed data (") + (z.msg ? z.msg : "zlib") + ")");
            }
            report_parse(parser, std::string_view(inflated.data(), inflated.size() - z.avail_out), reports);
            each(reports);
            stream_ended = status == Z_STREAM_END;
            if (status == Z_BUF_ERROR) break;
        }
    }
    bool read_error = std::ferror(file.get()) != 0;
    if (gzip) inflateEnd(&z);
    if (read_error) return failed(error, path, std::strerror(EIO));
    report_parse_end(parser, reports);
    each(reports);
    return true;
}
