#include "feed/feed_keeper.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include "feed/feed_system.h"

namespace {

// A record never grows the kept bytes past what an offset of 32 bits reaches
// (some 130 million records): beyond, the spot is counted and dropped.
constexpr size_t bytes_limit = UINT32_MAX - feed_record_max;

template <typename T>
uint64_t load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// A call and time hashed with a few multiplications: the call read as two
// words that overlap where it is shorter than 16 bytes.
uint64_t key_hash(std::string_view call, int64_t when) {
    static_assert(feed_call_max <= 16);
    const char* p = call.data();
    const size_t n = call.size();
    uint64_t a = 0, b = 0;
    if (n >= 8) a = load<uint64_t>(p), b = load<uint64_t>(p + n - 8);
    else if (n >= 4) a = load<uint32_t>(p), b = load<uint32_t>(p + n - 4);
    else if (n > 0) a = uint8_t(p[0]) | uint64_t(uint8_t(p[n / 2])) << 8 | uint64_t(uint8_t(p[n - 1])) << 16;
    uint64_t h = (a ^ 0x9e3779b97f4a7c15ull) * 0xbf58476d1ce4e5b9ull;
    h ^= (b + n) * 0x94d049bb133111ebull;
    h ^= uint64_t(when) * 0x9e3779b97f4a7c15ull;
    h ^= h >> 31;
    h *= 0xbf58476d1ce4e5b9ull;
    return h ^ (h >> 29);
}

std::string_view call_of(const FeedKeeper& k, const FeedKept& kept) {
    return std::string_view(k.bytes).substr(kept.at, kept.call_size);
}

int64_t slice_of(int64_t when) {
    return (when - ((when % feed_table_slice) + feed_table_slice) % feed_table_slice) / feed_table_slice;
}

// Where a hash starts its search in a table of `size` slots (a power of two).
size_t home_of(uint64_t hash, size_t size) { return size_t(hash) & (size - 1); }
// The part of a hash a kept spot carries.
uint16_t tag_of(uint64_t hash) { return uint16_t(hash >> 48); }

// The slot of an open-addressed table of `size` slots (a power of two) whose
// entry `same` accepts, or the empty one where such an entry goes.
template <typename Same>
size_t find_slot(const uint32_t* slots, size_t size, uint64_t hash, Same same) {
    for (size_t i = home_of(hash, size);; i = (i + 1) & (size - 1))
        if (slots[i] == 0 || same(slots[i])) return i;
}

// The slice table's slot for a call and time: the one holding it, or the empty
// one where it goes. The records a slice's entries point to were kept a few
// minutes apart at most, so that the look at them stays in the cache.
size_t slot_of(const FeedKeeper& k, const FeedSliceTable& t, uint64_t hash, std::string_view call, int64_t when) {
    return find_slot(k.slots.data() + t.at, t.size, hash, [&](uint32_t entry) {
        const FeedKept& other = k.kept[entry - 1];
        return other.tag == tag_of(hash) && other.when == when && call_of(k, other) == call;
    });
}

// A table of at least 16 slots that holds `entries` at most three quarters full.
size_t table_size(size_t entries) { return std::bit_ceil(std::max<size_t>(16, entries + entries / 3 + 1)); }

// Makes room for `entries` in a slice's table, keeping it at most three
// quarters full: a larger table at the end of the slots, the entries moved in.
void table_reserve(FeedKeeper& k, FeedSliceTable& t, size_t entries) {
    if (entries * 4 <= t.size * 3) return;
    const size_t at = k.slots.size(), size = std::max(table_size(entries), t.size * 2);
    k.slots.resize(at + size, 0);
    uint32_t* const slots = k.slots.data() + at;
    for (size_t j = t.at; j < t.at + t.size; j++) {
        const uint32_t entry = k.slots[j];
        if (entry == 0) continue;
        const FeedKept& kept = k.kept[entry - 1];
        slots[find_slot(slots, size, key_hash(call_of(k, kept), kept.when), [](uint32_t) { return false; })] = entry;
    }
    t.at = at, t.size = size;
}

// The table of the slice of `when`, with room for one more entry.
FeedSliceTable& slice_table(FeedKeeper& k, int64_t when) {
    const int64_t slice = slice_of(when);
    if (k.table_slice == nullptr || k.table_slice->first != slice) {
        // A slice that follows the one in use is made as large as that one
        // holds: decodes come at much the same rate slice after slice. (Only
        // then: each slice lends its size once, so the tables stay within
        // twice what their entries need.)
        const bool follows = k.table_slice != nullptr && k.table_slice->first == slice - 1;
        const size_t last = follows ? k.table_slice->second.used : 0;
        const auto [at, made] = k.table.try_emplace(slice);
        k.table_slice = &*at;
        if (made) table_reserve(k, at->second, last);
    }
    FeedSliceTable& t = k.table_slice->second;
    table_reserve(k, t, t.used + 1);
    return t;
}

// Enters kept[index] in its slice's table `t`; false when its call and time are there already.
bool table_insert(FeedKeeper& k, FeedSliceTable& t, uint64_t hash, std::string_view call, int64_t when, size_t index) {
    const size_t slot = slot_of(k, t, hash, call, when);
    uint32_t& entry = k.slots[t.at + slot];
    if (entry != 0) return false;
    entry = uint32_t(index + 1);
    t.used++;
    return true;
}

int64_t hold_end(int64_t to) { return to > INT64_MAX - feed_hold_ahead ? INT64_MAX : to + feed_hold_ahead; }

bool wanted(const FeedKeeper& k, const FeedSpot& spot) {
    // An unknown dial (0: no rig under the decoder's control) is on no band.
    if (k.band >= 0 && (spot.dial_mhz <= 0 || std::floor(spot.dial_mhz) != std::floor(k.band))) return false;
    if (k.mode.empty()) return true;
    std::string_view mode = spot.mode.view();
    if (mode.size() != k.mode.size()) return false;
    for (size_t i = 0; i < mode.size(); i++)
        if (std::toupper(static_cast<unsigned char>(mode[i])) != k.mode[i]) return false;
    return true;
}

void sort_by_time(const FeedKeeper& k, FeedLargeVector<uint32_t>::iterator first, FeedLargeVector<uint32_t>::iterator last) {
    auto earlier = [&](uint32_t a, uint32_t b) { return k.kept[a].when < k.kept[b].when; };
    if (!std::is_sorted(first, last, earlier)) std::stable_sort(first, last, earlier);  // most often they came in order
}

// Hands whole records on; false when the writing failed.
bool pass_pending(FeedPass& p) {
    if (p.pending_size > 0 && !p.write(std::string_view(p.pending.data(), p.pending_size), p.pending_count))
        p.failed = true;
    p.pending_size = 0;
    p.pending_count = 0;
    return !p.failed;
}

// Enters a call among those at the latest time; false when it is there already.
bool pass_call(FeedPass& p, std::string_view call) {
    auto slot = [&](std::string_view c) {
        return find_slot(p.slots.data(), p.slots.size(), key_hash(c, 0), [&](uint32_t j) { return p.calls[j - 1] == c; });
    };
    if ((p.calls.size() + 1) * 2 > p.slots.size()) {  // grown: the calls entered again
        p.slots.assign(std::max<size_t>(64, p.slots.size() * 2), 0);
        p.used.clear();
        for (size_t j = 0; j < p.calls.size(); j++) {
            p.used.push_back(uint32_t(slot(p.calls[j].view())));
            p.slots[p.used.back()] = uint32_t(j + 1);
        }
    }
    const size_t i = slot(call);
    if (p.slots[i] != 0) return false;
    p.calls.emplace_back().assign(call);
    p.slots[i] = uint32_t(p.calls.size());
    p.used.push_back(uint32_t(i));
    return true;
}

// A spot inside the span, with the keeper handing records on.
bool pass_on(FeedPass& p, const FeedSpot& spot) {
    if (p.out_of_order || p.failed) return false;
    if (spot.when < p.when) {
        p.out_of_order = true;
        return false;
    }
    if (spot.when != p.when) {  // a new time: the calls of the last are done with
        p.when = spot.when;
        for (uint32_t i : p.used) p.slots[i] = 0;
        p.used.clear(), p.calls.clear();
    }
    if (!pass_call(p, spot.call.view())) return false;  // that call and time once more
    if (p.pending.empty()) p.pending.resize(feed_pass_piece + feed_record_max);
    const size_t size = feed_record(spot, p.pending.data() + p.pending_size);  // made in place
    p.pending_size += size;
    p.pending_count++;
    p.records++;
    p.bytes += size;
    if (p.pending_size >= feed_pass_piece) pass_pending(p);
    return true;
}

}  // namespace

