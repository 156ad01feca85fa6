#include "files/file_layer.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "text/fast_path.h"

namespace {

constexpr int64_t buffer_size = 65536;

// Bytes read ahead for one slot by reads of one byte at a time.
struct ReadBuffer {
    std::unique_ptr<uint8_t[]> bytes;  // allocated at the first read
    uint64_t start = 0;   // file position of bytes[0]
    int64_t length = 0;   // valid bytes; 0 once any other read or write is made
};

std::vector<FileSlot> slots;
std::vector<ReadBuffer> buffers;
std::vector<int32_t> free_slots;
int64_t open_counter = 0;

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

bool shares_conflict(const FileSlot& other, int access, bool deny_read, bool deny_write) {
    return ((access & access_read) && other.deny_read) || ((access & access_write) && other.deny_write) ||
           (deny_read && other.can_read) || (deny_write && other.can_write);
}

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

int32_t layer_open(const char* name, int access, bool deny_read, bool deny_write, int creation, bool regular_only) {
    char path[4096];
    if (name[0] == 0 || !path_resolve(name, path, sizeof path)) return open_bad_file_name;
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
    for (const FileSlot& s : slots)
        if (s.in_use && s.device == uint64_t(st.st_dev) && s.inode == uint64_t(st.st_ino) &&
            (shares_conflict(s, access, deny_read, deny_write))) {
            close(fd);
            return open_permission;
        }
    int32_t index;
    if (!free_slots.empty()) {
        index = free_slots.back();
        free_slots.pop_back();
    } else {
        index = int32_t(slots.size());
        slots.emplace_back();
        buffers.emplace_back();
    }
    FileSlot& s = slots[size_t(index)];
    std::memset(&s, 0, sizeof s);
    s.sequence = ++open_counter;
    s.in_use = 1;
    s.can_read = (access & access_read) != 0;
    s.can_write = (access & access_write) != 0;
    s.deny_read = deny_read;
    s.deny_write = deny_write;
    s.fd = fd;
    s.device = uint64_t(st.st_dev);
    s.inode = uint64_t(st.st_ino);
    buffers[size_t(index)].length = 0;
    return index;
}

FileSlot* layer_slot(int32_t slot) {
    if (slot < 0 || size_t(slot) >= slots.size() || !slots[size_t(slot)].in_use) return nullptr;
    return &slots[size_t(slot)];
}

void layer_close(int32_t slot) {
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return;
    close(s->fd);
    std::free(s->record_buffer);
    std::free(s->field_list);
    s->in_use = 0;
    s->record_buffer = nullptr;
    s->field_list = nullptr;
    buffers[size_t(slot)].length = 0;
    free_slots.push_back(slot);
}

int64_t layer_length(int32_t slot) {
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return layer_no_slot;
    struct stat st;
    if (fstat(s->fd, &st) != 0) return layer_io_failure;
    return int64_t(st.st_size);
}

int layer_seek(int32_t slot, int64_t position) {
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return layer_no_slot;
    if (position < 0) return layer_bad_position;
    s->position = uint64_t(position);
    return 0;
}

int layer_read(int32_t slot, uint8_t* out, int64_t n, int64_t position) {
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return layer_no_slot;
    if (position != -1) {
        if (position < 0) return layer_bad_position;
        s->position = uint64_t(position);
    }
    if (!s->can_read) return layer_wrong_direction;
    buffers[size_t(slot)].length = 0;
    int64_t got = 0;
    while (got < n) {
        ssize_t r = pread(s->fd, out + got, size_t(n - got), off_t(s->position + uint64_t(got)));
        if (r < 0) {
            if (errno == EINTR) continue;
            return read_failure();
        }
        if (r == 0) break;
        got += r;
    }
    s->position += uint64_t(got);
    if (got < n) {
        std::memset(out + got, 0, size_t(n - got));
        s->end_seen = 1;
        return layer_end_of_file;
    }
    s->end_seen = 0;
    return 0;
}

const uint8_t* layer_buffered(int32_t slot, int64_t& count, bool refill) {
    count = 0;
    FileSlot* s = layer_slot(slot);
    if (s == nullptr || !s->can_read || !fast_path) return nullptr;
    ReadBuffer& b = buffers[size_t(slot)];
    if (b.length > 0 && s->position >= b.start && s->position < b.start + uint64_t(b.length)) {
        count = int64_t(b.start + uint64_t(b.length) - s->position);
        return b.bytes.get() + (s->position - b.start);
    }
    if (!refill) return nullptr;
    b.length = 0;
    if (b.bytes == nullptr) b.bytes.reset(new (std::nothrow) uint8_t[buffer_size]);
    if (b.bytes == nullptr) {
        count = layer_io_failure;
        return nullptr;
    }
    ssize_t r;
    do r = pread(s->fd, b.bytes.get(), size_t(buffer_size), off_t(s->position));
    while (r < 0 && errno == EINTR);
    if (r <= 0) {
        count = r < 0 ? read_failure() : layer_end_of_file;
        if (r == 0) s->end_seen = 1;
        return nullptr;
    }
    b.start = s->position;
    b.length = r;
    count = r;
    return b.bytes.get();
}

int layer_read_byte(int32_t slot) {
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return layer_no_slot;
    if (!s->can_read) return layer_wrong_direction;
    uint8_t byte;
    if (fast_path) {
        int64_t count;
        const uint8_t* p = layer_buffered(slot, count, true);
        if (p == nullptr) return int(count);
        byte = *p;
    } else {
        ssize_t r;
        do r = pread(s->fd, &byte, 1, off_t(s->position));
        while (r < 0 && errno == EINTR);
        if (r < 0) return read_failure();
        if (r == 0) {
            s->end_seen = 1;
            return layer_end_of_file;
        }
    }
    s->position++;
    s->end_seen = 0;
    return byte;
}

int layer_write(int32_t slot, const uint8_t* data, int64_t n, int64_t position) {
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return layer_no_slot;
    if (position != -1) {
        if (position < 0) return layer_bad_position;
        s->position = uint64_t(position);
    }
    if (!s->can_write) return layer_wrong_direction;
    buffers[size_t(slot)].length = 0;
    int64_t done = 0;
    while (done < n) {
        ssize_t w = pwrite(s->fd, data + done, size_t(n - done), off_t(s->position + uint64_t(done)));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return errno == EACCES || errno == EPERM ? layer_permission : layer_io_failure;
        if (w == 0) break;
        done += w;
    }
    s->position += uint64_t(done);
    return done < n ? layer_short_write : 0;
}
