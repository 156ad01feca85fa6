#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "feed/udp_socket.h"

namespace {

// The interfaces a group is joined on: `name`, or every one that is up.
std::set<std::string> interfaces_to_join(const std::string& name) {
    std::set<std::string> names;
    if (!name.empty()) {
        names.insert(name);
        return names;
    }
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return names;
    for (ifaddrs* i = all; i; i = i->ifa_next)
        if (i->ifa_name && (i->ifa_flags & IFF_UP)) names.insert(i->ifa_name);
    freeifaddrs(all);
    return names;
}

// Joins the group on each interface; the number joined.
int join_group(int fd, const sockaddr_storage& group, const std::string& interface_name) {
    int joined = 0;
    for (const std::string& name : interfaces_to_join(interface_name)) {
        unsigned index = if_nametoindex(name.c_str());
        if (index == 0) continue;
        int ok;
        if (group.ss_family == AF_INET6) {
            ipv6_mreq m{};
            m.ipv6mr_multiaddr = reinterpret_cast<const sockaddr_in6&>(group).sin6_addr;
            m.ipv6mr_interface = index;
            ok = setsockopt(fd, IPPROTO_IPV6, IPV6_JOIN_GROUP, &m, sizeof m);
        } else {
            ip_mreqn m{};
            m.imr_multiaddr = reinterpret_cast<const sockaddr_in&>(group).sin_addr;
            m.imr_ifindex = int(index);
            ok = setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m);
        }
        joined += ok == 0;
    }
    return joined;
}

bool is_multicast(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET6) return reinterpret_cast<const sockaddr_in6&>(a).sin6_addr.s6_addr[0] == 0xff;
    return IN_MULTICAST(ntohl(reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr));
}

}  // namespace

UdpOpen udp_socket_open(UdpSocket& s, const UdpAddress& address, const std::string& interface_name, std::string& error) {
    s = UdpSocket{};
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    const std::string port = std::to_string(address.port);
    if (int e = getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found); e != 0) {
        error = "cannot find " + address.host + ": " + gai_strerror(e);
        return UdpOpen::failed;
    }
    sockaddr_storage where{};
    std::memcpy(&where, found->ai_addr, found->ai_addrlen);
    const socklen_t length = found->ai_addrlen;
    freeaddrinfo(found);
    int fd = socket(where.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot open a socket: ") + std::strerror(errno);
        return UdpOpen::failed;
    }
    s.handle = fd;
    s.multicast = is_multicast(where);
    const int on = 1, buffer = udp_receive_buffer;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);  // the system may grant less
    if (s.multicast) {
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#ifdef SO_REUSEPORT
        setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
#endif
    }
    // A group is bound as itself: only its datagrams come in. A link-local
    // IPv6 group cannot be bound without an interface: its port on every address then.
    int bound = bind(fd, reinterpret_cast<const sockaddr*>(&where), length);
    if (bound != 0 && errno == EINVAL && s.multicast && where.ss_family == AF_INET6) {
        sockaddr_in6 any = reinterpret_cast<const sockaddr_in6&>(where);
        any.sin6_addr = in6addr_any;
        bound = bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any);
    }
    if (bound != 0) {
        const int e = errno;
        udp_socket_close(s);
        error = std::strerror(e);
        return e == EADDRINUSE ? UdpOpen::in_use : UdpOpen::failed;
    }
    if (!s.multicast) return UdpOpen::ok;
    return udp_socket_joined(s, join_group(fd, where, interface_name), interface_name, error);
}

void udp_socket_close(UdpSocket& s) {
    if (s.handle >= 0) close(int(s.handle));
    s.handle = -1;
}

UdpReceive udp_socket_receive(const UdpSocket& s, uint8_t* buffer, size_t capacity, size_t& size) {
    msghdr m{};
    iovec v{buffer, capacity};
    m.msg_iov = &v;
    m.msg_iovlen = 1;
    ssize_t n = recvmsg(int(s.handle), &m, 0);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return UdpReceive::none;
        // An ICMP error of an earlier send, or a network gone away: the socket still listens.
        if (errno == ECONNREFUSED || errno == ENETDOWN || errno == ENETUNREACH) return UdpReceive::none;
        return UdpReceive::failed;
    }
    if (m.msg_flags & MSG_TRUNC) return UdpReceive::oversized;
    size = size_t(n);
    return UdpReceive::datagram;
}