bool feed_keeper_pass_end(FeedKeeper& k) {
    FeedPass& p = *k.pass;
    return !p.out_of_order && pass_pending(p);
}

void feed_keeper_start(FeedKeeper& k, int64_t from, int64_t to) {
    FeedKeeper fresh;
    fresh.band = k.band;
    fresh.mode = k.mode;
    fresh.outside = k.outside, fresh.now = k.now;
    for (char& c : fresh.mode) c = char(std::toupper(static_cast<unsigned char>(c)));
    fresh.from = from, fresh.to = to;
    k = std::move(fresh);
}

FeedMove feed_keeper_move(FeedKeeper& k, int64_t from, int64_t to) {
    if (from == k.from && to == k.to) return FeedMove::none;
    if (from < k.from || from >= hold_end(k.to) || to < k.to) {
        feed_keeper_start(k, from, to);
        return FeedMove::back;
    }
    // Rebuilt with what stays: the span's records still inside it, in their
    // order, then the held ones it reaches now, by time.
    FeedKeeper next;
    next.band = k.band, next.mode = k.mode, next.outside = k.outside, next.now = k.now;
    next.from = from, next.to = to;
    auto carry = [&](const FeedKept& kept) {
        next.order.push_back(uint32_t(next.kept.size()));
        next.kept.push_back({kept.when, uint32_t(next.bytes.size()), kept.size, kept.call_size, kept.tag});
        next.bytes.append(k.bytes, kept.at, kept.size);
    };
    for (uint32_t i : k.order)
        if (k.kept[i].when >= from && k.kept[i].when < to) carry(k.kept[i]);
    const size_t promoted_from = next.order.size();
    std::vector<uint32_t> held;
    for (size_t i = 0; i < k.kept.size(); i++)
        if (k.kept[i].when >= k.to) held.push_back(uint32_t(i));
    for (uint32_t i : held)
        if (k.kept[i].when >= from && k.kept[i].when < to) carry(k.kept[i]);
    sort_by_time(next, next.order.begin() + long(promoted_from), next.order.end());
    for (uint32_t i : held) {
        const FeedKept& kept = k.kept[i];
        if (kept.when >= to && kept.when < hold_end(to)) {
            next.kept.push_back({kept.when, uint32_t(next.bytes.size()), kept.size, kept.call_size, kept.tag});
            next.bytes.append(k.bytes, kept.at, kept.size);
        } else if (kept.when < from) {
            next.outside++;
        }
    }
    const bool changed = promoted_from != k.order.size() || next.order.size() != promoted_from;
    next.settled = next.order.size();
    for (size_t i = 0; i < next.kept.size(); i++) {
        const FeedKept& kept = next.kept[i];
        const std::string_view call = call_of(next, kept);
        table_insert(next, slice_table(next, kept.when), key_hash(call, kept.when), call, kept.when, i);
    }
    k = std::move(next);
    return changed ? FeedMove::forward : FeedMove::none;
}

