// The spot log's lock on Windows: a byte far past the id locked with
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

long long written_id(HANDLE file) {
    char text[32] = {};
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(file, text, sizeof text - 1, &got, &at)) return 0;
    return std::atoll(text);
}

bool lock_byte(HANDLE file) {
    OVERLAPPED at{};
    at.Offset = lock_offset;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

// Replaces the file's bytes by `text`.
void write_id(HANDLE file, const char* text, DWORD size) {
    LARGE_INTEGER start{};
    DWORD written = 0;
    if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file) && size > 0)
        WriteFile(file, text, size, &written, nullptr);
}

}  // namespace

FeedLockState feed_lock_take(FeedLock& lock, const std::string& log_path, long long& other) {
    if (lock.handle != -1) return FeedLockState::held;
    lock.path = log_path + ".lock";
    HANDLE file = CreateFileA(lock.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FeedLockState::not_yet;
    if (!lock_byte(file)) {
        other = written_id(file);
        for (int i = 0; i < 50 && other == 0; i++) {  // the keeper locks first, then writes its id
            Sleep(2);
            other = written_id(file);
        }
        CloseHandle(file);
        return FeedLockState::taken;
    }
    char text[32];
    int n = std::snprintf(text, sizeof text, "%lu\r\n", GetCurrentProcessId());
    write_id(file, text, DWORD(n));
    lock.handle = reinterpret_cast<intptr_t>(file);
    return FeedLockState::held;
}

void feed_lock_release(FeedLock& lock) {
    if (lock.handle == -1) return;
    HANDLE file = reinterpret_cast<HANDLE>(lock.handle);
    write_id(file, "", 0);
    CloseHandle(file);
    lock.handle = -1;
}
