// skerrow-feed --follow --udp as a process, fed datagrams built byte for byte
// over loopback: the three decoders' messages, bands from each Id's Status,
// replays, recorded files, midnight, broken datagrams, files and datagrams
// together, a port already taken; and a multicast group shared by two
// feeders inside a network namespace of the test's own.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/feed_process.h"
#include "support/udp_datagram.h"
#include "support/udp_loopback.h"

namespace {

using namespace feed_test;

constexpr int64_t day = 1700006400;  // 2023-11-15 00:00:00 UTC

class FeedUdpTest : public FeedProcessTest {
protected:
    void SetUp() override {
        FeedProcessTest::SetUp();
        set_clock(day + 12 * 3600 + 30);
        port = udp_free_port();
    }
    // The feeder with HOME in the test's folder (no decoder folder unless made) and the test's clock.
    pid_t start_feed(std::vector<std::string> args, const std::string& out = "spots.log",
                     const std::string& errors_name = "feed.err") {
        args.insert(args.begin(), {"-o", folder + "/" + out});
        return start(args, {"HOME=" + folder, clock_env()}, errors_name);
    }
    // Starts a unicast listener and waits until it listens: it opens its
    // socket before it first writes the log (no probe takes the port meanwhile).
    void listen(std::vector<std::string> args) {
        args.insert(args.begin(), {"--follow", "--udp", ":" + std::to_string(port)});
        pid = start_feed(args);
        ASSERT_TRUE(wait_until([&] { return fs::exists(folder + "/spots.log"); }, 10000)) << errors();
        ASSERT_TRUE(udp_port_taken(port)) << errors();
    }
    void send(const std::vector<std::string>& datagrams) { ASSERT_TRUE(udp_send("127.0.0.1", port, datagrams)); }
    // Ends the feeder with SIGTERM: its exit code.
    int stop(pid_t& which) {
        kill(which, SIGTERM);
        return finish(which);
    }
    // Sends a last decode, waits for it, and stops the feeder: everything before it has been taken.
    void finish_with(const std::string& id, uint32_t ms) {
        send({udp_decode(id, ms, 0, "~", "CQ Z9END AA00")});
        ASSERT_TRUE(wait_until([&] { return log_text().find("Z9END,") != std::string::npos; }, 10000)) << log_text();
        EXPECT_EQ(stop(pid), 0);
    }
    std::string log_text() const { return file_text(folder + "/spots.log"); }
    uint16_t port = 0;
};

TEST_F(FeedUdpTest, TheThreeDecodersMessagesBecomeSpotsOnceEach) {
    listen({});
    const uint32_t t = udp_ms(12, 0, 0);
    UdpDatagram cut_text = udp_header(2, "WSJT-X");  // a message longer than the datagram says
    cut_text.boolean(true).u32(t).i32(-1).real(0).u32(100).text("~").u32(65000).text("CQ K9BAD EN50");
    std::string big = udp_decode("WSJT-X", t, -9, "~", "CQ W9BIG EN61") + std::string(60000, '\0');  // extra bytes ignored
    send({
        udp_heartbeat("WSJT-X", "2.6.1", "abc123"),
        udp_heartbeat("JTDX", "2.2.159", nullptr),
        udp_wsjtx_status("WSJT-X", 14074000, "FT8"),
        udp_decode("WSJT-X", t, -7, "~", "CQ K1ABC FN42"),
        udp_decode("WSJT-X", t, -7, "~", "CQ K1ABC FN42", false),  // replayed
        udp_jtdx_status("JTDX", 7074000, "FT8", true),
        udp_decode("JTDX", t + 15000, -18, "~", "N0CALL DL1ABC JO62"),
        udp_wsjtx_status("WSJT-X", 14080000, "FT4"),
        udp_decode("WSJT-X", t + 7500, 3, "+", "W1AW G4ABC IO91"),
        udp_wsjtx_status("MSHV", 50313000, "JT65"),
        udp_decode("MSHV", t + 60000, -22, "JT65", "CQ JA1ABC PM95"),
        udp_decode("MSHV", t + 61000, 4, "MSK144", "W1AW OH2ABC R-03"),
        udp_wspr_decode("WSJT-X", udp_ms(11, 58, 0), -25, 14097050, "<PA1ABC>", "JO22", 37),
        udp_decode("WSJT-X", t, -15, "~", "CQ VK2XYZ QF56", true, true),  // from a recorded file
        udp_decode("WSJT-X", t, 99, "~", "CQ K9SNR EN50"),                // absurd SNR
        udp_decode("WSJT-X", t, -1, "~", "CQ K9CUT EN50").substr(0, 50),  // truncated
        cut_text.bytes,
        big,
        std::string(65000, '\xad'),  // big and no message at all
    });
    finish_with("WSJT-X", t + 120000);
    EXPECT_EQ(count(log_text(), "\r\n"), 9u) << log_text();
    for (const char* record : {"K1ABC,FN42,12:00:00,-7,\r\n", "DL1ABC,JO62,12:00:15,-18,\r\n", "G4ABC,IO91,12:00:07,3,\r\n",
                               "JA1ABC,PM95,12:01:00,-22,\r\n", "OH2ABC,50.3130,12:01:01,4,\r\n",
                               "PA1ABC,JO22,11:58:00,-25,\r\n", "W9BIG,EN61,12:00:00,-9,\r\n"})
        EXPECT_EQ(count(log_text(), record), 1u) << record << log_text();
    EXPECT_EQ(log_text().find("VK2XYZ"), std::string::npos);
    EXPECT_EQ(log_text().find("K9"), std::string::npos);
    EXPECT_NE(errors().find("; 20 datagrams, 4 not understood, 0 decodes of no known band, 1 off the air left out\n"),
              std::string::npos)
        << errors();
}

TEST_F(FeedUdpTest, EachIdsBandIsThatOfItsLatestStatus) {
    listen({"--band", "14", "--mode", "ft8"});
    const uint32_t t = udp_ms(12, 0, 0);
    send({
        udp_decode("C", t, -1, "~", "CQ W1NOB FN31"),  // before any Status of C
        udp_wsjtx_status("A", 14074000, "FT8"),
        udp_wsjtx_status("B", 7074000, "FT8"),
        udp_decode("A", t, -5, "~", "CQ K1ABC FN42"),
        udp_decode("B", t, -6, "~", "CQ K2ABC FN41"),
        udp_decode("A", t + 7500, -5, "+", "CQ K3FT4 FN20"),  // FT4: not the mode asked for
        udp_wsjtx_status("A", 7074000, "FT8"),
        udp_wsjtx_status("B", 14074000, "FT8"),
        udp_decode("A", t + 15000, -7, "~", "CQ K4ABC EM12"),
        udp_decode("B", t + 15000, -8, "~", "CQ K5ABC EM13"),
    });
    finish_with("B", t + 30000);
    EXPECT_EQ(log_text(), header + "K1ABC,FN42,12:00:00,-5,\r\n" + "K5ABC,EM13,12:00:15,-8,\r\n" +
                              "Z9END,AA00,12:00:30,0,\r\n");
    EXPECT_NE(errors().find("1 decodes of no known band"), std::string::npos) << errors();
}

TEST_F(FeedUdpTest, ADecodeStampedBeforeMidnightHeardAfterItBelongsToTheDayBefore) {
    set_clock(day + 86400 + 5);  // 2023-11-16 00:00:05
    listen({"--day", "2023-11-15"});
    send({udp_wsjtx_status("WSJT-X", 14074000, "FT8"), udp_decode("WSJT-X", udp_ms(23, 59, 45), -3, "~", "CQ K1ABC FN42"),
          udp_decode("WSJT-X", udp_ms(0, 0, 0), -4, "~", "CQ K2ABC FN42")});  // the new day: not this log's
    finish_with("WSJT-X", udp_ms(23, 59, 30));
    EXPECT_EQ(count(log_text(), "K1ABC,FN42,23:59:45,-3,\r\n"), 1u) << log_text();
    EXPECT_EQ(count(log_text(), "\r\n"), 3u) << log_text();
}

TEST_F(FeedUdpTest, TheDecoderFolderIsCaughtUpFirstAndADecodeHeardBothWaysIsWrittenOnce) {
    fs::create_directories(folder + "/.local/share/WSJT-X");
    std::ofstream(folder + "/.local/share/WSJT-X/ALL.TXT")
        << "231115_120000    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN42\n";
    listen({});
    ASSERT_TRUE(wait_until([&] { return log_text().find("K1ABC,") != std::string::npos; }, 10000)) << errors();
    const uint32_t t = udp_ms(12, 0, 0);
    send({udp_wsjtx_status("WSJT-X", 14074000, "FT8"), udp_decode("WSJT-X", t, -10, "~", "CQ K1ABC FN42"),
          udp_decode("WSJT-X", t, -12, "~", "CQ G4ABC IO91")});
    std::ofstream(folder + "/.local/share/WSJT-X/ALL.TXT", std::ios::app)
        << "231115_120000    14.074 Rx FT8    -12  0.3 1500 CQ G4ABC IO91\n";
    finish_with("WSJT-X", t + 15000);
    EXPECT_EQ(count(log_text(), "K1ABC,"), 1u) << log_text();
    EXPECT_EQ(count(log_text(), "G4ABC,"), 1u) << log_text();
}

TEST_F(FeedUdpTest, APortTakenIsSaidOnceAndWithNoOtherInputEndsTheFeeder) {
    const int holder = udp_hold_port(port);
    ASSERT_GE(holder, 0);
    const std::string said = "skerrow-feed: another program already listens on port " + std::to_string(port) +
                             " (127.0.0.1:" + std::to_string(port) +
                             "); to share the decodes, set a multicast group such as 239.255.0.1 as the UDP server in "
                             "the decoder and in every program that listens, and start skerrow-feed with --udp "
                             "239.255.0.1:" + std::to_string(port) + "\n";
    pid = start_feed({"--follow", "--udp", ":" + std::to_string(port)});
    EXPECT_EQ(finish(), 1);
    EXPECT_EQ(errors(), said);
    // With a file to read it goes on with that.
    std::ofstream(folder + "/ALL.TXT") << "231115_120000    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN42\n";
    pid = start_feed({"--udp", "127.0.0.1:" + std::to_string(port), folder + "/ALL.TXT"});
    ASSERT_TRUE(wait_until([&] { return log_text().find("K1ABC,") != std::string::npos; }, 10000)) << errors();
    EXPECT_EQ(stop(pid), 0);
    EXPECT_EQ(count(errors(), "another program"), 1u) << errors();
    close(holder);
    // --udp listens until stopped: --once is no option for it.
    EXPECT_EQ(run({"--once", "--udp"}), 2);
}

// Brings up loopback with multicast in this process's new network namespace.
bool loopback_multicast_up(std::string& why) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq r{};
    std::strcpy(r.ifr_name, "lo");
    r.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING | IFF_MULTICAST;
    bool ok = fd >= 0 && ioctl(fd, SIOCSIFFLAGS, &r) == 0;
    if (!ok) why = std::string("cannot bring up lo: ") + std::strerror(errno);
    close(fd);
    return ok;
}

