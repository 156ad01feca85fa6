#include "text/string_value.h"

#include <cstdlib>
#include <cstring>

#include "errors/runtime_error.h"

namespace {

constexpr size_t initial_pool_size = 1048576;
constexpr uint32_t initial_list_capacity = 65535;
constexpr uint32_t descriptor_block = 65536;
constexpr uint32_t slack = 32;  // room every new pooled string may grow into in place
constexpr int32_t initial_static_block = 1048576;

// One pool of string bytes and the list of its strings, ordered by address.
struct Pool {
    uint8_t* base;          // first byte of the pool
    size_t size;            // bytes in the pool
    size_t used;            // next free byte, as an offset from base
    StringValue** list;     // strings of this pool; null marks a dead entry
    uint32_t count;         // entries in use in list
    uint32_t capacity;      // entries list may hold (backing array has one more)
    ErrorNumber list_error; // runtime error when the list cannot grow
};

struct TemporaryList {
    StringValue** slots;  // slot 0 is never used; null marks a released slot
    uint32_t capacity;    // (the next slot to hand out is string_temps_count)
};

struct DescriptorStore {
    StringValue* block;      // current zero-filled block
    uint32_t block_used;     // descriptors carved from it
    StringValue** recycled;  // released descriptors
    uint32_t recycled_count;
    uint32_t recycled_capacity;
    uint32_t live;           // handed out and not released
};

struct StaticStore {
    uint8_t* base;  // current block
    uint8_t* next;  // next free byte
    uint8_t* end;   // end of the current block
    int32_t block_size;
};

bool initialised = false;
Pool main_pool;
Pool low_pool;  // bytes inside the low-memory area; records grow down from its top
uint8_t low_area[low_memory_area_size];
uint32_t low_records_bottom = low_memory_area_size;  // lowest record offset in use
TemporaryList temps;

}  // namespace

uint32_t string_temps_count = 0;

