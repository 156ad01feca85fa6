#include "feed/feed_output.h"

#include "feed/feed_file.h"

namespace {

bool fail(SpotLog& log, const std::string& reason) {
    log.error = "cannot write " + log.path + ": " + reason;
    return false;
}

// Writes every piece; the bytes written.
bool write_pieces(FeedFile& file, const SpotPieces& records, long long& written, std::string& reason) {
    for (std::string_view piece = records(); !piece.empty(); piece = records()) {
        if (!feed_file_write(file, piece.data(), piece.size(), reason)) return false;
        written += (long long)piece.size();
    }
    return true;
}

}  // namespace

bool spot_log_usable(const std::string& path, std::string& error) {
    FeedFileInfo info;
    if (!feed_file_info(path, info) || info.regular) return true;  // nothing there yet, or a file
    error = "will not replace " + path + ": not a regular file";
    return false;
}

bool spot_log_unchanged(const SpotLog& log) {
    FeedFileInfo info;
    return log.size >= 0 && feed_file_info(log.path, info) && info.regular && info.inode == log.inode &&
           info.size == log.size;
}

bool spot_draft_begin(SpotLog& log, SpotDraft& draft) {
    if (!spot_log_usable(log.path, log.error)) return false;
    draft = SpotDraft{};
    draft.temporary = log.path + ".tmp";
    feed_file_remove(draft.temporary);  // left by a crash: never write through whatever it is
    if (!feed_file_create(draft.temporary, draft.file, draft.reason)) return fail(log, draft.reason);
    draft.written = (long long)std::char_traits<char>::length(spot_log_header);
    if (!feed_file_write(draft.file, spot_log_header, size_t(draft.written), draft.reason)) {
        spot_draft_drop(draft);
        return fail(log, draft.reason);
    }
    return true;
}

bool spot_draft_write(SpotDraft& draft, std::string_view records, long long count) {
    if (!draft.reason.empty()) return false;
    if (!feed_file_write(draft.file, records.data(), records.size(), draft.reason)) return false;
    feed_file_write_behind(draft.file, draft.written, (long long)records.size());
    draft.written += (long long)records.size();
    draft.count += count;
    return true;
}

bool spot_draft_finish(SpotLog& log, SpotDraft& draft) {
    long long size = 0;
    std::string& reason = draft.reason;
    bool ok = reason.empty() && feed_file_sync(draft.file, size, reason);
    std::string closing;
    if (!feed_file_close(draft.file, closing) && ok) ok = false, reason = closing;
    if (ok && !feed_file_replace(draft.temporary, log.path, reason)) ok = false;
    if (!ok) {
        feed_file_remove(draft.temporary);
        return fail(log, reason);
    }
    FeedFileInfo info;
    log.records = draft.count;
    log.size = size;
    log.inode = feed_file_info(log.path, info) ? info.inode : 0;
    return true;
}

void spot_draft_drop(SpotDraft& draft) {
    std::string ignored;
    feed_file_close(draft.file, ignored);
    feed_file_remove(draft.temporary);
}

bool spot_log_rewrite(SpotLog& log, const SpotPieces& records, long long count) {
    SpotDraft draft;
    if (!spot_draft_begin(log, draft)) return false;
    for (std::string_view piece = records(); !piece.empty(); piece = records())
        if (!spot_draft_write(draft, piece, 0)) break;
    draft.count = count;
    return spot_draft_finish(log, draft);
}

bool spot_log_rewrite(SpotLog& log, const std::string& records, long long count) {
    bool given = false;
    return spot_log_rewrite(
        log, [&]() -> std::string_view { return given ? std::string_view() : (given = true, std::string_view(records)); },
        count);
}

bool spot_log_append(SpotLog& log, const SpotPieces& records, long long count) {
    FeedFile file;
    std::string reason;
    if (!feed_file_open_append(log.path, file, reason)) return fail(log, reason);  // never created here: a rewrite
    long long written = 0, size = 0;
    bool ok = write_pieces(file, records, written, reason) && feed_file_sync(file, size, reason);
    if (!ok && !feed_file_cut(file, log.size)) log.size = -1;  // not cut back: the next pass rewrites it whole
    std::string closing;
    if (!feed_file_close(file, closing) && ok) {
        ok = false, reason = closing;
        log.size = -1;  // whether the records stayed is not known: the next pass rewrites it whole
    }
    if (!ok) return fail(log, reason);
    log.records += count;
    log.size += written;
    return true;
}
