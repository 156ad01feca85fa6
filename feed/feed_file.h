// The few file calls the feeder makes, one file per system: a look at a path,
// reading at an offset, and writing, syncing, cutting back and renaming over.
// Every failure comes back as false (or -1) with the system's reason in words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a path names now.
struct FeedFileInfo {
    bool regular = false;          // a regular file (not a folder, device or pipe)
    long long size = 0;            // bytes
    unsigned long long inode = 0;  // the file's identity where the system has one; 0 otherwise
};

// An open file; `handle` is -1 when none is open.
struct FeedFile {
    intptr_t handle = -1;  // a descriptor, or a HANDLE on Windows
};

// ---- looking ----

// False when nothing is there (or it cannot be looked at).
bool feed_file_info(const std::string& path, FeedFileInfo& info);

// ---- reading ----

bool feed_file_open_read(const std::string& path, FeedFile& file, std::string& reason);
// Up to `size` bytes from `at`; the count read (0 at the end), -1 on failure.
long long feed_file_read_at(FeedFile& file, long long at, char* into, size_t size, std::string& reason);

// ---- writing ----

// A new file, refused when something is there already.
bool feed_file_create(const std::string& path, FeedFile& file, std::string& reason);
// An existing file, written at its end.
bool feed_file_open_append(const std::string& path, FeedFile& file, std::string& reason);
bool feed_file_write(FeedFile& file, const char* bytes, size_t size, std::string& reason);
// Starts writing [at, at + size) to the disk and returns at once: the sync
// that follows then waits for less. A hint; nothing where the system has none.
void feed_file_write_behind(FeedFile& file, long long at, long long size);
// Forces what was written to the disk; the file's size then.
bool feed_file_sync(FeedFile& file, long long& size, std::string& reason);
// Cuts the file back to `size` bytes.
bool feed_file_cut(FeedFile& file, long long size);
// Closes the file (a handle of -1 is left alone).
bool feed_file_close(FeedFile& file, std::string& reason);
// Renames `from` over `to`, replacing it.
bool feed_file_replace(const std::string& from, const std::string& to, std::string& reason);
void feed_file_remove(const std::string& path);
