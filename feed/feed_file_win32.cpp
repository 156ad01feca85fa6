// The feeder's files on Win32: CreateFileA, ReadFile at an offset, WriteFile,
// FlushFileBuffers, SetEndOfFile, and MoveFileExA for the rename over (a
// plain rename does not replace a file there). Inputs are opened sharing
// everything, so that the decoder can go on writing, rename or delete them.
// The monitor holds the log open during a refresh without allowing it to be
// deleted, and a rename onto it fails until the refresh has closed it: the
// rename is tried again for a while. Files have no inode here.
#include <windows.h>

#include "feed/feed_file.h"

namespace {

std::string reason_text(DWORD error) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) text[--n] = 0;
    return n > 0 ? std::string(text) : "error " + std::to_string(error);
}

bool fail(std::string& reason, DWORD error) {
    reason = reason_text(error);
    return false;
}

HANDLE handle_of(const FeedFile& file) { return reinterpret_cast<HANDLE>(file.handle); }

bool open_as(const std::string& path, DWORD access, DWORD share, DWORD how, FeedFile& file, std::string& reason) {
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail(reason, GetLastError());
    file.handle = reinterpret_cast<intptr_t>(h);
    return true;
}

// A refresh of the monitor holds the log for well under a second even at a
// million records; a rename refused longer than this is reported.
constexpr int replace_attempts = 40;
constexpr DWORD replace_pause_ms = 50;

}  // namespace

bool feed_file_info(const std::string& path, FeedFileInfo& info) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    info.regular = !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    info.size = (long long)(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    info.inode = 0;
    return true;
}

bool feed_file_open_read(const std::string& path, FeedFile& file, std::string& reason) {
    return open_as(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, file,
                   reason);
}

long long feed_file_read_at(FeedFile& file, long long at, char* into, size_t size, std::string& reason) {
    OVERLAPPED where{};
    where.Offset = DWORD(at & 0xffffffff);
    where.OffsetHigh = DWORD(at >> 32);
    DWORD got = 0;
    DWORD want = size < (size_t(1) << 30) ? DWORD(size) : DWORD(1) << 30;
    if (ReadFile(handle_of(file), into, want, &got, &where)) return got;
    DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    fail(reason, error);
    return -1;
}

bool feed_file_create(const std::string& path, FeedFile& file, std::string& reason) {
    return open_as(path, GENERIC_WRITE, 0, CREATE_NEW, file, reason);
}

bool feed_file_open_append(const std::string& path, FeedFile& file, std::string& reason) {
    if (!open_as(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, file, reason)) return false;
    LARGE_INTEGER end{};
    if (SetFilePointerEx(handle_of(file), end, nullptr, FILE_END)) return true;
    DWORD error = GetLastError();
    CloseHandle(handle_of(file));
    file.handle = -1;
    return fail(reason, error);
}

bool feed_file_write(FeedFile& file, const char* at, size_t left, std::string& reason) {
    while (left > 0) {
        DWORD chunk = left < (size_t(1) << 30) ? DWORD(left) : DWORD(1) << 30, put = 0;
        if (!WriteFile(handle_of(file), at, chunk, &put, nullptr)) return fail(reason, GetLastError());
        if (put == 0) return fail(reason, ERROR_WRITE_FAULT);
        at += put;
        left -= put;
    }
    return true;
}

void feed_file_write_behind(FeedFile&, long long, long long) {}  // the system writes behind on its own

bool feed_file_sync(FeedFile& file, long long& size, std::string& reason) {
    LARGE_INTEGER got{};
    if (!FlushFileBuffers(handle_of(file)) || !GetFileSizeEx(handle_of(file), &got)) return fail(reason, GetLastError());
    size = (long long)got.QuadPart;
    return true;
}

bool feed_file_cut(FeedFile& file, long long size) {
    LARGE_INTEGER last{};
    last.QuadPart = size;
    return size >= 0 && SetFilePointerEx(handle_of(file), last, nullptr, FILE_BEGIN) && SetEndOfFile(handle_of(file));
}

bool feed_file_close(FeedFile& file, std::string& reason) {
    if (file.handle == -1) return true;
    HANDLE h = handle_of(file);
    file.handle = -1;
    return CloseHandle(h) || fail(reason, GetLastError());
}

bool feed_file_replace(const std::string& from, const std::string& to, std::string& reason) {
    // Tried again while `to` is held open by a reader that does not share deletion
    // (refused as a sharing violation, or as access denied, which is what Windows
    // says when the target is open).
    for (int attempt = 1;; attempt++) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        if (!held || attempt == replace_attempts) return fail(reason, error);
        Sleep(replace_pause_ms);
    }
}

void feed_file_remove(const std::string& path) { DeleteFileA(path.c_str()); }
