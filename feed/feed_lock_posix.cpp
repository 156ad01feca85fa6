// The spot log's lock file on POSIX systems: flock() on it, which the kernel
// drops with the last descriptor, at exit or death.
#include "feed/feed_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

intptr_t feed_lock_file_open(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    return fd < 0 ? -1 : fd;
}

bool feed_lock_file_lock(intptr_t file) { return flock(int(file), LOCK_EX | LOCK_NB) == 0; }

long long feed_lock_file_id(intptr_t file) {
    char text[32] = {};
    ssize_t n = pread(int(file), text, sizeof text - 1, 0);
    return n > 0 ? std::atoll(text) : 0;
}

bool feed_lock_file_write_id(intptr_t file, bool own) {
    char text[32] = {};
    int n = own ? std::snprintf(text, sizeof text, "%lld\n", (long long)getpid()) : 0;
    return ftruncate(int(file), 0) == 0 && (n == 0 || pwrite(int(file), text, size_t(n), 0) == ssize_t(n));
}

void feed_lock_file_close(intptr_t file) { close(int(file)); }

void feed_lock_pause() { usleep(2000); }
