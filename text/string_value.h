// Counted byte strings, their pools, per-statement temporaries and static storage.
//
// Every text in the runtime is a StringValue: bytes plus a signed 32-bit
// length, no terminator, any byte allowed. Pooled strings live in the main
// pool; literal views point at bytes owned by somebody else; fixed-length
// strings lie over a caller's buffer. All of it belongs to the program thread.
#pragma once

#include <cstddef>
#include <cstdint>

struct StringValue {
    uint8_t* data;                      // first byte of the text; not terminated
    int32_t length;                     // number of bytes, 0 or more
    uint8_t in_low_memory;              // bytes live in the low-memory pool
    uint8_t* low_memory_record;         // 4-byte record (16-bit length, 16-bit offset), or null
    uint32_t low_memory_record_offset;  // offset of that record within the low-memory area
    uint32_t pool_index;                // index of this string in its pool's string list
    uint8_t temporary;                  // listed in the temporary list
    uint32_t temporary_index;           // its slot there; 0 = not listed
    uint8_t fixed;                      // fixed length over a caller buffer
    uint8_t read_only;                  // bytes belong to someone else; never written
    void* field_binding;                // record-buffer binding of a file field, or null
};

// ---- Set-up ------------------------------------------------------------------

// Obtains the descriptor block, lists, pools and the first static block.
// Every operation below calls it on first use, so calling it is optional.
void strings_init();

// ---- Static storage ----------------------------------------------------------

// Bump allocation that is never given back; the storage is not cleared.
void* static_alloc(int32_t size);

// ---- Creating ----------------------------------------------------------------

StringValue* string_new(uint32_t length, bool temporary);
StringValue* string_from_text(const void* text, int32_t length);  // read-only temporary view
StringValue* string_from_cstring(const char* text);               // null gives ""
StringValue* string_fixed_new(void* buffer, int32_t length, bool temporary);
StringValue* string_make_temporary(StringValue* s);

// Low-memory strings (start-up only): bytes addressable by a 16-bit offset.
StringValue* string_low_new(uint32_t length);
uint8_t* low_memory_area();  // base of the 64 KiB low-memory string area
constexpr uint32_t low_memory_area_size = 65536;

// ---- Assigning and joining ---------------------------------------------------

StringValue* string_assign(StringValue* dest, StringValue* src);
// Assigns a copy of n bytes owned by the caller, through a read-only view of
// them on the stack (no temporary string).
StringValue* string_assign_bytes(StringValue* dest, const uint8_t* bytes, int32_t n);
StringValue* string_concat(StringValue* left, StringValue* right);

// ---- Releasing ---------------------------------------------------------------

void string_free(StringValue* s);
// The temporary-list count: the slot the next temporary takes. Written only
// by the string store; read here so that a statement with no temporaries to
// release costs one comparison.
extern uint32_t string_temps_count;
void string_temps_release_past(uint32_t mark);
// Releases every temporary created after `mark`; returns `value` unchanged.
inline int32_t string_temps_release(uint32_t mark, int32_t value) {
    if (string_temps_count > mark) string_temps_release_past(mark);
    return value;
}
uint32_t string_temps_mark();  // the temporary-list count now

// ---- Comparing (-1 true, 0 false; operands are not released) -------------------

int32_t string_equal(const StringValue* a, const StringValue* b);
int32_t string_not_equal(const StringValue* a, const StringValue* b);
int32_t string_less(const StringValue* a, const StringValue* b);
int32_t string_greater(const StringValue* a, const StringValue* b);
int32_t string_less_equal(const StringValue* a, const StringValue* b);
int32_t string_greater_equal(const StringValue* a, const StringValue* b);

// ---- Case ----------------------------------------------------------------------

StringValue* string_upper(StringValue* s);
StringValue* string_lower(StringValue* s);

// ---- Helpers for the other modules ------------------------------------------------

// A pooled temporary, not fixed, not read-only, in the main pool: may be cut in place.
bool string_is_mutable_temporary(const StringValue* s);
// Releases s when it is a temporary.
void string_release_if_temporary(StringValue* s);
// An empty read-only temporary: the result of an operation skipped for a pending error.
StringValue* string_empty_temporary();

// ---- Inspection (tests and benchmarks) ---------------------------------------------

struct StringPoolStats {
    size_t pool_size;          // bytes in the main pool
    size_t pool_used;          // fill offset of the main pool
    uint32_t list_count;       // entries in the main list, dead ones included
    uint32_t list_capacity;    // capacity of the main list
    uint32_t temporary_count;  // temporary-list count (slot 0 reserved)
    uint32_t live_descriptors; // descriptors handed out and not recycled
};
StringPoolStats string_pool_stats();
// Pool base, for tests that check where bytes live.
const uint8_t* string_pool_base();
