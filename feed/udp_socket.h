// The socket skerrow-feed receives the decoders' datagrams on; one file per
// system (udp_socket_posix.cpp, udp_socket_win32.cpp), what they share in
// udp_socket.cpp.
//
// A unicast address is bound for this process alone (on Windows with
// SO_EXCLUSIVEADDRUSE, so no other program can take it over either). A
// multicast group is bound shared (SO_REUSEADDR, and SO_REUSEPORT where it
// exists), so every listener on the group gets every datagram, and joined on
// loopback and on every interface that is up, or on the one named. The socket
// does not block: the feeder waits on its handle (feed_wait), then receives
// until there is nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "feed/udp_address.h"

// Bytes enough for any UDP datagram.
constexpr size_t udp_datagram_max = 65536;
// What the socket asks of the system as its receive buffer: bursts of a
// busy band wait there while the log is written.
constexpr int udp_receive_buffer = 4 << 20;

// An open socket.
struct UdpSocket {
    intptr_t handle = -1;   // the system's socket; -1 when closed
    bool multicast = false; // bound to a group
    int joined = 0;         // interfaces the group was joined on
};

enum class UdpOpen {
    ok,
    in_use,   // another program has the port (unicast)
    failed,   // anything else: `error` says what
};

enum class UdpReceive {
    datagram,   // `size` bytes in the buffer
    oversized,  // a datagram larger than the buffer, dropped
    none,       // nothing waiting
    failed,     // the socket failed
};

// ---- opening and closing ----

// Opens and binds a socket for `address`; `interface_name` ("" for every one)
// names where a group is joined. `error` gets the reason of a failure.
UdpOpen udp_socket_open(UdpSocket& socket, const UdpAddress& address, const std::string& interface_name,
                        std::string& error);
void udp_socket_close(UdpSocket& socket);
// The end of opening a group (udp_socket.cpp, for both systems' files): one
// joined on `joined` interfaces is open, one joined nowhere is closed.
UdpOpen udp_socket_joined(UdpSocket& socket, int joined, const std::string& interface_name, std::string& error);

// ---- receiving ----

// Takes the next waiting datagram into `buffer` (`capacity` bytes, at least udp_datagram_max).
UdpReceive udp_socket_receive(const UdpSocket& socket, uint8_t* buffer, size_t capacity, size_t& size);