bool feed_keeper_offer(FeedKeeper& k, const FeedSpot& spot) {
    const size_t passed = k.pass != nullptr ? k.pass->bytes : 0;
    if (!wanted(k, spot) || spot.when < k.from || spot.when >= hold_end(k.to) || k.bytes.size() + passed > bytes_limit) {
        k.outside++;
        return false;
    }
    if (k.pass != nullptr && spot.when < k.to) return pass_on(*k.pass, spot);
    FeedSliceTable& t = slice_table(k, spot.when);
    const uint64_t hash = key_hash(spot.call.view(), spot.when);
    __builtin_prefetch(&k.slots[t.at + home_of(hash, t.size)]);  // fetched while the record is made
    char record[feed_record_max];
    const size_t size = feed_record(spot, record);
    const uint32_t index = uint32_t(k.kept.size());
    if (!table_insert(k, t, hash, spot.call.view(), spot.when, index)) return false;  // that call and time once more
    k.kept.push_back({spot.when, uint32_t(k.bytes.size()), uint8_t(size), spot.call.size, tag_of(hash)});
    k.bytes.append(record, size);
    if (spot.when < k.to) k.order.push_back(index);
    return true;
}

void feed_keeper_settle(FeedKeeper& k) {
    sort_by_time(k, k.order.begin() + long(k.settled), k.order.end());
    k.settled = k.order.size();
}

void feed_keeper_expect(FeedKeeper& k, size_t spots) {
    if (k.pass != nullptr) return;  // nothing inside the span is kept
    spots = std::min<size_t>(spots, size_t(1) << 23);
    auto grow = [](auto& v, size_t need) {
        if (need > v.capacity()) v.reserve(std::max(need, v.capacity() * 2));
    };
    grow(k.kept, k.kept.size() + spots);
    grow(k.order, k.order.size() + spots);
    grow(k.bytes, k.bytes.size() + spots * 30);
    grow(k.slots, k.slots.size() + spots * 2);  // tables some 4/3 of their entries, and what growing left
}

size_t feed_keeper_held(const FeedKeeper& k) { return k.kept.size() - k.order.size(); }

std::string_view feed_keeper_records(const FeedKeeper& k, size_t& next, std::string& buffer) {
    constexpr size_t piece = size_t(1) << 20;
    buffer.clear();
    while (next < k.order.size() && buffer.size() < piece) {
        // A run of records lying one after the other in `bytes` (all of them,
        // when they came in order): handed over as they lie when it is long.
        const size_t from = k.kept[k.order[next]].at;
        size_t to = from;
        size_t end = next;
        for (; end < k.order.size() && k.kept[k.order[end]].at == to && (buffer.empty() || to - from < piece); end++)
            to += k.kept[k.order[end]].size;
        if (buffer.empty() && (to - from >= piece / 16 || end == k.order.size())) {
            next = end;
            return std::string_view(k.bytes.data() + from, to - from);
        }
        buffer.append(k.bytes.data() + from, to - from);
        next = end;
    }
    return buffer;
}
