// The decoders' datagrams built byte for byte, as WSJT-X, JTDX and MSHV lay
// them out, for the tests and the benchmark (never captured from anywhere).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// A datagram being built, big-endian field by field.
struct UdpDatagram {
    std::string bytes;  // what is built so far

    UdpDatagram& number(uint64_t v, int size) {
        for (int i = size - 1; i >= 0; i--) bytes.push_back(char(v >> (8 * i)));
        return *this;
    }
    UdpDatagram& u8(uint8_t v) { return number(v, 1); }
    UdpDatagram& u32(uint32_t v) { return number(v, 4); }
    UdpDatagram& i32(int32_t v) { return number(uint32_t(v), 4); }
    UdpDatagram& u64(uint64_t v) { return number(v, 8); }
    UdpDatagram& boolean(bool v) { return number(v ? 1 : 0, 1); }
    UdpDatagram& real(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return number(bits, 8);
    }
    UdpDatagram& text(std::string_view s) {
        u32(uint32_t(s.size()));
        bytes.append(s);
        return *this;
    }
    UdpDatagram& null_text() { return u32(0xffffffff); }
};

// Magic, schema, type and Id.
inline UdpDatagram udp_header(uint32_t type, std::string_view id, uint32_t schema = 2) {
    UdpDatagram d;
    d.u32(0xadbccbda).u32(schema).u32(type).text(id);
    return d;
}

// ---- WSJT-X ----

inline std::string udp_wsjtx_status(std::string_view id, uint64_t dial_hz, std::string_view mode) {
    UdpDatagram d = udp_header(1, id);
    d.u64(dial_hz).text(mode).text("K1ABC").text("-12").text(mode).boolean(false).boolean(false).boolean(true);
    d.u32(1500).u32(1200).text("N0CALL").text("FN20").text("FN42").boolean(false).text("").boolean(false);
    d.u8(0).u32(10).u32(mode == "FT4" ? 7 : 15).text("Default").text("CQ N0CALL FN20");
    return d.bytes;
}

inline std::string udp_heartbeat(std::string_view id, std::string_view version, const char* revision) {
    UdpDatagram d = udp_header(0, id);
    d.u32(3).text(version);
    if (revision) d.text(revision);
    return d.bytes;
}

// A Decode as WSJT-X and JTDX send it (mode a symbol) or MSHV (mode a name).
inline std::string udp_decode(std::string_view id, uint32_t time_ms, int32_t snr, std::string_view mode,
                              std::string_view message, bool is_new = true, bool off_air = false) {
    UdpDatagram d = udp_header(2, id);
    d.boolean(is_new).u32(time_ms).i32(snr).real(0.2).u32(1234).text(mode).text(message);
    d.boolean(false).boolean(off_air);
    return d.bytes;
}

inline std::string udp_wspr_decode(std::string_view id, uint32_t time_ms, int32_t snr, uint64_t hz,
                                   std::string_view call, std::string_view grid, int32_t dbm) {
    UdpDatagram d = udp_header(10, id);
    d.boolean(true).u32(time_ms).i32(snr).real(0.5).u64(hz).i32(-1).text(call).text(grid).i32(dbm).boolean(false);
    return d.bytes;
}

// ---- JTDX ----

// JTDX's Status: fast mode, then its one `tx_first` flag, and nothing more.
inline std::string udp_jtdx_status(std::string_view id, uint64_t dial_hz, std::string_view mode, bool tx_first) {
    UdpDatagram d = udp_header(1, id);
    d.u64(dial_hz).text(mode).text("").text("").text(mode).boolean(false).boolean(false).boolean(false);
    d.u32(1500).u32(1500).text("N0CALL").text("FN20").text("").boolean(false).text("").boolean(false);
    d.boolean(tx_first);
    return d.bytes;
}

// Milliseconds of a time of day.
constexpr uint32_t udp_ms(int h, int m, int s) { return uint32_t(((h * 60 + m) * 60 + s) * 1000); }
