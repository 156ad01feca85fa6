// The decoder's files as a source of spots: ALL.TXT (every version's layout),
// ALL_WSPR.TXT and the yearly and monthly split files, named one by one or by
// their folder.
//
// A file is read in chunks of 1 MiB, only its new bytes each pass; a half
// written last line waits for the next. Its start is found by bisection over
// byte offsets: the first line an hour (the margin) before the span, where
// reading begins, and reading stops at the first line an hour past the span's
// end. A decode further out of order than the margin may be missed, and is
// counted when it is met. Split files wholly outside the span are not opened.
// A file truncated, replaced or rewritten in place is read again.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "feed/feed_source.h"

// How far out of order the decoder's lines may be and still be found.
constexpr int64_t feed_start_margin = 3600;

// Builds the source of the decoder files and folders `inputs`; with
// `whole_read` every file is read from its first byte to its last (the
// reference the bisection start is tested against).
std::unique_ptr<FeedSource> feed_decoder_files(const std::vector<std::string>& inputs, bool whole_read);

// True for the names of the decoder files a folder is scanned for.
bool feed_decoder_file_name(const std::string& name);
