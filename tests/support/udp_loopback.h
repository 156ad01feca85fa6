// Datagrams to the feeder over loopback: a free port, whether a port is held
// (POSIX), and sending built datagrams, to a multicast group through loopback
// as well. The Windows build's tests use it over Winsock, started by them.
#pragma once

#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
using UdpTestSocket = SOCKET;
inline void udp_test_close(SOCKET s) { closesocket(s); }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using UdpTestSocket = int;
inline void udp_test_close(int fd) { close(fd); }
#endif

#include <cstdint>
#include <string>
#include <vector>

inline sockaddr_in udp_loopback_address(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A UDP port on 127.0.0.1 that was free a moment ago.
inline uint16_t udp_free_port() {
    UdpTestSocket fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = udp_loopback_address(0);
    socklen_t size = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    udp_test_close(fd);
    return ntohs(a.sin_port);
}

#ifndef _WIN32
// A socket holding 127.0.0.1:`port` for itself, or -1 when something else has it.
inline int udp_hold_port(uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = udp_loopback_address(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    close(fd);
    return -1;
}

// True while something else holds 127.0.0.1:`port`.
inline bool udp_port_taken(uint16_t port) {
    int fd = udp_hold_port(port);
    if (fd >= 0) close(fd);
    return fd < 0;
}
#endif

// Sends each datagram to `host`:`port` (IPv4) from one socket; a group's through loopback.
inline bool udp_send(const std::string& host, uint16_t port, const std::vector<std::string>& datagrams) {
    UdpTestSocket fd = socket(AF_INET, SOCK_DGRAM, 0);
    in_addr loopback{};
    loopback.s_addr = htonl(INADDR_LOOPBACK);
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&loopback), sizeof loopback);
    sockaddr_in to = udp_loopback_address(port);
    inet_pton(AF_INET, host.c_str(), &to.sin_addr);
    bool ok = true;
    for (const std::string& d : datagrams)
        ok &= sendto(fd, d.data(), int(d.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == int(d.size());
    udp_test_close(fd);
    return ok;
}
