#include "feed/udp_source.h"

UdpOpen udp_source_open(UdpSource& source, std::string& error) {
    if (source.buffer.size() < udp_datagram_max) source.buffer.resize(udp_datagram_max);
    return udp_socket_open(source.socket, source.address, source.interface_name, error);
}

void udp_source_close(UdpSource& source) { udp_socket_close(source.socket); }

bool udp_source_listening(const UdpSource& source) { return source.socket.handle != -1; }

std::string udp_source_in_use_text(const UdpSource& source) {
    const std::string port = std::to_string(source.address.port);
    return "another program already listens on port " + port + " (" + udp_address_text(source.address) +
           "); to share the decodes, set a multicast group such as 239.255.0.1 as the UDP server in the decoder and "
           "in every program that listens, and start skerrow-feed with --udp 239.255.0.1:" + port;
}

bool udp_source_wait(const UdpSource& source, int timeout_ms) { return udp_socket_wait(source.socket, timeout_ms); }

bool udp_source_drain(UdpSource& source, int64_t now, size_t most, std::vector<FeedSpot>& spots) {
    for (size_t n = 0; n < most; n++) {
        size_t size = 0;
        UdpReceive got = udp_socket_receive(source.socket, source.buffer.data(), source.buffer.size(), size);
        if (got == UdpReceive::none) return true;
        if (got == UdpReceive::failed) return false;
        source.datagrams++;
        UdpMessage message;
        if (got == UdpReceive::oversized || udp_message_parse(source.buffer.data(), size, message) != UdpParse::ok) {
            source.not_understood++;
            continue;
        }
        FeedSpot spot;
        switch (udp_take(source.stations, message, now, source.off_air, spot)) {
        case UdpSpot::spot: spots.push_back(std::move(spot)); break;
        case UdpSpot::no_band:
            if (source.band_needed) source.no_band++;
            else spots.push_back(std::move(spot));
            break;
        case UdpSpot::off_air: source.off_air_left++; break;
        case UdpSpot::no_call: source.no_call++; break;
        case UdpSpot::none: break;
        }
    }
    return true;
}
