// The spot log skerrow-feed writes: a header line, then whole records.
//
// A rewrite goes through a temporary file beside the log, synced and renamed
// over it, so a reader sees the old log or the new one, never half of either;
// when it fails the old log stays and the temporary file is removed. An append
// that fails is cut back to the last whole record. Every write, sync and close
// is checked; a failure leaves its reason in `error`. Written once over the
// file calls of feed/feed_file.h.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "feed/feed_file.h"
#include "host/folders.h"  // spot_log_header

// The spot log and what skerrow-feed last left in it.
struct SpotLog {
    std::string path;       // the spot log
    long long records = 0;  // whole records the file holds
    long long size = -1;    // its size after the last successful write; -1 before the first
    unsigned long long inode = 0;  // its inode then (0 where files have none)
    std::string error;      // the last failure: "cannot write PATH: reason"
};

// The records to write, handed over piece by piece (whole records, CR LF
// ended); an empty piece ends them.
using SpotPieces = std::function<std::string_view()>;

// ---- checks ----

// False, with the reason in `error`, when `path` names something other than a
// regular file (a device, a folder, a pipe): that is never replaced.
bool spot_log_usable(const std::string& path, std::string& error);
// True while the file is still the one last written, at the size left.
bool spot_log_unchanged(const SpotLog& log);

// ---- writing ----

// A rewrite under way: records go to the temporary file beside the log as
// they come; the log is replaced only when it is finished.
struct SpotDraft {
    FeedFile file;           // the temporary file, open
    std::string temporary;   // its path
    long long count = 0;     // records written to it
    long long written = 0;   // bytes written to it, the header's too
    std::string reason;      // the first failure; "" while there is none
};

// Makes the temporary file and writes the header; false, with the reason in log.error, when it cannot.
bool spot_draft_begin(SpotLog& log, SpotDraft& draft);
// Adds whole records (`count` of them); false once a write has failed.
bool spot_draft_write(SpotDraft& draft, std::string_view records, long long count);
// Syncs the temporary file and renames it over the log; false, with the
// reason in log.error (the temporary file removed), when any step failed.
bool spot_draft_finish(SpotLog& log, SpotDraft& draft);
// Gives the rewrite up: the temporary file is closed and removed, the log stays.
void spot_draft_drop(SpotDraft& draft);

// Replaces the log with the header and the records (`count` of them).
bool spot_log_rewrite(SpotLog& log, const SpotPieces& records, long long count);
bool spot_log_rewrite(SpotLog& log, const std::string& records, long long count);
// Adds the records (`count` of them) at the end of the log as last written.
bool spot_log_append(SpotLog& log, const SpotPieces& records, long long count);
