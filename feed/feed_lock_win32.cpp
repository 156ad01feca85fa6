// The spot log's lock file on Windows: a byte far past the id locked with
// LockFileEx, which the system drops when the handle closes or the process
// ends. The file is opened shared, so that a second feeder can read the
// keeper's id from its first bytes, which the lock leaves readable.
#include "feed/feed_lock.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The locked byte: 1 GiB in, far past anything written.
constexpr DWORD lock_offset = 1u << 30;

HANDLE handle_of(intptr_t file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

intptr_t feed_lock_file_open(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(file);
}

bool feed_lock_file_lock(intptr_t file) {
    OVERLAPPED at{};
    at.Offset = lock_offset;
    return LockFileEx(handle_of(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

long long feed_lock_file_id(intptr_t file) {
    char text[32] = {};
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(handle_of(file), text, sizeof text - 1, &got, &at)) return 0;
    return std::atoll(text);
}

bool feed_lock_file_write_id(intptr_t file, bool own) {
    char text[32] = {};
    int n = own ? std::snprintf(text, sizeof text, "%lu\r\n", GetCurrentProcessId()) : 0;
    LARGE_INTEGER start{};
    DWORD written = 0;
    return SetFilePointerEx(handle_of(file), start, nullptr, FILE_BEGIN) && SetEndOfFile(handle_of(file)) &&
           (n == 0 || (WriteFile(handle_of(file), text, DWORD(n), &written, nullptr) && written == DWORD(n)));
}

void feed_lock_file_close(intptr_t file) { CloseHandle(handle_of(file)); }

void feed_lock_pause() { Sleep(2); }
