#include "feed/feed_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Writes all of `bytes`; false with errno set.
bool write_all(int fd, const std::string& bytes) {
    const char* at = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = write(fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        at += n;
        left -= size_t(n);
    }
    return true;
}

bool fail(SpotLog& log, int reason) {
    log.error = "cannot write " + log.path + ": " + std::strerror(reason);
    return false;
}

}  // namespace

bool spot_log_usable(const std::string& path, std::string& error) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;  // nothing there yet, or a file
    error = "will not replace " + path + ": not a regular file";
    return false;
}

bool spot_log_unchanged(const SpotLog& log) {
    struct stat st{};
    return stat(log.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_ino == log.inode &&
           st.st_size == log.size;
}

bool spot_log_rewrite(SpotLog& log, const std::string& records, long long count) {
    if (!spot_log_usable(log.path, log.error)) return false;
    const std::string temporary = log.path + ".tmp";
    unlink(temporary.c_str());  // left by a crash: never write through whatever it is
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return fail(log, errno);
    struct stat st{};
    bool ok = write_all(fd, spot_log_header) && write_all(fd, records) && fsync(fd) == 0 && fstat(fd, &st) == 0;
    int reason = errno;
    if (close(fd) != 0 && ok) ok = false, reason = errno;
    if (ok && std::rename(temporary.c_str(), log.path.c_str()) != 0) ok = false, reason = errno;
    if (!ok) {
        unlink(temporary.c_str());
        return fail(log, reason);
    }
    log.records = count;
    log.size = st.st_size;
    log.inode = st.st_ino;
    return true;
}

bool spot_log_append(SpotLog& log, const std::string& records, long long count) {
    int fd = open(log.path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);  // never created here: that is a rewrite
    if (fd < 0) return fail(log, errno);
    bool ok = write_all(fd, records) && fsync(fd) == 0;
    int reason = errno;
    if (!ok && ftruncate(fd, log.size) != 0) log.size = -1;  // not cut back: the next pass rewrites it whole
    if (close(fd) != 0 && ok) {
        ok = false, reason = errno;
        if (truncate(log.path.c_str(), log.size) != 0) log.size = -1;
    }
    if (!ok) return fail(log, reason);
    log.records += count;
    log.size += (long long)records.size();
    return true;
}
