// The keeper of the spot log's span: the spots every source yields come here;
// it keeps those inside the span that pass the filters, one per call and
// time, in the order the log gets them, holds those up to an hour ahead of
// the span until the span reaches them, and lets go of what falls out when
// the span moves on. It holds nothing beyond the span and that hour: its size
// is that of the log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "feed/feed_parse.h"
#include "feed/feed_system.h"

// Decodes this far ahead of the span's end are held; further ahead, counted and dropped.
constexpr int64_t feed_hold_ahead = 3600;

// The keeper's large containers, on large pages.
template <typename T>
using FeedLargeVector = std::vector<T, FeedLargeAllocator<T>>;
using FeedLargeBytes = std::basic_string<char, std::char_traits<char>, FeedLargeAllocator<char>>;

// A kept spot: its record's bytes in FeedKeeper::bytes.
struct FeedKept {
    int64_t when;       // seconds since 1970-01-01 UTC
    uint32_t at;        // where its record starts in `bytes`
    uint8_t size;       // the record's length
    uint8_t call_size;  // the call's length (the record starts with it)
    uint16_t tag;       // the top bits of its call and time's hash: most others are told apart by it alone
};
static_assert(sizeof(FeedKept) == 16, "the tag fills what was padding");

// The call-and-time table is cut by time into slices of this many seconds: a
// decoder writes in time order, so the slice being read, some tens of
// kilobytes, stays in the cache, whatever the span's size.
constexpr int64_t feed_table_slice = 256;

// One slice's share of the call-and-time table.
// Its slots lie in FeedKeeper::slots, the tables of all slices one after another.
struct FeedSliceTable {
    size_t at = 0;    // where its slots start
    size_t size = 0;  // slots, a power of two (0 before the first entry); at most 3/4 full
    size_t used = 0;  // entries
};

// Records handed on as they come instead of kept (converting once, in one go):
// while the spots inside the span come in time order, each record is final
// the moment it comes, and only the calls of the latest time are remembered,
// to drop repeats. A spot that comes before the latest ends the handing on:
// the span must then be read again and kept whole. Spots held ahead of the
// span are kept as ever.
struct FeedPass {
    std::function<bool(std::string_view, long long)> write;  // takes whole records (and their count); false: failed
    FeedLargeVector<char> pending;  // records not handed on yet: room for a piece and one record more
    size_t pending_size = 0;        // bytes of them
    long long pending_count = 0;    // records in `pending`
    long long records = 0;          // records handed on or pending
    size_t bytes = 0;               // their bytes
    int64_t when = INT64_MIN;       // the latest record's time
    std::vector<FeedText<feed_call_max>> calls;  // the calls of the records at `when`
    std::vector<uint32_t> slots;    // an index into `calls` + 1; 0 empty; a power of two, at most 1/2 full
    std::vector<uint32_t> used;     // the slots in use, to empty them when `when` moves on
    bool out_of_order = false;      // a spot came before the latest: nothing more is handed on
    bool failed = false;            // `write` failed: nothing more is handed on
};

// Records are handed on in pieces of about this size.
constexpr size_t feed_pass_piece = size_t(1) << 20;

// What the keeper keeps, and for which span. Moved, never copied.
struct FeedKeeper {
    FeedKeeper() = default;
    FeedKeeper(FeedKeeper&&) = default;
    FeedKeeper& operator=(FeedKeeper&&) = default;
    FeedKeeper(const FeedKeeper&) = delete;
    int64_t from = 0, to = 0;         // the span, [from, to); `to` is INT64_MAX for a rolling window
    int64_t now = 0;                  // the wall clock at this pass, seconds since 1970-01-01 UTC
    double band = -1;                 // filters: whole MHz of the dial, -1 any;
    std::string mode;                 //   the mode in capitals, "" any
    FeedLargeBytes bytes;             // every kept record as the log has it
    FeedLargeVector<FeedKept> kept;   // every kept spot, inside the span or held, as they came
    FeedLargeVector<uint32_t> order;  // those inside the span, indices into `kept`, in the log's order
    size_t settled = 0;               // `order` before this is in place; after it came this pass
    std::map<int64_t, FeedSliceTable> table;  // one entry per call and time, by slice (when / feed_table_slice)
    FeedLargeVector<uint32_t> slots;  // the slices' slots: an index into `kept` + 1, 0 empty (a table
                                      //   that grew left its old slots unused: at most as many as in use)
    std::pair<const int64_t, FeedSliceTable>* table_slice = nullptr;  // the slice last used, in `table`
    long long outside = 0;            // decodes outside the span (or dropped ahead of it) or the filters
    FeedPass* pass = nullptr;         // set: records inside the span are handed on there, not kept
};

// How the span moved.
enum class FeedMove {
    none,     // the log stays as it is
    forward,  // on: what fell out was let go, held spots that came in were added
    back,     // back, or so far on that nothing held serves: everything was let go; read again
};

// ---- the span ----

// Sets the span of an empty keeper.
void feed_keeper_start(FeedKeeper& keeper, int64_t from, int64_t to);
FeedMove feed_keeper_move(FeedKeeper& keeper, int64_t from, int64_t to);

// ---- spots ----

// Takes a spot a source yields; false when it was not kept (outside, filtered, repeated).
bool feed_keeper_offer(FeedKeeper& keeper, const FeedSpot& spot);
// Makes room for about `spots` more at once (a source about to read many).
void feed_keeper_expect(FeedKeeper& keeper, size_t spots);
// Hands on what `keeper.pass` holds still; false when it cannot (out of order, a write failed).
bool feed_keeper_pass_end(FeedKeeper& keeper);
// Puts what came this pass in the log's order (by time, as they came).
void feed_keeper_settle(FeedKeeper& keeper);
// Spots held ahead of the span.
size_t feed_keeper_held(const FeedKeeper& keeper);

// ---- records ----

// The records of order[first...] as the log's bytes, handed over in pieces:
// a long run of records lying in order in `bytes` as it lies, others copied
// into `buffer` about 1 MiB at a time; call until it gives an empty piece.
std::string_view feed_keeper_records(const FeedKeeper& keeper, size_t& next, std::string& buffer);
