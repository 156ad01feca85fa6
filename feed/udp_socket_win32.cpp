// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

#include <string>
#include <vector>

#include "feed/udp_socket.h"

namespace {

bool winsock_started() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::string wsa_text(int code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   DWORD(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = text ? text : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

std::string utf8_of(const wchar_t* w) {
    if (!w) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return "";
    std::string out(size_t(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// An interface a group can be joined on.
struct Interface {
    ULONG index4;    // its IPv4 index
    ULONG index6;    // its IPv6 index
    in_addr v4;      // its first IPv4 address (0 when none)
};

// The interfaces that are up (loopback among them), or the one named by its
// friendly or adapter name.
std::vector<Interface> interfaces_to_join(const std::string& name) {
    std::vector<Interface> found;
    ULONG size = 16384;
    std::vector<unsigned char> buffer;
    ULONG got = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < 3 && got == ERROR_BUFFER_OVERFLOW; tries++) {
        buffer.resize(size);
        got = GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                   nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (got != NO_ERROR) return found;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp) continue;
        if (!name.empty() && name != utf8_of(a->FriendlyName) && name != (a->AdapterName ? a->AdapterName : "")) continue;
        Interface i{a->IfIndex, a->Ipv6IfIndex, {}};
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next)
            if (u->Address.lpSockaddr && u->Address.lpSockaddr->sa_family == AF_INET) {
                i.v4 = reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr;
                break;
            }
        found.push_back(i);
    }
    return found;
}

int join_group(SOCKET fd, const sockaddr_storage& group, const std::string& interface_name) {
    int joined = 0;
    for (const Interface& i : interfaces_to_join(interface_name)) {
        int failed;
        if (group.ss_family == AF_INET6) {
            if (i.index6 == 0) continue;
            ipv6_mreq m{};
            m.ipv6mr_multiaddr = reinterpret_cast<const sockaddr_in6&>(group).sin6_addr;
            m.ipv6mr_interface = i.index6;
            failed = setsockopt(fd, IPPROTO_IPV6, IPV6_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&m), sizeof m);
        } else {
            if (i.v4.s_addr == 0) continue;
            ip_mreq m{};
            m.imr_multiaddr = reinterpret_cast<const sockaddr_in&>(group).sin_addr;
            m.imr_interface = i.v4;
            failed = setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&m), sizeof m);
        }
        joined += failed == 0;
    }
    return joined;
}

bool is_multicast(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET6) return reinterpret_cast<const sockaddr_in6&>(a).sin6_addr.s6_addr[0] == 0xff;
    return (ntohl(reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr) >> 28) == 0xe;
}

}  // namespace

UdpOpen udp_socket_open(UdpSocket& s, const UdpAddress& address, const std::string& interface_name, std::string& error) {
    s = UdpSocket{};
    if (!winsock_started()) {
        error = "cannot start Winsock";
        return UdpOpen::failed;
    }
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    const std::string port = std::to_string(address.port);
    if (getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found) != 0) {
        error = "cannot find " + address.host + ": " + wsa_text(WSAGetLastError());
        return UdpOpen::failed;
    }
    sockaddr_storage where{};
    memcpy(&where, found->ai_addr, found->ai_addrlen);
    const int length = int(found->ai_addrlen);
    freeaddrinfo(found);
    SOCKET fd = socket(where.ss_family, SOCK_DGRAM, IPPROTO_UDP);
    if (fd == INVALID_SOCKET) {
        error = "cannot open a socket: " + wsa_text(WSAGetLastError());
        return UdpOpen::failed;
    }
    s.handle = intptr_t(fd);
    s.multicast = is_multicast(where);
    SetHandleInformation(reinterpret_cast<HANDLE>(fd), HANDLE_FLAG_INHERIT, 0);
    const int on = 1, buffer = udp_receive_buffer;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer), sizeof buffer);
    // A unicast port for this process alone; a group shared with every listener.
    setsockopt(fd, SOL_SOCKET, s.multicast ? SO_REUSEADDR : SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
               sizeof on);
    // An ICMP "port unreachable" of an earlier send must not fail the next receive.
    DWORD off = 0, returned = 0;
    WSAIoctl(fd, _WSAIOW(IOC_VENDOR, 12) /* SIO_UDP_CONNRESET */, &off, sizeof off, nullptr, 0, &returned, nullptr, nullptr);
    u_long nonblocking = 1;
    ioctlsocket(fd, FIONBIO, &nonblocking);
    // Windows binds a group's port on every address, not on the group.
    sockaddr_storage bound = where;
    if (s.multicast) {
        if (where.ss_family == AF_INET6) reinterpret_cast<sockaddr_in6&>(bound).sin6_addr = in6addr_any;
        else reinterpret_cast<sockaddr_in&>(bound).sin_addr.s_addr = htonl(INADDR_ANY);
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&bound), length) != 0) {
        const int e = WSAGetLastError();
        udp_socket_close(s);
        error = wsa_text(e);
        return e == WSAEADDRINUSE || e == WSAEACCES ? UdpOpen::in_use : UdpOpen::failed;
    }
    if (!s.multicast) return UdpOpen::ok;
    return udp_socket_joined(s, join_group(fd, where, interface_name), interface_name, error);
}

void udp_socket_close(UdpSocket& s) {
    if (s.handle != -1) closesocket(SOCKET(s.handle));
    s.handle = -1;
}

UdpReceive udp_socket_receive(const UdpSocket& s, uint8_t* buffer, size_t capacity, size_t& size) {
    int n = recv(SOCKET(s.handle), reinterpret_cast<char*>(buffer), int(capacity), 0);
    if (n == SOCKET_ERROR) {
        const int e = WSAGetLastError();
        if (e == WSAEMSGSIZE) return UdpReceive::oversized;
        if (e == WSAEWOULDBLOCK || e == WSAEINTR || e == WSAECONNRESET || e == WSAENETRESET) return UdpReceive::none;
        return UdpReceive::failed;
    }
    size = size_t(n);
    return UdpReceive::datagram;
}
