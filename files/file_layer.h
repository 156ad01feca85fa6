// The file layer: open-file slots over the system's files
// (files/file_system.h), with the position kept here and failures reported as
// small negative codes.
//
// Input reads one byte at a time go through a buffer of our own (on the fast
// path; the plain path makes one system read per byte). The position stays
// exact after every byte, and end_seen after a short read. Buffered bytes are
// used as they were read: a file changed or truncated under them is seen once
// they are used up, when the next read asks the system again, so bytes
// appended are always read and a truncation is seen at the latest one buffer
// (64 KiB) later.
#pragma once

#include <cstdint>

#include "text/string_value.h"

// ---- Codes -----------------------------------------------------------------------

constexpr int layer_no_slot = -2;          // no such slot
constexpr int layer_wrong_direction = -3;  // not opened for this direction, or OS failure
constexpr int layer_bad_position = -4;     // negative position
constexpr int layer_io_failure = -5;       // any other failure
constexpr int layer_short_write = -6;
constexpr int layer_permission = -7;       // permission denied
constexpr int layer_end_of_file = -10;     // a short read

// Open failures.
constexpr int open_file_not_found = -20, open_path_not_found = -21, open_permission = -22,
              open_device_unavailable = -23, open_bad_file_name = -24, open_other = -25,
              open_not_a_file = -26;  // not a regular file, where only one will do

// ---- Slots -----------------------------------------------------------------------

struct FileSlot {
    int64_t sequence;        // open counter when the slot was taken
    uint8_t in_use;          // holds an open file
    uint8_t can_read;        // opened with read access
    uint8_t can_write;       // opened with write access
    uint8_t deny_read;       // others may not read
    uint8_t deny_write;      // others may not write
    uint64_t position;       // current byte position
    uint8_t end_seen;        // a read came up short, or an end-of-file byte 26 was met
    int32_t file_number;     // the number bound to this slot
    uint8_t mode;            // 1 random, 2 binary, 3 input, 4 output (append too)
    uint64_t record_length;  // random mode
    uint8_t* record_buffer;  // random mode: zero-filled, record_length bytes
    StringValue** field_list;  // string fields bound to the record buffer
    int32_t field_count;
    int64_t column;          // output column of text printed to the file
    intptr_t file;           // the system's handle (SystemFile of files/file_system.h)
    uint64_t device, inode;  // identity of the file, for share modes
};

constexpr int access_read = 1, access_write = 2;
constexpr int creation_open_existing = 0, creation_open_always = 1, creation_truncate = 2;

// Opens `path` (NUL-terminated) and returns a slot index, or an open_* code.
// A name that does not exist as written is looked up without regard to case.
// With `regular_only` the open cannot block (a FIFO without a writer, a
// device) and anything but a regular file gives open_not_a_file.
int32_t layer_open(const char* path, int access, bool deny_read, bool deny_write, int creation,
                   bool regular_only = false);
void layer_close(int32_t slot);
FileSlot* layer_slot(int32_t slot);  // null when not in use
int64_t layer_length(int32_t slot);  // bytes in the file, or a negative code
int layer_seek(int32_t slot, int64_t position);
// Reads n bytes at the current position (or at `position` when not -1).
// Short reads zero the rest, set end_seen and return layer_end_of_file.
int layer_read(int32_t slot, uint8_t* out, int64_t n, int64_t position = -1);
int layer_write(int32_t slot, const uint8_t* data, int64_t n, int64_t position = -1);
// One byte at the current position: 0-255, or a negative code.
int layer_read_byte(int32_t slot);
// The bytes buffered from the current position on, and in `count` how many
// (at least 1). With `refill` an empty buffer is filled first by one system
// read; without it, or at the end of the file (end_seen set), or on a failure,
// null comes back with `count` 0, layer_end_of_file or the failure's code.
// Field input reads a field's bytes through it, moving the position itself.
const uint8_t* layer_buffered(int32_t slot, int64_t& count, bool refill);
// The same without a refill, for a slot in use whose record `s` the caller holds.
const uint8_t* layer_buffered_of(int32_t slot, const FileSlot* s, int64_t& count);
