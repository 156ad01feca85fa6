#include "feed/udp_spot.h"

#include <cctype>
#include <cstdio>

namespace {

// The station of `id`, made when new (forgetting the least recent one when full).
UdpStation& station_of(UdpStations& all, std::string_view id) {
    id = id.substr(0, udp_id_max);
    all.messages++;
    for (UdpStation& s : all.stations)
        if (s.id == id) {
            s.used = all.messages;
            return s;
        }
    if (all.stations.size() >= udp_stations_max) {
        size_t oldest = 0;
        for (size_t i = 1; i < all.stations.size(); i++)
            if (all.stations[i].used < all.stations[oldest].used) oldest = i;
        all.stations.erase(all.stations.begin() + long(oldest));
    }
    all.stations.push_back({std::string(id), 0, {}, all.messages});
    return all.stations.back();
}

const UdpStation* find_station(const UdpStations& all, std::string_view id) {
    id = id.substr(0, udp_id_max);
    for (const UdpStation& s : all.stations)
        if (s.id == id) return &s;
    return nullptr;
}

// Sets a text of the spot; an empty view (which may hold no pointer at all) leaves it empty.
template <size_t N>
void put(FeedText<N>& text, std::string_view s) {
    if (!s.empty()) text.assign(s);
}

// The dial frequency as the decoder files' spots have it in aux.
void set_mhz(FeedSpot& spot, double mhz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", mhz);
    put(spot.aux, buf);
}

// A WSPR grid: AA00 or AA00aa.
bool wspr_grid(std::string_view g) {
    auto in = [](char c, char a, char b) { return c >= a && c <= b; };
    if (g.size() != 4 && g.size() != 6) return false;
    if (!in(g[0], 'A', 'R') || !in(g[1], 'A', 'R') || !in(g[2], '0', '9') || !in(g[3], '0', '9')) return false;
    return g.size() == 4 || (in(char(std::tolower(static_cast<unsigned char>(g[4]))), 'a', 'x') &&
                             in(char(std::tolower(static_cast<unsigned char>(g[5]))), 'a', 'x'));
}

}  // namespace

int64_t udp_when(uint32_t ms, int64_t now) {
    const int64_t day = now - ((now % 86400) + 86400) % 86400;
    int64_t when = day + int64_t(ms / 1000);
    if (when - now > 43200) when -= 86400;  // 23:59:45 heard just after midnight: the day before
    else if (now - when > 43200) when += 86400;
    return when;
}

UdpSpot udp_take(UdpStations& stations, const UdpMessage& m, int64_t now, bool keep_off_air, FeedSpot& spot) {
    if (m.kind == UdpKind::status) {
        UdpStation& s = station_of(stations, m.id);
        s.dial_mhz = double(m.dial_hz) / 1e6;
        s.mode = std::string(m.mode);
        return UdpSpot::none;
    }
    if (m.kind != UdpKind::decode && m.kind != UdpKind::wspr_decode) return UdpSpot::none;
    if (m.off_air && !keep_off_air) return UdpSpot::off_air;
    spot = FeedSpot{};
    spot.when = udp_when(m.time_ms, now);
    spot.snr = m.snr;
    if (m.kind == UdpKind::wspr_decode) {
        std::string_view call = m.call;
        if (call.size() > 2 && call.front() == '<' && call.back() == '>') call = call.substr(1, call.size() - 2);
        if (call.size() > feed_call_max || !feed_plausible_call(call)) return UdpSpot::no_call;
        put(spot.call, call);
        spot.dial_mhz = double(m.frequency_hz) / 1e6;
        put(spot.mode, "WSPR");
        if (wspr_grid(m.grid)) put(spot.aux, m.grid);
        else set_mhz(spot, spot.dial_mhz);
        return UdpSpot::spot;
    }
    const std::string_view message = m.message.substr(0, 256);  // no decoded message is longer
    const std::string_view call = feed_message_call(message);
    if (call.empty() || call.size() > feed_call_max) return UdpSpot::no_call;
    put(spot.call, call);
    const UdpStation* station = find_station(stations, m.id);
    put(spot.mode, udp_mode_name(m.mode));
    if (spot.mode.empty() && station) put(spot.mode, station->mode);
    put(spot.aux, feed_message_grid(message));
    if (!station) return UdpSpot::no_band;
    spot.dial_mhz = station->dial_mhz;
    if (spot.aux.empty()) set_mhz(spot, spot.dial_mhz);
    return UdpSpot::spot;
}
