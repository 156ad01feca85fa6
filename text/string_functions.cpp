#include "text/string_functions.h"

#include <cstring>

#include "errors/runtime_error.h"

namespace {

// The bytes [offset, offset + n) of s as a result: cut in place when s is a
// mutable temporary, else copied into a new temporary (s released if temporary).
StringValue* piece(StringValue* s, int32_t offset, int32_t n) {
    if (n == s->length) return s;
    if (string_is_mutable_temporary(s)) {
        s->data += offset;
        s->length = n;
        return s;
    }
    StringValue* t = string_new(uint32_t(n), true);
    if (t->length == n && n > 0) std::memcpy(t->data, s->data + offset, size_t(n));
    string_release_if_temporary(s);
    return t;
}

}  // namespace

StringValue* chr_string(int32_t code) {
    if (error_pending.load()) return string_empty_temporary();
    if (code < 0 || code > 255) {
        runtime_error(error_illegal_function_call);
        return string_empty_temporary();
    }
    StringValue* s = string_new(1, true);
    s->data[0] = uint8_t(code);
    return s;
}

StringValue* string_fill(int32_t n, int32_t byte) {
    if (error_pending.load()) return string_empty_temporary();
    if (n < 0) n = 0;
    StringValue* s = string_new(uint32_t(n), true);
    if (s->length == n) std::memset(s->data, byte & 0xFF, size_t(n));
    return s;
}

StringValue* space_string(int32_t n) { return string_fill(n, 32); }

StringValue* left_string(StringValue* s, int32_t n) {
    if (error_pending.load()) return string_empty_temporary();
    if (n > s->length) n = s->length;
    if (n < 0) n = 0;
    return piece(s, 0, n);
}

StringValue* right_string(StringValue* s, int32_t n) {
    if (error_pending.load()) return string_empty_temporary();
    if (n > s->length) n = s->length;
    if (n < 0) n = 0;
    return piece(s, s->length - n, n);
}

StringValue* mid_string(StringValue* s, int32_t start, int32_t length, int passed) {
    if (error_pending.load()) return string_empty_temporary();
    int64_t st = start, len;
    if (passed & mid_length_passed) {
        len = length;
        if (st < 1) {
            len = len + st - 1;
            st = 1;
        }
        if (len < 1 || st > s->length) {
            st = 1;
            len = 0;
        } else if (st + len > s->length) {
            len = s->length - st + 1;
        }
    } else {
        if (st < 1) st = 1;
        len = s->length - st + 1;
        if (len <= 0) {
            st = 1;
            len = 0;
        }
    }
    if (st == 1 && len == s->length) return s;
    return piece(s, int32_t(st - 1), int32_t(len));
}

int32_t instr_find(int32_t start, const StringValue* h, const StringValue* n, int passed) {
    if (error_pending.load()) return 0;
    if (!(passed & instr_start_passed)) start = 1;
    if (h->length == 0) return 0;
    if (start < 1) {
        start = 1;
        if (n->length == 0) return 0;
    }
    if (start > h->length) return 0;
    if (n->length == 0) return start;
    if (int64_t(start) + n->length - 1 > h->length) return 0;
    const uint8_t* end = h->data + h->length;
    for (const uint8_t* p = h->data + start - 1; p + n->length <= end; p++) {
        p = static_cast<const uint8_t*>(std::memchr(p, n->data[0], size_t(end - p)));
        if (p == nullptr || p + n->length > end) return 0;
        if (std::memcmp(p, n->data, size_t(n->length)) == 0) return int32_t(p - h->data) + 1;
    }
    return 0;
}

StringValue* ltrim_string(StringValue* s) {
    if (error_pending.load()) return string_empty_temporary();
    int32_t skip = 0;
    while (skip < s->length && s->data[skip] == ' ') skip++;
    return piece(s, skip, s->length - skip);
}

StringValue* rtrim_string(StringValue* s) {
    if (error_pending.load()) return string_empty_temporary();
    int32_t n = s->length;
    while (n > 0 && s->data[n - 1] == ' ') n--;
    return piece(s, 0, n);
}

void mid_assign(StringValue* d, int32_t start, int32_t length, StringValue* s, int passed) {
    if (error_pending.load() || d->read_only) return;
    int64_t st = start;
    int64_t len = (passed & mid_assign_length_passed) ? length : s->length;
    int64_t skip = 0;
    if (st < 1) {
        skip = 1 - st;
        len -= skip;
        st = 1;
    }
    if (len <= 0 || st > d->length) return;
    if (len > d->length - st + 1) len = d->length - st + 1;
    if (len > s->length - skip) len = s->length - skip;
    if (len <= 0) return;
    std::memmove(d->data + st - 1, s->data + skip, size_t(len));
}
