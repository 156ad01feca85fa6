// The datagram socket on Windows, over loopback: a unicast port held for this
// process alone, datagrams drained into spots, and skerrow-feed.exe --udp
// keeping a spot log from them.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "feed/udp_source.h"
#include "tests/support/file_text.h"
#include "tests/support/udp_datagram.h"
#include "tests/support/udp_loopback.h"
#include "tests/support/wait_until.h"

namespace {

class UdpSocketWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        source.address.port = udp_free_port();
    }
    void TearDown() override {
        udp_source_close(source);
        WSACleanup();
    }
    UdpSource source;
};

TEST_F(UdpSocketWin32, AUnicastPortIsHeldAloneAndItsDatagramsBecomeSpots) {
    ASSERT_TRUE(udp_source_listen(source));
    UdpSocket second;
    std::string error;
    EXPECT_EQ(udp_socket_open(second, source.address, "", error), UdpOpen::in_use) << error;
    udp_socket_close(second);
    EXPECT_TRUE(udp_send("127.0.0.1", source.address.port,
                         {udp_wsjtx_status("WSJT-X", 14074000, "FT8"),
                          udp_decode("WSJT-X", udp_ms(12, 0, 0), -7, "~", "CQ K1ABC FN42"),
                          udp_decode("WSJT-X", udp_ms(12, 0, 0), -7, "~", "CQ K1ABC").substr(0, 40),
                          udp_decode("MSHV", udp_ms(12, 0, 15), 2, "JT65", "W1AW JA1ABC R-10")}));
    std::vector<FeedSpot> spots;
    ASSERT_TRUE(wait_until(
        [&] {
            udp_source_drain(source, 1700006400 + 43300, udp_batch, spots);
            return source.datagrams == 4;
        },
        10000));
    ASSERT_EQ(spots.size(), 2u);
    EXPECT_EQ(spots[0].call.view(), "K1ABC");
    EXPECT_EQ(spots[0].dial_mhz, 14.074);
    EXPECT_EQ(spots[1].call.view(), "JA1ABC");  // of no known band: no --band asked for
    EXPECT_EQ(spots[1].mode.view(), "JT65");
    EXPECT_EQ(source.not_understood, 1);
}

TEST_F(UdpSocketWin32, TheFeederKeepsASpotLogFromDatagrams) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "skerrow-feed-udp-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string log = folder + "\\spots.log", clock = folder + "\\clock";
    std::ofstream(clock) << 1700006400 + 43300;  // 2023-11-15 12:01:40
    SetEnvironmentVariableA("SKERROW_FEED_CLOCK", clock.c_str());
    SetEnvironmentVariableA("LOCALAPPDATA", folder.c_str());  // no decoder folder there
    std::string command = "\"" FEED_EXE "\" --follow --udp :" + std::to_string(source.address.port) + " -o \"" + log + "\"";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process));
    // Listening once it has written the log: it opens its socket first.
    EXPECT_TRUE(wait_until([&] { return GetFileAttributesA(log.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000));
    UdpSocket probe;
    std::string error;
    EXPECT_EQ(udp_socket_open(probe, source.address, "", error), UdpOpen::in_use);
    udp_socket_close(probe);
    EXPECT_TRUE(udp_send("127.0.0.1", source.address.port,
                         {udp_wsjtx_status("WSJT-X", 14074000, "FT8"),
                          udp_decode("WSJT-X", udp_ms(12, 0, 0), -7, "~", "CQ K1ABC FN42"),
                          udp_decode("WSJT-X", udp_ms(12, 0, 15), -9, "~", "W1AW G4ABC IO91")}));
    const bool written = wait_until([&] { return file_text(log).find("G4ABC,") != std::string::npos; }, 20000);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_TRUE(written);
    const std::string text = file_text(log);
    EXPECT_NE(text.find("K1ABC,FN42,12:00:00,-7,\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("G4ABC,IO91,12:00:15,-9,\r\n"), std::string::npos) << text;
    DeleteFileA(log.c_str());
    DeleteFileA(clock.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
