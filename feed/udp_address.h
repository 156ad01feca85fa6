// Where skerrow-feed listens for the decoders' datagrams: the text after
// --udp read into a host and a port.
//
//   HOST            a name or an IPv4 or IPv6 address, port 2237
//   HOST:PORT       a name or an IPv4 address and a port
//   :PORT           127.0.0.1 and a port
//   [IPv6]:PORT     an IPv6 address and a port
//   (none)          127.0.0.1:2237, where the decoders send by default
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint16_t udp_default_port = 2237;

// An address to listen on.
struct UdpAddress {
    std::string host = "127.0.0.1";  // a name, or an address without brackets
    uint16_t port = udp_default_port;
    bool ipv6 = false;        // `host` is an IPv6 address
    bool multicast = false;   // `host` is a multicast group (224.0.0.0/4, ff00::/8)
};

// ---- reading ----

// Reads `text` into `address`; false when it is no address of the forms above.
bool udp_address_parse(std::string_view text, UdpAddress& address);
// True when `word`, met after --udp, is meant as an address rather than as
// an input file: an IP address, ":PORT", "[...]" or "HOST:PORT", or
// "localhost". A bare host name counts only when `is_path` is false.
bool udp_address_word(std::string_view word, bool is_path);

// ---- telling addresses apart ----

// The four bytes of an IPv4 address in dotted decimal; false when it is none.
bool udp_ipv4_literal(std::string_view text, uint8_t bytes[4]);
// The sixteen bytes of an IPv6 address (with "::" and a dotted IPv4 tail); false when it is none.
bool udp_ipv6_literal(std::string_view text, uint8_t bytes[16]);
// "host:port" with brackets around an IPv6 host, for messages.
std::string udp_address_text(const UdpAddress& address);
