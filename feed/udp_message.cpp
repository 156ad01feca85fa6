#include "feed/udp_message.h"

#include <cmath>
#include <cstring>

namespace {

// A cursor over the datagram; every read checks the end first.
struct Reader {
    const uint8_t* at;
    const uint8_t* end;
    bool past_end = false;  // a read went past the end: the datagram is cut short
    bool null_seen = false; // the last text read was null

    size_t left() const { return size_t(end - at); }
    bool take(size_t n) {
        if (left() < n) {
            past_end = true;
            at = end;
            return false;
        }
        return true;
    }
    uint64_t number(size_t n) {
        if (!take(n)) return 0;
        uint64_t v = 0;
        for (size_t i = 0; i < n; i++) v = v << 8 | at[i];
        at += n;
        return v;
    }
    uint32_t u32() { return uint32_t(number(4)); }
    int32_t i32() { return int32_t(u32()); }
    uint64_t u64() { return number(8); }
    bool boolean() { return number(1) != 0; }
    double real() {
        uint64_t bits = u64();
        double d;
        static_assert(sizeof d == sizeof bits);
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    std::string_view text() {
        uint32_t n = u32();
        null_seen = n == 0xffffffff;
        if (past_end || null_seen) return {};
        if (!take(n)) return {};
        std::string_view s(reinterpret_cast<const char*>(at), n);
        at += n;
        return s;
    }
};

constexpr int snr_min = -60, snr_max = 50;   // as the decoder files' own lines
constexpr uint64_t hz_min = 100'000, hz_max = 300'000'000'000;  // 0.1 MHz to 300 GHz
constexpr uint32_t day_ms = 86'400'000;

bool sane_frequency(uint64_t hz) { return hz >= hz_min && hz <= hz_max; }

UdpParse read_heartbeat(Reader& r, UdpMessage& m) {
    m.max_schema = r.u32();
    if (r.past_end) return UdpParse::truncated;
    if (r.left()) m.version = r.text();
    if (r.left()) m.revision = r.text();  // JTDX sends none
    return r.past_end ? UdpParse::truncated : UdpParse::ok;
}

UdpParse read_status(Reader& r, UdpMessage& m) {
    m.dial_hz = r.u64();
    m.mode = r.text();
    m.dx_call = r.text();
    r.text();  // report
    r.text();  // Tx mode
    r.boolean();  // Tx enabled
    m.transmitting = r.boolean();
    if (r.past_end) return UdpParse::truncated;
    // Later versions appended the rest.
    if (r.left()) m.decoding = r.boolean();
    if (r.left()) r.u32(), r.u32();  // Rx and Tx audio offsets
    if (r.left()) m.de_call = r.text();
    if (r.left()) m.de_grid = r.text();
    if (r.left()) r.text();  // DX grid
    if (r.left()) r.boolean();  // Tx watchdog
    if (r.left()) r.text();  // sub-mode
    if (r.left()) r.boolean();  // fast mode
    if (r.left() == 1) {  // JTDX ends with tx_first
        m.has_tx_first = true;
        m.tx_first = r.boolean();
    } else if (r.left()) {
        r.number(1);  // special operation
        if (r.left()) r.u32();  // frequency tolerance
        if (r.left()) m.period_s = r.u32();
        if (r.left()) r.text();  // configuration name
        if (r.left()) r.text();  // Tx message
    }
    if (r.past_end) return UdpParse::truncated;
    return sane_frequency(m.dial_hz) ? UdpParse::ok : UdpParse::absurd;
}

bool sane_decode(const UdpMessage& m) {
    return m.time_ms < day_ms && m.snr >= snr_min && m.snr <= snr_max && std::isfinite(m.delta_time) &&
           std::fabs(m.delta_time) < 1e6;
}

UdpParse read_decode(Reader& r, UdpMessage& m) {
    m.is_new = r.boolean();
    m.time_ms = r.u32();
    m.snr = r.i32();
    m.delta_time = r.real();
    m.delta_hz = r.u32();
    m.mode = r.text();
    m.message = r.text();
    if (r.past_end) return UdpParse::truncated;
    if (r.null_seen) return UdpParse::null_text;
    if (r.left()) m.low_confidence = r.boolean();
    if (r.left()) m.off_air = r.boolean();
    if (r.past_end) return UdpParse::truncated;
    return sane_decode(m) && m.delta_hz <= 1'000'000 ? UdpParse::ok : UdpParse::absurd;
}

UdpParse read_wspr(Reader& r, UdpMessage& m) {
    m.is_new = r.boolean();
    m.time_ms = r.u32();
    m.snr = r.i32();
    m.delta_time = r.real();
    m.frequency_hz = r.u64();
    m.drift = r.i32();
    m.call = r.text();
    if (r.null_seen && !r.past_end) return UdpParse::null_text;
    m.grid = r.text();
    m.power_dbm = r.i32();
    if (r.past_end) return UdpParse::truncated;
    if (r.left()) m.off_air = r.boolean();
    if (r.past_end) return UdpParse::truncated;
    return sane_decode(m) && sane_frequency(m.frequency_hz) ? UdpParse::ok : UdpParse::absurd;
}

}  // namespace

UdpParse udp_message_parse(const uint8_t* data, size_t size, UdpMessage& m) {
    m = UdpMessage{};
    Reader r{data, data + size};
    uint32_t magic = r.u32();
    if (r.past_end || magic != udp_magic) return UdpParse::bad_magic;
    m.schema = r.u32();
    if (r.past_end) return UdpParse::truncated;
    if (m.schema == 0 || m.schema > udp_schema_max) return UdpParse::unknown_schema;
    m.type = r.u32();
    m.id = r.text();
    if (r.past_end) return UdpParse::truncated;
    if (r.null_seen) return UdpParse::null_text;
    switch (m.type) {
    case 0: m.kind = UdpKind::heartbeat; return read_heartbeat(r, m);
    case 1: m.kind = UdpKind::status; return read_status(r, m);
    case 2: m.kind = UdpKind::decode; return read_decode(r, m);
    case 3: m.kind = UdpKind::clear; return UdpParse::ok;  // a window number may follow
    case 6: m.kind = UdpKind::close; return UdpParse::ok;
    case 10: m.kind = UdpKind::wspr_decode; return read_wspr(r, m);
    default: return UdpParse::ok;
    }
}

std::string_view udp_mode_name(std::string_view mode) {
    if (mode.size() != 1) return mode;
    switch (mode[0]) {
    case '~': return "FT8";
    case '+': return "FT4";
    case '@': return "JT9";
    case '#': return "JT65";
    case '`': return "FST4";
    case ':': return "Q65";
    case '&': return "MSK144";
    case '$': return "JT4";
    default: return mode;
    }
}
