// Any bytes as one datagram through the reader and the spot maker: no crash,
// no undefined behaviour, no read past the datagram, and every spot sane.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "feed/udp_message.h"
#include "feed/udp_spot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that the sanitizer sees any read past the end.
    std::vector<uint8_t> datagram(data, data + size);
    static UdpStations stations;  // Status and Decode from one run to the next, as on the air
    UdpMessage message;
    if (udp_message_parse(datagram.data(), datagram.size(), message) != UdpParse::ok) return 0;
    const uint8_t* end = datagram.data() + datagram.size();
    for (std::string_view text : {message.id, message.mode, message.message, message.call, message.grid})
        if (!text.empty() && (reinterpret_cast<const uint8_t*>(text.data()) < datagram.data() ||
                              reinterpret_cast<const uint8_t*>(text.data() + text.size()) > end))
            std::abort();
    FeedSpot spot;
    const int64_t now = 1700000000;
    UdpSpot made = udp_take(stations, message, now, true, spot);
    if (made == UdpSpot::spot || made == UdpSpot::no_band) {
        char record[feed_record_max];
        if (spot.snr < -60 || spot.snr > 50 || !feed_plausible_call(spot.call.view()) || spot.when < now - 43200 ||
            spot.when > now + 43200 || feed_record(spot, record) > feed_record_max)
            std::abort();
    }
    if (stations.stations.size() > udp_stations_max) std::abort();
    return 0;
}
