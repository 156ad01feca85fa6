// The live source of skerrow-feed --udp: the decoders' datagrams received,
// read and made into spots, with what was passed over counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed/feed_parse.h"
#include "feed/udp_address.h"
#include "feed/udp_socket.h"
#include "feed/udp_spot.h"

// The listener and its counts.
struct UdpSource {
    UdpAddress address;          // where to listen
    std::string interface_name;  // the interface a group is joined on; "" every one that is up
    bool off_air = false;        // keep decodes of recorded files too
    bool band_needed = false;    // a band is asked for: a decode of no known band is passed over
    UdpSocket socket;            // open while listening
    UdpStations stations;        // the latest Status of each decoder instance
    std::vector<uint8_t> buffer; // one datagram
    long long datagrams = 0;     // received
    long long not_understood = 0;  // bad magic or schema, cut short, null, absurd, oversized
    long long no_band = 0;       // decodes passed over for want of a Status
    long long off_air_left = 0;  // decodes of recorded files left out
    long long no_call = 0;       // decodes naming no plausible sender
};

// ---- listening ----

// Opens the socket; on failure `error` says why (see udp_source_in_use_text).
UdpOpen udp_source_open(UdpSource& source, std::string& error);
void udp_source_close(UdpSource& source);
bool udp_source_listening(const UdpSource& source);
// What to say when another program has the port: the port, and how to set
// a multicast group instead.
std::string udp_source_in_use_text(const UdpSource& source);

// ---- receiving ----

// Waits up to `timeout_ms` for a datagram; true when one is waiting.
bool udp_source_wait(const UdpSource& source, int timeout_ms);
// Takes up to `most` waiting datagrams; their spots are appended to
// `spots`, placed on the date nearest `now`. False when the socket failed.
bool udp_source_drain(UdpSource& source, int64_t now, size_t most, std::vector<FeedSpot>& spots);
