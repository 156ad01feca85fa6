#include "feed/udp_address.h"

#include <cctype>

namespace {

bool digits_only(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool parse_port(std::string_view s, uint16_t& port) {
    if (!digits_only(s) || s.size() > 5) return false;
    unsigned v = 0;
    for (char c : s) v = v * 10 + unsigned(c - '0');
    if (v == 0 || v > 65535) return false;
    port = uint16_t(v);
    return true;
}

// A host name: letters, digits, '-' and '.', not starting with either of the last two.
bool host_name(std::string_view s) {
    if (s.empty() || s.size() > 253 || s[0] == '-' || s[0] == '.') return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') return false;
    return true;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Sets host, ipv6 and multicast from a host without brackets.
bool take_host(std::string_view host, UdpAddress& a) {
    uint8_t b[16];
    a.host = std::string(host);
    a.ipv6 = false;
    a.multicast = false;
    if (udp_ipv4_literal(host, b)) {
        a.multicast = b[0] >= 224 && b[0] <= 239;
        return true;
    }
    if (udp_ipv6_literal(host, b)) {
        a.ipv6 = true;
        a.multicast = b[0] == 0xff;
        return true;
    }
    // Digits and dots alone are an IPv4 address or nothing.
    return host_name(host) && host.find_first_not_of("0123456789.") != std::string_view::npos;
}

}  // namespace

bool udp_ipv4_literal(std::string_view s, uint8_t bytes[4]) {
    int part = 0;
    size_t i = 0;
    for (; part < 4; part++) {
        size_t start = i;
        unsigned v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) v = v * 10 + unsigned(s[i++] - '0');
        if (i == start || v > 255) return false;
        bytes[part] = uint8_t(v);
        if (part < 3) {
            if (i >= s.size() || s[i] != '.') return false;
            i++;
        }
    }
    return i == s.size();
}

bool udp_ipv6_literal(std::string_view s, uint8_t bytes[16]) {
    uint16_t groups[8] = {};
    int count = 0, gap = -1;  // groups read; where "::" stands
    size_t i = 0;
    if (s.size() < 2 || s.size() > 45) return false;
    if (s.substr(0, 2) == "::") {
        gap = 0;
        i = 2;
    } else if (s[0] == ':') {
        return false;
    }
    while (i < s.size()) {
        if (count == 8) return false;
        // A dotted IPv4 tail fills the last two groups.
        size_t end = s.find(':', i);
        std::string_view word = s.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
        uint8_t v4[4];
        if (end == std::string_view::npos && word.find('.') != std::string_view::npos) {
            if (count > 6 || !udp_ipv4_literal(word, v4)) return false;
            groups[count++] = uint16_t(v4[0] << 8 | v4[1]);
            groups[count++] = uint16_t(v4[2] << 8 | v4[3]);
            i = s.size();
            break;
        }
        if (word.empty() || word.size() > 4) return false;
        unsigned v = 0;
        for (char c : word) {
            int h = hex_value(c);
            if (h < 0) return false;
            v = v << 4 | unsigned(h);
        }
        groups[count++] = uint16_t(v);
        i += word.size();
        if (i == s.size()) break;
        i++;  // the ':'
        if (i < s.size() && s[i] == ':') {
            if (gap >= 0) return false;
            gap = count;
            i++;
        } else if (i == s.size()) {
            return false;  // a single ':' at the end
        }
    }
    if (gap < 0 && count != 8) return false;
    if (gap >= 0 && count > 7) return false;
    uint16_t full[8] = {};
    int tail = gap < 0 ? 0 : count - gap;
    for (int k = 0; k < count - tail; k++) full[k] = groups[k];
    for (int k = 0; k < tail; k++) full[8 - tail + k] = groups[count - tail + k];
    for (int k = 0; k < 8; k++) {
        bytes[2 * k] = uint8_t(full[k] >> 8);
        bytes[2 * k + 1] = uint8_t(full[k]);
    }
    return true;
}

bool udp_address_parse(std::string_view text, UdpAddress& a) {
    a = UdpAddress{};
    if (text.empty()) return false;
    if (text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string_view::npos || !take_host(text.substr(1, close - 1), a) || !a.ipv6) return false;
        std::string_view rest = text.substr(close + 1);
        return rest.empty() || (rest[0] == ':' && parse_port(rest.substr(1), a.port));
    }
    size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos)
        return take_host(text, a) && a.ipv6;  // bare IPv6, port 2237
    if (colon == 0) return parse_port(text.substr(1), a.port);  // 127.0.0.1
    if (colon != std::string_view::npos) return take_host(text.substr(0, colon), a) && parse_port(text.substr(colon + 1), a.port);
    return take_host(text, a);
}

bool udp_address_word(std::string_view word, bool is_path) {
    UdpAddress a;
    if (!udp_address_parse(word, a)) return false;
    uint8_t b[16];
    if (udp_ipv4_literal(a.host, b) || a.ipv6 || word.find(':') != std::string_view::npos || a.host == "localhost")
        return true;
    return !is_path;
}

std::string udp_address_text(const UdpAddress& a) {
    std::string host = a.ipv6 ? "[" + a.host + "]" : a.host;
    return host + ":" + std::to_string(a.port);
}
