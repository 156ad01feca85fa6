#include "feed/feed_spot_queue.h"

std::vector<FeedSpot>& feed_queue_fill(FeedSpotQueue& q) {
    std::unique_lock<std::mutex> held(q.lock);
    q.changed.wait(held, [&] { return q.sent - q.released < feed_queue_depth; });
    std::vector<FeedSpot>& batch = q.batches[q.sent % feed_queue_depth];
    batch.clear();
    return batch;
}

void feed_queue_send(FeedSpotQueue& q) {
    {
        std::lock_guard<std::mutex> held(q.lock);
        q.sent++;
    }
    q.changed.notify_all();
}

void feed_queue_close(FeedSpotQueue& q) {
    {
        std::lock_guard<std::mutex> held(q.lock);
        q.closed = true;
    }
    q.changed.notify_all();
}

const std::vector<FeedSpot>* feed_queue_take(FeedSpotQueue& q) {
    std::unique_lock<std::mutex> held(q.lock);
    q.changed.wait(held, [&] { return q.released < q.sent || q.closed; });
    return q.released < q.sent ? &q.batches[q.released % feed_queue_depth] : nullptr;
}

void feed_queue_release(FeedSpotQueue& q) {
    {
        std::lock_guard<std::mutex> held(q.lock);
        q.released++;
    }
    q.changed.notify_all();
}
