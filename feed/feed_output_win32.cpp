// The spot log on Win32: CreateFileA, WriteFile and FlushFileBuffers, the
// rewrite renamed over the log by MoveFileExA (a plain rename does not
// replace a file there). The monitor holds the log open during a refresh
// without allowing it to be deleted, and a rename onto it fails until the
// refresh has closed it: the rename is tried again for a while. Files have
// no inode here: the size alone tells the log as left.
#include "feed/feed_output.h"

#include <windows.h>

namespace {

std::string reason_text(DWORD error) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) text[--n] = 0;
    return n > 0 ? std::string(text) : "error " + std::to_string(error);
}

bool fail(SpotLog& log, DWORD error) {
    log.error = "cannot write " + log.path + ": " + reason_text(error);
    return false;
}

bool write_all(HANDLE file, const std::string& bytes) {
    const char* at = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        DWORD chunk = left < (size_t(1) << 30) ? DWORD(left) : DWORD(1) << 30, put = 0;
        if (!WriteFile(file, at, chunk, &put, nullptr)) return false;
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        at += put;
        left -= put;
    }
    return true;
}

// A refresh of the monitor holds the log for well under a second even at a
// million records; a rename refused longer than this is reported.
constexpr int replace_attempts = 40;
constexpr DWORD replace_pause_ms = 50;

// Renames `from` over `to`, trying again while `to` is held open by a reader
// that does not share deletion (refused as a sharing violation, or as access
// denied, which is what Windows says when the target is open).
bool replace_file(const std::string& from, const std::string& to) {
    for (int attempt = 1;; attempt++) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        if (!held || attempt == replace_attempts) {
            SetLastError(error);
            return false;
        }
        Sleep(replace_pause_ms);
    }
}

// The size of a regular file, or -1 when `path` is none.
long long regular_size(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return -1;
    return (long long)(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

}  // namespace

bool spot_log_usable(const std::string& path, std::string& error) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return true;  // nothing there yet, or a file
    error = "will not replace " + path + ": not a regular file";
    return false;
}

bool spot_log_unchanged(const SpotLog& log) { return log.size >= 0 && regular_size(log.path) == log.size; }

bool spot_log_rewrite(SpotLog& log, const std::string& records, long long count) {
    if (!spot_log_usable(log.path, log.error)) return false;
    const std::string temporary = log.path + ".tmp";
    DeleteFileA(temporary.c_str());  // left by a crash: never write through whatever it is
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(log, GetLastError());
    LARGE_INTEGER size{};
    bool ok = write_all(file, spot_log_header) && write_all(file, records) && FlushFileBuffers(file) &&
              GetFileSizeEx(file, &size);
    DWORD reason = GetLastError();
    if (!CloseHandle(file) && ok) ok = false, reason = GetLastError();
    if (ok && !replace_file(temporary, log.path)) ok = false, reason = GetLastError();
    if (!ok) {
        DeleteFileA(temporary.c_str());
        return fail(log, reason);
    }
    log.records = count;
    log.size = decltype(log.size)(size.QuadPart);
    log.inode = 0;
    return true;
}

bool spot_log_append(SpotLog& log, const std::string& records, long long count) {
    // Never created here: that is a rewrite.
    HANDLE file = CreateFileA(log.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(log, GetLastError());
    LARGE_INTEGER end{};
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_END) && write_all(file, records) && FlushFileBuffers(file);
    DWORD reason = GetLastError();
    if (!ok) {
        // Cut back to the last whole record; otherwise the next pass rewrites it whole.
        LARGE_INTEGER last{};
        last.QuadPart = log.size;
        if (log.size < 0 || !SetFilePointerEx(file, last, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) log.size = -1;
    }
    if (!CloseHandle(file) && ok) ok = false, reason = GetLastError();
    if (!ok) return fail(log, reason);
    log.records += count;
    log.size += decltype(log.size)(records.size());
    return true;
}
