// The live source of skerrow-feed --udp: the decoders' datagrams received as
// they come, read, and made into spots for the keeper, with what was passed
// over counted. The socket is opened when the source is made, before the
// files are caught up, so what is sent meanwhile waits in it; a port another
// program has is said once and tried again every minute.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "feed/feed_source.h"
#include "feed/udp_address.h"
#include "feed/udp_socket.h"
#include "feed/udp_spot.h"

// The listener, its settings and its counts.
struct UdpSource {
    UdpAddress address;          // where to listen
    std::string interface_name;  // the interface a group is joined on; "" every one that is up
    bool off_air = false;        // keep decodes of recorded files too
    bool band_needed = false;    // a band is asked for: a decode of no known band is passed over
    UdpSocket socket;            // open while listening
    UdpStations stations;        // the latest Status of each decoder instance
    std::vector<uint8_t> buffer; // one datagram
    std::string said;            // what was last said of the socket, said again only when it changes
    std::chrono::steady_clock::time_point retry_at;  // when to try the socket again
    long long datagrams = 0;     // received
    long long not_understood = 0;  // bad magic or schema, cut short, null, absurd, oversized
    long long no_band = 0;       // decodes passed over for want of a Status of their Id
    long long off_air_left = 0;  // decodes of recorded files left out
    long long no_call = 0;       // decodes naming no plausible sender
};

// Datagrams taken in one poll; more wait for the next, with no wait between.
constexpr size_t udp_batch = 4096;
// After a datagram, those that follow within udp_gather_ms of each other are
// taken in the same poll, for at most udp_gather_most: one write for a burst.
constexpr int udp_gather_ms = 20;
constexpr auto udp_gather_most = std::chrono::milliseconds(100);
// How often a socket that could not be opened is tried again.
constexpr auto udp_retry_every = std::chrono::seconds(60);

// ---- listening ----

// Opens the socket, saying on standard error why not (once for each reason:
// for a port another program has, the port and how to set a multicast group
// instead). True when listening.
bool udp_source_listen(UdpSource& source);
void udp_source_close(UdpSource& source);
bool udp_source_listening(const UdpSource& source);

// ---- receiving ----

// Takes up to `most` waiting datagrams; their spots are appended to `spots`,
// placed on the date nearest `now`. A socket that fails is closed, said so,
// and tried again after udp_retry_every.
void udp_source_drain(UdpSource& source, int64_t now, size_t most, std::vector<FeedSpot>& spots);

// ---- as a source of the feeder ----

// `source` (which must outlive it) as one of the feeder's sources: each poll
// drains it into the keeper, a burst whole, and tries a closed socket again when due.
std::unique_ptr<FeedSource> udp_feed_source(UdpSource& source);
