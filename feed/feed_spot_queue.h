// Spots handed from a reading thread to the keeper's thread in batches: the
// reader parses one batch while the keeper takes in the one before. At most
// feed_queue_depth batches are under way; a reader that runs ahead waits.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "feed/feed_parse.h"

constexpr size_t feed_queue_depth = 3;

struct FeedSpotQueue {
    std::mutex lock;                  // guards the three counts below
    std::condition_variable changed;  // a batch sent or released, or the queue closed
    size_t sent = 0;                  // batches handed over so far
    size_t released = 0;              // batches the taker is done with
    bool closed = false;              // nothing more will be sent
    std::array<std::vector<FeedSpot>, feed_queue_depth> batches;  // used in turn; batch i % depth is the i-th
};

// ---- the filler's side ----

// The next batch to fill, empty: waits while every batch is under way.
std::vector<FeedSpot>& feed_queue_fill(FeedSpotQueue& queue);
// Hands the batch being filled over to the taker.
void feed_queue_send(FeedSpotQueue& queue);
// Nothing more will be sent (the batch being filled, if any, is not).
void feed_queue_close(FeedSpotQueue& queue);

// ---- the taker's side ----

// The next batch sent, once it has been: nullptr when the queue is closed and every batch taken.
const std::vector<FeedSpot>* feed_queue_take(FeedSpotQueue& queue);
// The batch taken last is done with: the filler may fill it again.
void feed_queue_release(FeedSpotQueue& queue);