namespace {

DescriptorStore descriptors;
StaticStore statics;

StringValue* take_descriptor() {
    DescriptorStore& d = descriptors;
    StringValue* s;
    if (d.recycled_count > 0) {
        s = d.recycled[--d.recycled_count];
        std::memset(s, 0, sizeof *s);
    } else {
        if (d.block == nullptr || d.block_used == descriptor_block) {
            d.block = static_cast<StringValue*>(std::calloc(descriptor_block, sizeof(StringValue)));
            if (d.block == nullptr) {
                runtime_error(error_out_of_memory_string_store);
                return nullptr;
            }
            d.block_used = 0;
        }
        s = &d.block[d.block_used++];
    }
    d.live++;
    return s;
}

void recycle_descriptor(StringValue* s) {
    DescriptorStore& d = descriptors;
    if (d.recycled_count == d.recycled_capacity) {
        uint32_t grown = d.recycled_capacity * 2;
        auto* r = static_cast<StringValue**>(std::realloc(d.recycled, grown * sizeof(StringValue*)));
        if (r == nullptr) {
            runtime_error(error_out_of_memory_recycled_descriptors);
            return;
        }
        d.recycled = r;
        d.recycled_capacity = grown;
    }
    d.recycled[d.recycled_count++] = s;
    d.live--;
}

bool grow_array(StringValue**& array, uint32_t& capacity, ErrorNumber error) {
    uint32_t grown = capacity * 2 + 1;
    auto* a = static_cast<StringValue**>(std::realloc(array, (size_t(grown) + 1) * sizeof(StringValue*)));
    if (a == nullptr) {
        runtime_error(error);
        return false;
    }
    std::memset(a + capacity + 1, 0, (grown - capacity) * sizeof(StringValue*));
    array = a;
    capacity = grown;
    return true;
}

// Drops dead entries; doubles the capacity when the list is still half full.
bool list_compact(Pool& p) {
    uint32_t live = 0;
    for (uint32_t i = 0; i < p.count; i++) {
        StringValue* s = p.list[i];
        if (s == nullptr) continue;
        s->pool_index = live;
        p.list[live++] = s;
    }
    p.count = live;
    if (live >= p.capacity / 2) return grow_array(p.list, p.capacity, p.list_error);
    return true;
}

bool list_append(Pool& p, StringValue* s) {
    if (p.count >= p.capacity && !list_compact(p)) return false;
    s->pool_index = p.count;
    p.list[p.count++] = s;
    return true;
}

void list_drop_trailing_dead(Pool& p) {
    while (p.count > 0 && p.list[p.count - 1] == nullptr) p.count--;
}

void rewrite_low_record(StringValue* s) {
    if (s->low_memory_record == nullptr) return;
    uint16_t length = static_cast<uint16_t>(s->length);
    uint16_t offset = static_cast<uint16_t>(s->data - low_area);
    std::memcpy(s->low_memory_record, &length, 2);
    std::memcpy(s->low_memory_record + 2, &offset, 2);
}

// Moves strings down over the gaps between them. The main pool keeps gaps of
// up to 32 bytes and grows when the need is not met; the low pool is packed
// tight and never grows.
bool pool_compact(Pool& p, size_t need) {
    bool tight = &p == &low_pool;
    uint8_t* dest = p.base;
    for (uint32_t i = 0; i < p.count; i++) {
        StringValue* s = p.list[i];
        if (s == nullptr) continue;
        if (s->data > dest + (tight ? 0 : slack)) {
            std::memmove(dest, s->data, size_t(s->length));
            s->data = dest;
            rewrite_low_record(s);
        }
        dest = s->data + s->length;
    }
    p.used = size_t(dest - p.base);
    if (tight) {
        if (p.used + need > p.size) {
            runtime_error(error_out_of_memory_compacted_pool);
            return false;
        }
        return true;
    }
    if (need + 2 * p.used + slack < p.size) return true;
    size_t grown = need + 2 * p.size;
    auto* b = static_cast<uint8_t*>(std::realloc(p.base, grown));
    if (b == nullptr) {
        runtime_error(error_out_of_memory_main_pool);
        return false;
    }
    for (uint32_t i = 0; i < p.count; i++)
        if (p.list[i] != nullptr) p.list[i]->data = b + (p.list[i]->data - p.base);
    p.base = b;
    p.size = grown;
    return true;
}

Pool& pool_of(const StringValue* s) { return s->in_low_memory ? low_pool : main_pool; }

bool temps_append(StringValue* s) {
    if (string_temps_count > temps.capacity && !grow_array(temps.slots, temps.capacity, error_out_of_memory_temporary_list)) return false;
    s->temporary = 1;
    s->temporary_index = string_temps_count;
    temps.slots[string_temps_count++] = s;
    return true;
}

void temps_unlist(StringValue* s) {
    if (s->temporary_index == 0) return;
    temps.slots[s->temporary_index] = nullptr;
    while (string_temps_count > 1 && temps.slots[string_temps_count - 1] == nullptr) string_temps_count--;
    s->temporary_index = 0;
    s->temporary = 0;
}

void pool_init(Pool& p, uint8_t* base, size_t size, ErrorNumber list_error) {
    p.base = base;
    p.size = size;
    p.used = 0;
    p.capacity = initial_list_capacity;
    p.list = static_cast<StringValue**>(std::calloc(size_t(p.capacity) + 1, sizeof(StringValue*)));
    p.count = 0;
    p.list_error = list_error;
}

// Copies src's bytes into dest, which must grow: in place where nothing
// follows, else into fresh bytes at the end of the pool.
void assign_growing(StringValue* dest, StringValue* src) {
    Pool& p = pool_of(dest);
    uint32_t len = uint32_t(src->length);
    bool nothing_after = true;
    for (uint32_t i = dest->pool_index + 1; i < p.count && nothing_after; i++) {
        StringValue* e = p.list[i];
        if (e != nullptr && !(e == src && src->temporary)) nothing_after = false;
    }
    if (nothing_after && dest->data + len <= p.base + p.size) {
        p.count = dest->pool_index + 1;
        std::memmove(dest->data, src->data, len);
        dest->length = int32_t(len);
        p.used = size_t(dest->data + len - p.base);
        return;
    }
    const StringValue* next = nullptr;
    for (uint32_t i = dest->pool_index + 1; i < p.count && next == nullptr; i++) next = p.list[i];
    if (next != nullptr && next->data >= dest->data + len) {
        std::memmove(dest->data, src->data, len);
        dest->length = int32_t(len);
        return;
    }
    p.list[dest->pool_index] = nullptr;
    if (p.used + len > p.size && !pool_compact(p, len)) return;
    if (!list_append(p, dest)) return;
    dest->data = p.base + p.used;
    p.used += len;
    std::memcpy(dest->data, src->data, len);
    dest->length = int32_t(len);
}

}  // namespace

void strings_init() {
    if (initialised) return;
    initialised = true;
    pool_init(main_pool, static_cast<uint8_t*>(std::malloc(initial_pool_size)), initial_pool_size, error_out_of_memory_main_string_list);
    pool_init(low_pool, low_area, low_memory_area_size, error_out_of_memory_low_string_list);
    temps.capacity = initial_list_capacity;
    temps.slots = static_cast<StringValue**>(std::calloc(size_t(temps.capacity) + 1, sizeof(StringValue*)));
    string_temps_count = 1;
    descriptors.recycled_capacity = descriptor_block;
    descriptors.recycled = static_cast<StringValue**>(std::malloc(descriptor_block * sizeof(StringValue*)));
    statics.base = static_cast<uint8_t*>(std::malloc(initial_static_block));
    statics.next = statics.base;
    statics.end = statics.base + initial_static_block;
    statics.block_size = initial_static_block;
    if (!main_pool.base || !main_pool.list || !low_pool.list || !temps.slots ||
        !descriptors.recycled || !statics.base)
        runtime_error(error_out_of_memory_string_store);
}

