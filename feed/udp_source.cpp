#include "feed/udp_source.h"

#include <cstdio>

#include "feed/feed_system.h"

namespace {

using Clock = std::chrono::steady_clock;

void say(UdpSource& source, const std::string& text) {
    if (text != source.said) std::fprintf(stderr, "skerrow-feed: %s\n", text.c_str());
    source.said = text;
}

std::string in_use_text(const UdpSource& source) {
    const std::string port = std::to_string(source.address.port);
    return "another program already listens on port " + port + " (" + udp_address_text(source.address) +
           "); to share the decodes, set a multicast group such as 239.255.0.1 as the UDP server in the decoder and "
           "in every program that listens, and start skerrow-feed with --udp 239.255.0.1:" + port;
}

class UdpFeedSource : public FeedSource {
public:
    explicit UdpFeedSource(UdpSource& source) : source_(source) {}
    void poll(FeedKeeper& keeper) override {
        if (!udp_source_listening(source_)) {
            if (Clock::now() < source_.retry_at) return;
            if (!udp_source_listen(source_)) return;
        }
        // A burst (a period's decodes come together) goes to the log in one write.
        spots_.clear();
        const auto until = Clock::now() + udp_gather_most;
        for (long long before = -1; before != source_.datagrams && spots_.size() < udp_batch;) {
            before = source_.datagrams;
            udp_source_drain(source_, keeper.now, udp_batch - spots_.size(), spots_);
            if (before == source_.datagrams || !udp_source_listening(source_) || Clock::now() >= until ||
                !feed_wait({wait_handle()}, udp_gather_ms))
                break;
        }
        for (const FeedSpot& spot : spots_) feed_keeper_offer(keeper, spot);
    }
    void rewind() override {}  // a datagram comes once
    bool complete() const override { return true; }
    FeedCounts counts() const override { return {}; }
    int wait_handle() const override { return int(source_.socket.handle); }

private:
    UdpSource& source_;
    std::vector<FeedSpot> spots_;  // of one poll
};

}  // namespace

bool udp_source_listen(UdpSource& source) {
    if (source.buffer.size() < udp_datagram_max) source.buffer.resize(udp_datagram_max);
    std::string error;
    const UdpOpen opened = udp_socket_open(source.socket, source.address, source.interface_name, error);
    source.retry_at = Clock::now() + udp_retry_every;
    if (opened == UdpOpen::ok) {
        if (!source.said.empty()) std::fprintf(stderr, "skerrow-feed: listening on %s\n", udp_address_text(source.address).c_str());
        source.said.clear();
        return true;
    }
    say(source, opened == UdpOpen::in_use ? in_use_text(source)
                                          : "cannot listen on " + udp_address_text(source.address) + ": " + error);
    return false;
}

void udp_source_close(UdpSource& source) { udp_socket_close(source.socket); }

bool udp_source_listening(const UdpSource& source) { return source.socket.handle != -1; }

void udp_source_drain(UdpSource& source, int64_t now, size_t most, std::vector<FeedSpot>& spots) {
    for (size_t n = 0; n < most; n++) {
        size_t size = 0;
        const UdpReceive got = udp_socket_receive(source.socket, source.buffer.data(), source.buffer.size(), size);
        if (got == UdpReceive::none) return;
        if (got == UdpReceive::failed) {
            udp_source_close(source);
            say(source, "the socket on " + udp_address_text(source.address) + " failed; trying again in a minute");
            source.retry_at = Clock::now() + udp_retry_every;
            return;
        }
        source.datagrams++;
        UdpMessage message;
        if (got == UdpReceive::oversized || udp_message_parse(source.buffer.data(), size, message) != UdpParse::ok) {
            source.not_understood++;
            continue;
        }
        FeedSpot spot;
        switch (udp_take(source.stations, message, now, source.off_air, spot)) {
        case UdpSpot::spot: spots.push_back(spot); break;
        case UdpSpot::no_band:
            if (source.band_needed) source.no_band++;
            else spots.push_back(spot);
            break;
        case UdpSpot::off_air: source.off_air_left++; break;
        case UdpSpot::no_call: source.no_call++; break;
        case UdpSpot::none: break;
        }
    }
}

std::unique_ptr<FeedSource> udp_feed_source(UdpSource& source) { return std::make_unique<UdpFeedSource>(source); }