// Runs `body` in a child in a network namespace of its own; its exit code,
// or 77 with the reason in `why` where no namespace can be made here.
int in_own_network(const std::function<int()>& body, const std::string& folder, std::string& why) {
    pid_t child = fork();
    if (child == 0) {
        std::string reason;
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        bool made = unshare(CLONE_NEWNET) == 0;
        if (!made && unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0) {  // not root: as root of a namespace of our own
            std::ofstream("/proc/self/setgroups") << "deny";
            std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
            std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
            made = true;
        }
        if (!made) reason = std::string("cannot make a network namespace: ") + std::strerror(errno);
        if (made && !loopback_multicast_up(reason)) made = false;
        if (!made) {
            std::ofstream(folder + "/why") << reason;
            _exit(77);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) why = file_text(folder + "/why");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FeedUdpTest, TwoListenersOnAGroupBothGetEveryDecode) {
    const std::string group = "239.255.0.1";
    std::string why;
    // In the child: exit codes 0 fine, 1 a feeder never got the first decode, 2 one not all.
    int result = in_own_network(
        [&]() -> int {
            const std::string address = group + ":" + std::to_string(port);
            pid_t one = start_feed({"--udp", address}, "one.log", "one.err");
            pid_t two = start_feed({"--udp", address}, "two.log", "two.err");
            auto has = [&](const char* name, const std::string& what) {
                return file_text(folder + "/" + name).find(what) != std::string::npos;
            };
            // Both have joined once both take a first decode, sent until they do.
            bool joined = wait_until(
                [&] {
                    udp_send(group, port, {udp_wsjtx_status("WSJT-X", 14074000, "FT8"),
                                            udp_decode("WSJT-X", udp_ms(12, 0, 0), -1, "~", "CQ K0JOIN EN10")});
                    return has("one.log", "K0JOIN,") && has("two.log", "K0JOIN,");
                },
                10000);
            std::vector<std::string> decodes;
            for (int i = 0; i < 50; i++)
                decodes.push_back(udp_decode("WSJT-X", udp_ms(12, 0, 15), -10, "~", "CQ K" + std::to_string(i) + "ABC FN42"));
            decodes.push_back(udp_decode("WSJT-X", udp_ms(12, 0, 30), 0, "~", "CQ Z9END AA00"));
            udp_send(group, port, decodes);
            bool all = joined && wait_until([&] { return has("one.log", "Z9END,") && has("two.log", "Z9END,"); }, 10000);
            stop(one);
            stop(two);
            return !joined ? 1 : !all ? 2 : 0;
        },
        folder, why);
    if (result == 77) GTEST_SKIP() << why;
    ASSERT_EQ(result, 0) << file_text(folder + "/one.err") << file_text(folder + "/two.err");
    for (const char* name : {"/one.log", "/two.log"}) {
        const std::string text = file_text(folder + name);
        EXPECT_EQ(count(text, "ABC,FN42,12:00:15,-10,"), 50u) << name;
        EXPECT_EQ(count(text, "\r\n"), 53u) << name;
    }
}

}  // namespace
