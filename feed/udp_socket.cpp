// What the datagram socket does alike on every system.
#include "feed/udp_socket.h"

UdpOpen udp_socket_joined(UdpSocket& s, int joined, const std::string& interface_name, std::string& error) {
    s.joined = joined;
    if (joined > 0) return UdpOpen::ok;
    udp_socket_close(s);
    error = interface_name.empty() ? "cannot join the group on any interface"
                                   : "cannot join the group on " + interface_name;
    return UdpOpen::failed;
}
