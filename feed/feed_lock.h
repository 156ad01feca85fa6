// One feeder per spot log: a lock on a file beside the log ("spots.log.lock")
// that holds the keeper's process id. The system drops the lock when the
// process ends, however it ends, so a feeder that died leaves nothing to
// clean up; the file itself stays (removing it would let two feeders lock two
// different files of one name). The taking and letting go are alike on every
// system (feed_lock.cpp); the file and its lock are each system's own
// (feed_lock_posix.cpp, feed_lock_win32.cpp).
#pragma once

#include <cstdint>
#include <string>

// The lock of one spot log.
struct FeedLock {
    std::string path;      // the lock file: the spot log's path and ".lock"
    intptr_t handle = -1;  // the open lock file while held (a descriptor or a HANDLE); -1 not held
};

enum class FeedLockState {
    held,     // this process keeps the log
    taken,    // another process keeps it: `other` holds its id
    not_yet,  // no lock file can be made yet (the log's folder is missing): try again later
};

// ---- taking and letting go ----

// Locks the file beside `log_path` and writes this process's id into it.
// `other` is the keeper's id when the state is `taken` (0 when it has not
// written it yet).
FeedLockState feed_lock_take(FeedLock& lock, const std::string& log_path, long long& other);
// Lets the lock go (the file's id is cleared); nothing when not held.
void feed_lock_release(FeedLock& lock);

// ---- the lock file, one file per system ----

// Opens the lock file, made when missing; -1 when it cannot be.
intptr_t feed_lock_file_open(const std::string& path);
// Locks the open file without waiting; false when another process holds it.
bool feed_lock_file_lock(intptr_t file);
// The process id a keeper wrote at the start of the file; 0 when none yet.
long long feed_lock_file_id(intptr_t file);
// Replaces the file's bytes by this process's id (`own`), or by nothing;
// false when it could not. The id serves a second feeder's message only: the
// lock holds without it, so a failure is let be.
bool feed_lock_file_write_id(intptr_t file, bool own);
void feed_lock_file_close(intptr_t file);
// A pause of 2 ms, while a keeper that has just locked writes its id.
void feed_lock_pause();
