// Where spots come from. Every source is polled once a pass and hands the
// keeper what arrived since the last poll: the decoder's files today; a live
// source (datagrams, a report service) just as well. Between passes the loop
// waits up to a second, cut short when a source's descriptor becomes readable.
#pragma once

#include "feed/feed_keeper.h"

// What a source met that the summary reports.
struct FeedCounts {
    long long malformed = 0;   // lines (or messages) not understood
    long long late = 0;        // decodes further out of order than the start's margin: a start may miss them
    int incomplete = 0;        // inputs ending in a line without its line end, left out for now
};

class FeedSource {
public:
    virtual ~FeedSource() = default;
    // Hands `keeper` every spot that arrived since the last poll (feed_keeper_offer).
    virtual void poll(FeedKeeper& keeper) = 0;
    // The span moved back: the next poll yields again all it can of the keeper's new span.
    virtual void rewind() = 0;
    // False while an input could not be read at the last poll (said on standard error).
    virtual bool complete() const = 0;
    virtual FeedCounts counts() const = 0;
    // A descriptor that becomes readable when spots arrive, or -1: the loop's wait watches it.
    virtual int wait_handle() const { return -1; }
};
