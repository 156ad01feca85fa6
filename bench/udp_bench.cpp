// The two ends of scripts/bench-udp.sh on loopback:
//   udp_bench send PORT RATE SECONDS   a Status, then RATE decodes a second for
//                                       SECONDS, each of its own call, at a steady pace
//   udp_bench sink PORT COUNT          receives COUNT datagrams and nothing more:
//                                       the floor the feeder's CPU time is set beside
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "tests/support/udp_datagram.h"

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A call of its own for each number: K, a digit, three letters and more as needed.
std::string call_of(long i) {
    std::string call = "K" + std::to_string(i % 10);
    for (long n = i / 10; call.size() < 5 || n > 0; n /= 26) call += char('A' + n % 26);
    return call;
}

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int send(int port, long rate, long seconds) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to = loopback(port);
    auto put = [&](const std::string& d) {
        return sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == ssize_t(d.size());
    };
    const time_t now = std::time(nullptr);
    const uint32_t ms = uint32_t(now % 86400 / 15 * 15 * 1000);  // this slot of the day
    long failed = !put(udp_wsjtx_status("WSJT-X", 14074000, "FT8"));
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const long total = rate * seconds;
    for (long i = 0; i < total; i++) {
        // Datagram i leaves at start + i / rate.
        long long at = (long long)start.tv_sec * 1000000000 + start.tv_nsec + i * 1000000000LL / rate;
        timespec when{time_t(at / 1000000000), long(at % 1000000000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
        failed += !put(udp_decode("WSJT-X", ms, int32_t(i % 40) - 24, "~", "CQ " + call_of(i) + " FN42"));
    }
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    std::printf("sent %ld decodes in %.3f s (%ld failed)\n", total,
                double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9, failed);
    return failed != 0;
}

int sink(int port, long count) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at = loopback(port);
    int buffer = 4 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return 1;
    timeval idle{5, 0};  // the sender stopped: give up
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
    char datagram[65536];
    long got = 0;
    while (got < count && recv(fd, datagram, sizeof datagram, 0) >= 0) got++;
    std::printf("%ld %.3f\n", got, cpu_seconds());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "send" && argc == 5) return send(std::atoi(argv[2]), std::atol(argv[3]), std::atol(argv[4]));
    if (mode == "sink" && argc == 4) return sink(std::atoi(argv[2]), std::atol(argv[3]));
    std::fputs("usage: udp_bench send PORT RATE SECONDS | sink PORT COUNT\n", stderr);
    return 2;
}
