// Spots from the decoders' datagrams: a Decode or WSPRDecode made into the
// same spot a decoder file's line gives, the band taken from the latest
// Status of the same decoder instance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed/feed_parse.h"
#include "feed/udp_message.h"

// The latest Status of one decoder instance.
struct UdpStation {
    std::string id;        // the instance's Id
    double dial_mhz = 0;   // its dial frequency
    std::string mode;      // its mode name
    uint64_t used = 0;     // when it was last heard of, in messages taken: the least recent goes first
};

// What the datagrams have told so far.
struct UdpStations {
    std::vector<UdpStation> stations;  // at most udp_stations_max, one per Id
    uint64_t messages = 0;             // messages taken
};

// Instances remembered at once; beyond that the one heard of least recently is forgotten.
constexpr size_t udp_stations_max = 64;
// The longest Id remembered; a longer one is cut to this.
constexpr size_t udp_id_max = 64;

enum class UdpSpot {
    spot,      // `spot` holds a decode
    none,      // a message that is no decode (Status, Heartbeat, ...): taken in
    no_band,   // a Decode before any Status of its Id: its band is unknown (spot filled, dial 0)
    off_air,   // decoded from a recorded file (and not kept)
    no_call,   // names no plausible sender
};

// ---- taking messages ----

// Takes one parsed message. A decode of a recorded file comes back as
// off_air unless `keep_off_air`. `now` (seconds since 1970, UTC) places the
// decode's time of day on the date whose midnight makes it nearest, within
// 12 hours. A decode before any Status of its Id comes back as no_band with
// the spot filled, aux the grid or empty.
UdpSpot udp_take(UdpStations& stations, const UdpMessage& message, int64_t now, bool keep_off_air, FeedSpot& spot);

// The time of day `ms` on the UTC date that puts it within 12 hours of `now`.
int64_t udp_when(uint32_t ms, int64_t now);
