// The spot log's lock on POSIX systems: flock() on the lock file, which the
// kernel drops with the last descriptor, at exit or death.
#include "feed/feed_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The process id a keeper wrote at the start of the file; 0 when none yet.
long long written_id(int fd) {
    char text[32] = {};
    ssize_t n = pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? std::atoll(text) : 0;
}

// Replaces the file's bytes by `text`. The id serves a second feeder's
// message only: the lock holds without it, so a failure is let be.
bool write_id(int fd, const char* text, size_t size) {
    return ftruncate(fd, 0) == 0 && (size == 0 || pwrite(fd, text, size, 0) == ssize_t(size));
}

}  // namespace

FeedLockState feed_lock_take(FeedLock& lock, const std::string& log_path, long long& other) {
    if (lock.handle >= 0) return FeedLockState::held;
    lock.path = log_path + ".lock";
    int fd = open(lock.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return FeedLockState::not_yet;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        other = written_id(fd);
        for (int i = 0; i < 50 && other == 0; i++) {  // the keeper locks first, then writes its id
            usleep(2000);
            other = written_id(fd);
        }
        close(fd);
        return FeedLockState::taken;
    }
    char text[32];
    int n = std::snprintf(text, sizeof text, "%lld\n", (long long)getpid());
    write_id(fd, text, size_t(n));
    lock.handle = fd;
    return FeedLockState::held;
}

void feed_lock_release(FeedLock& lock) {
    if (lock.handle < 0) return;
    int fd = int(lock.handle);
    write_id(fd, "", 0);
    close(fd);
    lock.handle = -1;
}
