// The system's files under the file layer (files/file_layer.h): opening with
// the sharing rules, reads and writes at a position, the size, closing. One
// implementation per system, in a file named for it (file_layer_posix.cpp);
// the build picks one. Failures are the file layer's codes.
#pragma once

#include <cstdint>

using SystemFile = intptr_t;  // the system's handle of an open file

// Which file an open one is: two opens of the same file give the same pair
// (device and inode; a volume's serial number and the file's index).
struct SystemFileIdentity {
    uint64_t device, inode;
};

// Opens `name` (not empty) for `access` (access_read | access_write) with the
// `creation` rule; 0 with the handle and identity, or an open_* code. With
// `regular_only` the open cannot block and anything but a regular file gives
// open_not_a_file; a folder is never opened. `deny_read` and `deny_write` are
// the sharing asked of other openers, for a system that keeps it (a refusal is
// open_permission); between its own opens the layer keeps it either way.
int system_file_open(const char* name, int access, bool deny_read, bool deny_write, int creation,
                     bool regular_only, SystemFile* file, SystemFileIdentity* identity);
void system_file_close(SystemFile file);
// Bytes in the file, or layer_io_failure.
int64_t system_file_size(SystemFile file);
// One read of up to n bytes at `position`: the count (0 at the end of the
// file), or layer_permission or layer_io_failure.
int64_t system_file_read_at(SystemFile file, uint8_t* out, int64_t n, uint64_t position);
// One write of up to n bytes at `position`: the count, or a negative code.
int64_t system_file_write_at(SystemFile file, const uint8_t* data, int64_t n, uint64_t position);

// Resolves a name the way the monitor's files are named: "\" separates
// components, and a component that does not exist as written matches a
// directory entry that differs only in case. Returns false when nothing fits.
bool path_resolve(const char* name, char* out, int out_size);
