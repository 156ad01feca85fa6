// One feeder per spot log: a lock on a file beside the log ("spots.log.lock")
// that holds the keeper's process id. The system drops the lock when the
// process ends, however it ends, so a feeder that died leaves nothing to
// clean up; the file itself stays (removing it would let two feeders lock two
// different files of one name).
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
