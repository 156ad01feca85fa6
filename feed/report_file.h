// A file of reception reports read in chunks: plain, or gzip-compressed as
// the WSPRnet archive is downloaded (told apart by the gzip magic bytes).
// Memory stays bounded whatever the file's size.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "feed/report_parse.h"

// The chunk read (and, compressed, the chunk inflated) at a time.
constexpr size_t report_file_chunk = 1 << 20;

// Reads `path` through `parser`, handing the reports of each chunk to `each`
// (which may empty the vector). False, with the reason in `error`, when the
// file cannot be read or its compressed data is broken.
bool report_file_read(const std::string& path, ReportParser& parser,
                      const std::function<void(std::vector<Report>&)>& each, std::string& error);
