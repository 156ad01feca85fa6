#include "files/file_layer.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "files/file_system.h"
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

bool shares_conflict(const FileSlot& other, int access, bool deny_read, bool deny_write) {
    return ((access & access_read) && other.deny_read) || ((access & access_write) && other.deny_write) ||
           (deny_read && other.can_read) || (deny_write && other.can_write);
}

}  // namespace

int32_t layer_open(const char* name, int access, bool deny_read, bool deny_write, int creation, bool regular_only) {
    if (name[0] == 0) return open_bad_file_name;
    SystemFile file = 0;
    SystemFileIdentity identity{};
    int failure = system_file_open(name, access, deny_read, deny_write, creation, regular_only, &file, &identity);
    if (failure != 0) return failure;
    for (const FileSlot& s : slots)
        if (s.in_use && s.device == identity.device && s.inode == identity.inode &&
            (shares_conflict(s, access, deny_read, deny_write))) {
            system_file_close(file);
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
    s.file = file;
    s.device = identity.device;
    s.inode = identity.inode;
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
    system_file_close(s->file);
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
    return system_file_size(s->file);
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
        int64_t r = system_file_read_at(s->file, out + got, n - got, s->position + uint64_t(got));
        if (r < 0) return int(r);
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

const uint8_t* layer_buffered_of(int32_t slot, const FileSlot* s, int64_t& count) {
    const ReadBuffer& b = buffers[size_t(slot)];
    if (b.length > 0 && s->can_read && fast_path && s->position >= b.start && s->position < b.start + uint64_t(b.length)) {
        count = int64_t(b.start + uint64_t(b.length) - s->position);
        return b.bytes.get() + (s->position - b.start);
    }
    count = 0;
    return nullptr;
}

const uint8_t* layer_buffered(int32_t slot, int64_t& count, bool refill) {
    count = 0;
    FileSlot* s = layer_slot(slot);
    if (s == nullptr) return nullptr;
    if (const uint8_t* p = layer_buffered_of(slot, s, count)) return p;
    if (!refill || !s->can_read || !fast_path) return nullptr;
    ReadBuffer& b = buffers[size_t(slot)];
    b.length = 0;
    if (b.bytes == nullptr) b.bytes.reset(new (std::nothrow) uint8_t[buffer_size]);
    if (b.bytes == nullptr) {
        count = layer_io_failure;
        return nullptr;
    }
    int64_t r = system_file_read_at(s->file, b.bytes.get(), buffer_size, s->position);
    if (r <= 0) {
        count = r < 0 ? r : layer_end_of_file;
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
        int64_t r = system_file_read_at(s->file, &byte, 1, s->position);
        if (r < 0) return int(r);
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
        int64_t w = system_file_write_at(s->file, data + done, n - done, s->position + uint64_t(done));
        if (w < 0) return int(w);
        if (w == 0) break;
        done += w;
    }
    s->position += uint64_t(done);
    return done < n ? layer_short_write : 0;
}
