// The feeder's files on POSIX systems: open, pread, write, fsync, ftruncate, rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "feed/feed_file.h"

namespace {

bool fail(std::string& reason) {
    reason = std::strerror(errno);
    return false;
}

bool open_as(const std::string& path, int flags, FeedFile& file, std::string& reason) {
    int fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return fail(reason);
    file.handle = fd;
    return true;
}

}  // namespace

bool feed_file_info(const std::string& path, FeedFileInfo& info) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return false;
    info.regular = S_ISREG(st.st_mode);
    info.size = (long long)st.st_size;
    info.inode = (unsigned long long)st.st_ino;
    return true;
}

bool feed_file_open_read(const std::string& path, FeedFile& file, std::string& reason) {
    return open_as(path, O_RDONLY, file, reason);
}

long long feed_file_read_at(FeedFile& file, long long at, char* into, size_t size, std::string& reason) {
    for (;;) {
        ssize_t n = pread(int(file.handle), into, size, off_t(at));
        if (n >= 0) return n;
        if (errno != EINTR) return fail(reason), -1;
    }
}

bool feed_file_create(const std::string& path, FeedFile& file, std::string& reason) {
    return open_as(path, O_WRONLY | O_CREAT | O_EXCL, file, reason);
}

bool feed_file_open_append(const std::string& path, FeedFile& file, std::string& reason) {
    return open_as(path, O_WRONLY | O_APPEND, file, reason);
}

bool feed_file_write(FeedFile& file, const char* at, size_t left, std::string& reason) {
    while (left > 0) {
        ssize_t n = write(int(file.handle), at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return fail(reason);
        }
        at += n;
        left -= size_t(n);
    }
    return true;
}

void feed_file_write_behind(FeedFile& file, long long at, long long size) {
#ifdef __linux__
    sync_file_range(int(file.handle), off_t(at), off_t(size), SYNC_FILE_RANGE_WRITE);
#else
    (void)file, (void)at, (void)size;
#endif
}

bool feed_file_sync(FeedFile& file, long long& size, std::string& reason) {
    struct stat st{};
    if (fsync(int(file.handle)) != 0 || fstat(int(file.handle), &st) != 0) return fail(reason);
    size = (long long)st.st_size;
    return true;
}

bool feed_file_cut(FeedFile& file, long long size) { return ftruncate(int(file.handle), off_t(size)) == 0; }

bool feed_file_close(FeedFile& file, std::string& reason) {
    if (file.handle < 0) return true;
    int fd = int(file.handle);
    file.handle = -1;
    return close(fd) == 0 || fail(reason);
}

bool feed_file_replace(const std::string& from, const std::string& to, std::string& reason) {
    return std::rename(from.c_str(), to.c_str()) == 0 || fail(reason);
}

void feed_file_remove(const std::string& path) { unlink(path.c_str()); }
