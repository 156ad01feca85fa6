// Taking and letting go of the spot log's lock, alike on every system.
#include "feed/feed_lock.h"

FeedLockState feed_lock_take(FeedLock& lock, const std::string& log_path, long long& other) {
    if (lock.handle != -1) return FeedLockState::held;
    lock.path = log_path + ".lock";
    intptr_t file = feed_lock_file_open(lock.path);
    if (file == -1) return FeedLockState::not_yet;
    if (!feed_lock_file_lock(file)) {
        other = feed_lock_file_id(file);
        for (int i = 0; i < 50 && other == 0; i++) {  // the keeper locks first, then writes its id
            feed_lock_pause();
            other = feed_lock_file_id(file);
        }
        feed_lock_file_close(file);
        return FeedLockState::taken;
    }
    feed_lock_file_write_id(file, true);
    lock.handle = file;
    return FeedLockState::held;
}

void feed_lock_release(FeedLock& lock) {
    if (lock.handle == -1) return;
    feed_lock_file_write_id(lock.handle, false);
    feed_lock_file_close(lock.handle);
    lock.handle = -1;
}
