// Datagrams to the feeder over loopback (POSIX): a free port, whether a
// port is held, and sending built datagrams, to a multicast group through
// loopback as well.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = udp_loopback_address(0);
    socklen_t size = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    close(fd);
    return ntohs(a.sin_port);
}

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

// Sends each datagram to `host`:`port` (IPv4) from one socket; a group's through loopback.
inline bool udp_send(const std::string& host, uint16_t port, const std::vector<std::string>& datagrams) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    in_addr loopback{htonl(INADDR_LOOPBACK)};
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
    sockaddr_in to = udp_loopback_address(port);
    inet_pton(AF_INET, host.c_str(), &to.sin_addr);
    bool ok = true;
    for (const std::string& d : datagrams)
        ok &= sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == ssize_t(d.size());
    close(fd);
    return ok;
}