void* static_alloc(int32_t size) {
    strings_init();
    if (size < 0) size = 0;
    uint8_t* old = statics.next;
    if (statics.next + size < statics.end) {
        statics.next += size;
        return old;
    }
    int64_t block = int64_t(size) + 2 * int64_t(statics.block_size);
    auto* b = static_cast<uint8_t*>(std::malloc(size_t(block)));
    if (b == nullptr || block > INT32_MAX) {
        runtime_error(error_out_of_memory_static_storage);
        return nullptr;
    }
    statics.base = b;
    statics.next = b + size;
    statics.end = b + block;
    statics.block_size = int32_t(block);
    return b;
}

StringValue* string_new(uint32_t length, bool temporary) {
    strings_init();
    Pool& p = main_pool;
    if (p.used + length + slack > p.size && !pool_compact(p, size_t(length) + slack)) return string_empty_temporary();
    StringValue* s = take_descriptor();
    if (s == nullptr) return nullptr;
    s->data = p.base + p.used;
    s->length = int32_t(length);
    p.used += size_t(length) + slack;
    list_append(p, s);
    if (temporary) temps_append(s);
    return s;
}

StringValue* string_from_text(const void* text, int32_t length) {
    strings_init();
    StringValue* s = take_descriptor();
    s->data = static_cast<uint8_t*>(const_cast<void*>(text));
    s->length = length < 0 ? 0 : length;
    s->read_only = 1;
    temps_append(s);
    return s;
}

StringValue* string_from_cstring(const char* text) {
    return string_from_text(text, text ? int32_t(std::strlen(text)) : 0);
}

StringValue* string_empty_temporary() { return string_from_text("", 0); }

StringValue* string_fixed_new(void* buffer, int32_t length, bool temporary) {
    strings_init();
    StringValue* s = take_descriptor();
    s->data = static_cast<uint8_t*>(buffer);
    s->length = length < 0 ? 0 : length;
    s->fixed = 1;
    if (temporary) temps_append(s);
    return s;
}

StringValue* string_make_temporary(StringValue* s) {
    if (s->temporary_index == 0) temps_append(s);
    return s;
}

uint8_t* low_memory_area() { return low_area; }

StringValue* string_low_new(uint32_t length) {
    strings_init();
    Pool& p = low_pool;
    if (low_records_bottom < 4 || low_records_bottom - 4 < p.used) {
        runtime_error(error_out_of_memory_low_pool);
        return nullptr;
    }
    uint32_t record = low_records_bottom - 4;
    if (p.used + length > record) {
        p.size = record;
        if (!pool_compact(p, length)) return nullptr;
    }
    low_records_bottom = record;
    p.size = record;
    StringValue* s = take_descriptor();
    s->data = p.base + p.used;
    s->length = int32_t(length);
    s->in_low_memory = 1;
    s->low_memory_record = low_area + record;
    s->low_memory_record_offset = record;
    p.used += length;
    list_append(p, s);
    rewrite_low_record(s);
    return s;
}

bool string_is_mutable_temporary(const StringValue* s) {
    return s->temporary && !s->fixed && !s->read_only && !s->in_low_memory;
}

void string_release_if_temporary(StringValue* s) {
    if (s->temporary) string_free(s);
}

StringValue* string_assign(StringValue* dest, StringValue* src) {
    if (error_pending.load() || dest == src || dest->read_only) return dest;
    if (dest->fixed) {
        int32_t n = src->length < dest->length ? src->length : dest->length;
        if (n > 0) std::memmove(dest->data, src->data, size_t(n));
        if (dest->length > n) std::memset(dest->data + n, ' ', size_t(dest->length - n));
    } else if (src->temporary && !src->fixed && !src->read_only &&
               src->in_low_memory == dest->in_low_memory) {
        Pool& p = pool_of(dest);
        p.list[dest->pool_index] = nullptr;
        p.list[src->pool_index] = dest;
        dest->pool_index = src->pool_index;
        temps.slots[src->temporary_index] = nullptr;
        if (src->temporary_index == string_temps_count - 1) string_temps_count--;
        dest->data = src->data;
        dest->length = src->length;
        rewrite_low_record(dest);
        recycle_descriptor(src);
        return dest;
    } else if (src->length <= dest->length) {
        if (src->length > 0) std::memmove(dest->data, src->data, size_t(src->length));
        dest->length = src->length;
    } else {
        assign_growing(dest, src);
    }
    string_release_if_temporary(src);
    rewrite_low_record(dest);
    return dest;
}

