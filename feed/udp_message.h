// The decoders' network messages: one datagram read into a plain record.
//
// Every datagram: quint32 magic 0xadbccbda, quint32 schema (1 to 3), quint32
// message type, the sender's Id as utf8, then the type's fields, big-endian
// throughout. Fields are only ever appended in newer versions: a datagram
// that ends between fields after the ones every version sends keeps the
// defaults of the rest, and bytes after the last known field are ignored.
// Every field is checked against the datagram's end; the texts are views into
// the datagram itself, valid while its bytes are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr uint32_t udp_magic = 0xadbccbda;
constexpr uint32_t udp_schema_max = 3;

enum class UdpKind {
    heartbeat = 0,
    status = 1,
    decode = 2,
    clear = 3,
    close = 6,
    wspr_decode = 10,
    other,  // a type this reader has no use for (a reply, a logged QSO, ...)
};

// What became of a datagram.
enum class UdpParse {
    ok,              // `message` holds it
    bad_magic,       // not one of the decoders' messages
    unknown_schema,  // a schema of 0 or above udp_schema_max
    truncated,       // a field, or a text's length, past the datagram's end
    null_text,       // a null string where text is needed (the Id, a message, a call)
    absurd,          // an SNR, time of day or frequency no decoder sends
};

// One datagram's fields. Only those of `kind` are filled; the rest keep these defaults.
struct UdpMessage {
    UdpKind kind = UdpKind::other;
    uint32_t type = 0;         // the message type as sent
    uint32_t schema = 0;       // 1 to 3
    std::string_view id;       // the sending decoder instance ("WSJT-X", "JTDX - 2", ...)
    // Heartbeat
    uint32_t max_schema = 0;   // the highest schema the sender speaks
    std::string_view version;  // its version
    std::string_view revision; // its revision; empty when not sent (JTDX)
    // Status
    uint64_t dial_hz = 0;      // the dial frequency
    std::string_view mode;     // Status: the mode name; Decode: a mode symbol (~ + @ # ...) or name
    std::string_view dx_call;  // the station being worked
    std::string_view de_call;  // the operator's own call
    std::string_view de_grid;  // and grid
    bool transmitting = false; // the transmitter is keyed
    bool decoding = false;     // a decode pass is running
    bool has_tx_first = false; // the Status ends in JTDX's one `tx_first` flag
    bool tx_first = false;     // JTDX: transmit in the first period
    uint32_t period_s = 0;     // T/R period in seconds; 0 when not sent
    // Decode and WSPRDecode
    bool is_new = true;        // false: sent again on request (a replay)
    uint32_t time_ms = 0;      // time of day, ms since midnight UTC
    int32_t snr = 0;           // dB
    double delta_time = 0;     // s
    uint32_t delta_hz = 0;     // Decode: audio offset
    std::string_view message;  // Decode: the decoded message
    bool low_confidence = false;
    bool off_air = false;      // decoded from a recorded file, not the air
    uint64_t frequency_hz = 0; // WSPRDecode: the signal's frequency
    int32_t drift = 0;         // WSPRDecode: Hz per minute
    std::string_view call;     // WSPRDecode: the sender
    std::string_view grid;     // WSPRDecode: its grid, may be empty
    int32_t power_dbm = 0;     // WSPRDecode
};

// ---- reading ----

// Reads the `size` bytes at `data` into `message` (reset first). Anything but
// UdpParse::ok leaves no record to use; UdpKind::other is ok and carries only
// the header.
UdpParse udp_message_parse(const uint8_t* data, size_t size, UdpMessage& message);

// The mode a Decode names: its symbol spelled out (`~` FT8, `+` FT4, ...), a
// name (MSHV sends names) as sent.
std::string_view udp_mode_name(std::string_view mode);
