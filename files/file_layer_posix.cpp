// The file layer's system side on POSIX: open(2) with the flags the creation
// rules ask for, pread and pwrite at the layer's positions, fstat, and names
// looked up without regard to case.
#include "files/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "files/file_layer.h"

namespace {

int open_failure(int error) {
    switch (error) {
        case EACCES: case EPERM: case EROFS: case ETXTBSY: case EISDIR: case EBUSY: return open_permission;
        case ENXIO: case ENODEV: return open_device_unavailable;
        case ENAMETOOLONG: case EINVAL: case EILSEQ: return open_bad_file_name;
        case ENOTDIR: return open_path_not_found;
        default: return open_file_not_found;
    }
}

int read_failure() { return errno == EACCES || errno == EPERM ? layer_permission : layer_io_failure; }

int descriptor(SystemFile file) { return int(file); }

}  // namespace

bool path_resolve(const char* name, char* out, int out_size) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    struct stat st;
    if (path.empty() || lstat(path.c_str(), &st) == 0 || path.size() >= size_t(out_size)) {
        std::snprintf(out, size_t(out_size), "%s", path.c_str());
        return true;
    }
    std::string resolved = path[0] == '/' ? "/" : "";
    size_t at = path[0] == '/' ? 1 : 0;
    bool all_found = true;
    while (at <= path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty()) continue;
        std::string exact = resolved + part;
        if (!all_found || lstat(exact.c_str(), &st) == 0 || part == "." || part == "..") {
            resolved = exact;
        } else {
            DIR* dir = opendir(resolved.empty() ? "." : resolved.c_str());
            std::string match;
            if (dir != nullptr) {
                while (dirent* e = readdir(dir))
                    if (strcasecmp(e->d_name, part.c_str()) == 0 && (match.empty() || match > e->d_name))
                        match = e->d_name;
                closedir(dir);
            }
            if (match.empty()) all_found = false;
            resolved += match.empty() ? part : match;
        }
        if (end < path.size()) resolved += '/';
    }
    if (resolved.size() >= size_t(out_size)) return false;
    std::snprintf(out, size_t(out_size), "%s", resolved.c_str());
    return true;
}

// POSIX keeps no sharing between processes: the layer's own check is all.
int system_file_open(const char* name, int access, bool, bool, int creation, bool regular_only, SystemFile* file,
                     SystemFileIdentity* identity) {
    char path[4096];
    if (!path_resolve(name, path, sizeof path)) return open_bad_file_name;
    int flags = O_CLOEXEC | ((access & access_read) && (access & access_write) ? O_RDWR
                             : (access & access_write)                       ? O_WRONLY
                                                                             : O_RDONLY);
    if (creation != creation_open_existing) flags |= O_CREAT;
    if (creation == creation_truncate) flags |= O_TRUNC;
    // Non-blocking, the open returns at once whatever the name is; the flag
    // stays on the file, so that a regular-looking file whose reads would
    // wait (some /proc files) fails its read instead of hanging.
    if (regular_only) flags |= O_NONBLOCK;
    int fd = open(path, flags, 0666);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT) {
            std::string dir = path;
            size_t cut = dir.rfind('/');
            struct stat st;
            if (cut != std::string::npos && stat(cut == 0 ? "/" : dir.substr(0, cut).c_str(), &st) != 0)
                return open_path_not_found;
        }
        return open_failure(error);
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return open_other;
    }
    if (regular_only && !S_ISREG(st.st_mode)) {
        close(fd);
        return open_not_a_file;
    }
    if (S_ISDIR(st.st_mode)) {
        close(fd);
        return open_permission;
    }
    *file = fd;
    *identity = {uint64_t(st.st_dev), uint64_t(st.st_ino)};
    return 0;
}

void system_file_close(SystemFile file) { close(descriptor(file)); }

int64_t system_file_size(SystemFile file) {
    struct stat st;
    if (fstat(descriptor(file), &st) != 0) return layer_io_failure;
    return int64_t(st.st_size);
}

int64_t system_file_read_at(SystemFile file, uint8_t* out, int64_t n, uint64_t position) {
    ssize_t r;
    do r = pread(descriptor(file), out, size_t(n), off_t(position));
    while (r < 0 && errno == EINTR);
    return r < 0 ? read_failure() : int64_t(r);
}

int64_t system_file_write_at(SystemFile file, const uint8_t* data, int64_t n, uint64_t position) {
    ssize_t w;
    do w = pwrite(descriptor(file), data, size_t(n), off_t(position));
    while (w < 0 && errno == EINTR);
    if (w < 0) return errno == EACCES || errno == EPERM ? layer_permission : layer_io_failure;
    return int64_t(w);
}