StringValue* string_assign_bytes(StringValue* dest, const uint8_t* bytes, int32_t n) {
    StringValue view{};
    view.data = const_cast<uint8_t*>(bytes);
    view.length = n < 0 ? 0 : n;
    view.read_only = 1;
    return string_assign(dest, &view);
}

StringValue* string_concat(StringValue* a, StringValue* b) {
    if (error_pending.load()) return string_empty_temporary();
    if (b->length == 0) return a;
    if (a->length == 0) return b;
    int64_t total = int64_t(a->length) + b->length;
    if (total > INT32_MAX) {
        runtime_error(error_out_of_string_space);
        return string_empty_temporary();
    }
    StringValue* t = string_new(uint32_t(total), true);
    if (t->length != total) return t;
    std::memcpy(t->data, a->data, size_t(a->length));
    std::memcpy(t->data + a->length, b->data, size_t(b->length));
    string_release_if_temporary(a);
    string_release_if_temporary(b);
    return t;
}

void string_free(StringValue* s) {
    if (s == nullptr) return;
    s->field_binding = nullptr;
    temps_unlist(s);
    if (!s->fixed && !s->read_only) {
        Pool& p = pool_of(s);
        if (s->in_low_memory) {
            p.list[s->pool_index] = nullptr;
            if (s->pool_index + 1 == p.count) p.count--;
        } else {
            p.list[s->pool_index] = nullptr;
            list_drop_trailing_dead(p);
            if (p.count > 0) {
                const StringValue* last = p.list[p.count - 1];
                size_t end = size_t(last->data + last->length - p.base) + slack;
                p.used = end < p.size ? end : p.size;
            } else {
                p.used = 0;
            }
        }
    }
    recycle_descriptor(s);
}

uint32_t string_temps_mark() {
    strings_init();
    return string_temps_count;
}

void string_temps_release_past(uint32_t mark) {
    while (string_temps_count > mark) {
        StringValue* s = temps.slots[--string_temps_count];
        if (s == nullptr) continue;
        temps.slots[string_temps_count] = nullptr;
        s->temporary_index = 0;
        s->temporary = 0;
        string_free(s);
    }
}

namespace {

int compare(const StringValue* a, const StringValue* b) {
    int32_t n = a->length < b->length ? a->length : b->length;
    int c = n > 0 ? std::memcmp(a->data, b->data, size_t(n)) : 0;
    if (c != 0) return c;
    return a->length < b->length ? -1 : a->length > b->length ? 1 : 0;
}

int32_t truth(bool b) { return b ? -1 : 0; }

StringValue* change_case(StringValue* s, bool upper) {
    if (error_pending.load()) return string_empty_temporary();
    if (s->length == 0) return s;
    StringValue* t = s;
    if (!string_is_mutable_temporary(s)) {
        t = string_new(uint32_t(s->length), true);
        std::memcpy(t->data, s->data, size_t(s->length));
        string_release_if_temporary(s);
    }
    for (int32_t i = 0; i < t->length; i++) {
        uint8_t c = t->data[i];
        if (upper && c >= 97 && c <= 122) t->data[i] = c & ~0x20;
        if (!upper && c >= 65 && c <= 90) t->data[i] = c | 0x20;
    }
    return t;
}

}  // namespace

int32_t string_equal(const StringValue* a, const StringValue* b) {
    if (error_pending.load()) return 0;
    return truth(a->length == b->length && compare(a, b) == 0);
}
int32_t string_not_equal(const StringValue* a, const StringValue* b) {
    if (error_pending.load()) return 0;
    return truth(compare(a, b) != 0);
}
int32_t string_less(const StringValue* a, const StringValue* b) {
    if (error_pending.load()) return 0;
    return truth(compare(a, b) < 0);
}
int32_t string_greater(const StringValue* a, const StringValue* b) {
    if (error_pending.load()) return 0;
    return truth(compare(a, b) > 0);
}
int32_t string_less_equal(const StringValue* a, const StringValue* b) {
    if (error_pending.load()) return 0;
    return truth(compare(a, b) <= 0);
}
int32_t string_greater_equal(const StringValue* a, const StringValue* b) {
    if (error_pending.load()) return 0;
    return truth(compare(a, b) >= 0);
}

StringValue* string_upper(StringValue* s) { return change_case(s, true); }
StringValue* string_lower(StringValue* s) { return change_case(s, false); }

StringPoolStats string_pool_stats() {
    strings_init();
    return {main_pool.size, main_pool.used, main_pool.count, main_pool.capacity, string_temps_count,
            descriptors.live};
}

const uint8_t* string_pool_base() {
    strings_init();
    return main_pool.base;
}
