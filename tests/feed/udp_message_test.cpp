// The decoders' datagrams: the reader over every message the three decoders
// send and over broken ones, the address after --udp, and the spot a decode makes.
#include <gtest/gtest.h>

#include "feed/udp_address.h"
#include "feed/udp_message.h"
#include "feed/udp_spot.h"
#include "tests/support/udp_datagram.h"

namespace {

std::string record_of(const FeedSpot& spot) {
    char record[feed_record_max];
    return std::string(record, feed_record(spot, record));
}

// The message's texts are views of the bytes: they stay here until the next parse.
std::string held;

UdpParse parse(const std::string& bytes, UdpMessage& m) {
    held = bytes;
    return udp_message_parse(reinterpret_cast<const uint8_t*>(held.data()), held.size(), m);
}

TEST(UdpMessage, ReadsTheMessagesOfTheThreeDecoders) {
    UdpMessage m;
    ASSERT_EQ(parse(udp_wsjtx_status("WSJT-X", 14074000, "FT8"), m), UdpParse::ok);
    EXPECT_EQ(m.kind, UdpKind::status);
    EXPECT_EQ(m.id, "WSJT-X");
    EXPECT_EQ(m.dial_hz, 14074000u);
    EXPECT_EQ(m.mode, "FT8");
    EXPECT_EQ(m.de_call, "N0CALL");
    EXPECT_EQ(m.period_s, 15u);
    EXPECT_FALSE(m.has_tx_first);

    ASSERT_EQ(parse(udp_jtdx_status("JTDX", 7074000, "FT8", true), m), UdpParse::ok);
    EXPECT_TRUE(m.has_tx_first && m.tx_first);
    EXPECT_EQ(m.de_grid, "FN20");
    EXPECT_EQ(m.period_s, 0u);

    ASSERT_EQ(parse(udp_heartbeat("JTDX", "2.2.159", nullptr), m), UdpParse::ok);  // JTDX: no revision
    EXPECT_EQ(m.kind, UdpKind::heartbeat);
    EXPECT_EQ(m.version, "2.2.159");
    EXPECT_EQ(m.revision, "");
    ASSERT_EQ(parse(udp_heartbeat("WSJT-X", "2.6.1", "abc123"), m), UdpParse::ok);
    EXPECT_EQ(m.revision, "abc123");

    ASSERT_EQ(parse(udp_decode("WSJT-X", udp_ms(12, 34, 45), -7, "~", "CQ K1ABC FN42", false, true), m), UdpParse::ok);
    EXPECT_EQ(m.kind, UdpKind::decode);
    EXPECT_EQ(m.time_ms, udp_ms(12, 34, 45));
    EXPECT_EQ(m.snr, -7);
    EXPECT_DOUBLE_EQ(m.delta_time, 0.2);
    EXPECT_EQ(m.delta_hz, 1234u);
    EXPECT_EQ(m.message, "CQ K1ABC FN42");
    EXPECT_FALSE(m.is_new);
    EXPECT_TRUE(m.off_air);

    ASSERT_EQ(parse(udp_wspr_decode("WSJT-X", udp_ms(8, 2, 0), -25, 14097050, "<PA1ABC>", "JO22", 37), m), UdpParse::ok);
    EXPECT_EQ(m.kind, UdpKind::wspr_decode);
    EXPECT_EQ(m.frequency_hz, 14097050u);
    EXPECT_EQ(m.call, "<PA1ABC>");
    EXPECT_EQ(m.power_dbm, 37);

    for (uint32_t type : {3u, 6u, 5u, 99u}) {  // Clear, Close, a logged QSO, a type of tomorrow
        ASSERT_EQ(parse(udp_header(type, "WSJT-X").u8(1).bytes, m), UdpParse::ok) << type;
        EXPECT_EQ(m.kind, type == 3 ? UdpKind::clear : type == 6 ? UdpKind::close : UdpKind::other);
    }
}

TEST(UdpMessage, OptionalTrailingFieldsKeepTheirDefaultsAndExtraBytesAreIgnored) {
    UdpMessage m;
    UdpDatagram old = udp_header(2, "WSJT-X", 1);  // no low confidence, no off air
    old.boolean(true).u32(udp_ms(1, 0, 0)).i32(-3).real(0.1).u32(700).text("~").text("W1AW K1ABC -05");
    ASSERT_EQ(parse(old.bytes, m), UdpParse::ok);
    EXPECT_FALSE(m.off_air);
    std::string longer = udp_decode("WSJT-X", 0, -3, "~", "W1AW K1ABC -05") + std::string(60000, '\x7f');
    EXPECT_EQ(parse(longer, m), UdpParse::ok);
    UdpDatagram first_status = udp_header(1, "old");  // the first Status: up to transmitting
    first_status.u64(10136000).text("FT8").text("").text("").text("FT8").boolean(false).boolean(false);
    EXPECT_EQ(parse(first_status.bytes, m), UdpParse::ok);
}

TEST(UdpMessage, PassesOverBrokenDatagramsSayingWhy) {
    const std::string decode = udp_decode("WSJT-X", udp_ms(12, 0, 0), -10, "~", "CQ K1ABC FN42");
    UdpDatagram huge_text = udp_header(2, "WSJT-X");
    huge_text.boolean(true).u32(0).i32(0).real(0).u32(0).text("~").u32(0x7ffffff0).text("x");
    UdpDatagram null_message = udp_header(2, "WSJT-X");
    null_message.boolean(true).u32(0).i32(0).real(0).u32(0).text("~").null_text().boolean(false).boolean(false);
    UdpDatagram nan_dt = udp_header(2, "WSJT-X");
    nan_dt.boolean(true).u32(0).i32(0).real(0.0 / 0.0).u32(0).text("~").text("CQ K1ABC FN42");
    struct Case {
        std::string bytes;
        UdpParse expected;
    } cases[] = {
        {"", UdpParse::bad_magic},
        {std::string("\xad\xbc\xcb", 3), UdpParse::bad_magic},
        {"\xde\xad\xbe\xef" + decode.substr(4), UdpParse::bad_magic},
        {udp_header(2, "WSJT-X", 4).bytes, UdpParse::unknown_schema},
        {udp_header(2, "WSJT-X", 0).bytes, UdpParse::unknown_schema},
        {decode.substr(0, 10), UdpParse::truncated},
        {decode.substr(0, decode.size() - 3), UdpParse::truncated},  // cut inside the message
        {decode.substr(0, 40), UdpParse::truncated},
        {udp_header(0, "WSJT-X").bytes, UdpParse::truncated},         // a Heartbeat without its schema
        {udp_wsjtx_status("X", 14074000, "FT8").substr(0, 60), UdpParse::truncated},
        {udp_jtdx_status("X", 14074000, "FT8", false) + "\x01\x02", UdpParse::truncated},  // special op, half a tolerance
        {huge_text.bytes, UdpParse::truncated},
        {UdpDatagram{}.u32(0xadbccbda).u32(2).u32(2).null_text().bytes, UdpParse::null_text},
        {null_message.bytes, UdpParse::null_text},
        {udp_decode("X", udp_ms(12, 0, 0), 120, "~", "CQ K1ABC FN42"), UdpParse::absurd},
        {udp_decode("X", 86400000, -1, "~", "CQ K1ABC FN42"), UdpParse::absurd},
        {nan_dt.bytes, UdpParse::absurd},
        {udp_wsjtx_status("X", 0, "FT8"), UdpParse::absurd},
        {udp_wspr_decode("X", 0, -20, 999'000'000'000'000, "K1ABC", "FN42", 30), UdpParse::absurd},
    };
    for (const Case& c : cases) {
        UdpMessage m;
        EXPECT_EQ(parse(c.bytes, m), c.expected) << ::testing::PrintToString(c.bytes);
    }
}

TEST(UdpAddress, ReadsEveryFormAndTellsGroupsApart) {
    struct Case {
        const char* text;
        const char* host;
        uint16_t port;
        bool ipv6, multicast;
    } cases[] = {
        {"127.0.0.1", "127.0.0.1", 2237, false, false},
        {"239.255.0.1:2238", "239.255.0.1", 2238, false, true},
        {"224.0.0.1", "224.0.0.1", 2237, false, true},
        {"240.0.0.1", "240.0.0.1", 2237, false, false},
        {":2240", "127.0.0.1", 2240, false, false},
        {"[::1]:2241", "::1", 2241, true, false},
        {"[ff02::1]", "ff02::1", 2237, true, true},
        {"ff05::c", "ff05::c", 2237, true, true},
        {"::ffff:127.0.0.1", "::ffff:127.0.0.1", 2237, true, false},
        {"fe80:0:0:0:0:0:0:1", "fe80:0:0:0:0:0:0:1", 2237, true, false},
        {"localhost:2237", "localhost", 2237, false, false},
        {"radio-pc", "radio-pc", 2237, false, false},
    };
    const char* wrong[] = {"", ":0", ":65536", ":x", "1.2.3", "256.1.1.1", "[1.2.3.4]:1", "[::1]x", "1:2:3", "::1::2",
                           "1:2:3:4:5:6:7:8:9", "host:", "a/b"};
    for (const char* text : wrong) {
        UdpAddress a;
        EXPECT_FALSE(udp_address_parse(text, a)) << text;
    }
    for (const Case& c : cases) {
        UdpAddress a;
        ASSERT_TRUE(udp_address_parse(c.text, a)) << c.text;
        EXPECT_EQ(a.host, c.host) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
        EXPECT_EQ(a.ipv6, c.ipv6) << c.text;
        EXPECT_EQ(a.multicast, c.multicast) << c.text;
    }
    EXPECT_EQ(udp_address_text(UdpAddress{"::1", 2237, true, false}), "[::1]:2237");
    // After --udp: an address, or the first input?
    EXPECT_TRUE(udp_address_word("239.255.0.1", false));
    EXPECT_TRUE(udp_address_word(":2237", true));
    EXPECT_TRUE(udp_address_word("localhost", true));
    EXPECT_TRUE(udp_address_word("radio-pc", false));
    EXPECT_FALSE(udp_address_word("radio-pc", true));  // a folder of that name
    EXPECT_FALSE(udp_address_word("/home/op/.local/share/WSJT-X", false));
    EXPECT_FALSE(udp_address_word("C:\\WSJT-X", false));
}

TEST(UdpSpot, PlacesTheTimeOfDayOnTheNearestDate) {
    const int64_t day = 1700006400;  // a midnight, UTC
    struct Case {
        uint32_t ms;
        int64_t now, when;
    } cases[] = {
        {udp_ms(12, 0, 0), day + 43230, day + 43200},
        {udp_ms(23, 59, 45), day + 86400 + 5, day + 86385},  // heard after midnight: the day before
        {udp_ms(0, 0, 0), day - 1, day},                      // a clock a second slow: the next day
        {udp_ms(0, 0, 15) + 999, day + 20, day + 15},
    };
    for (const Case& c : cases) EXPECT_EQ(udp_when(c.ms, c.now), c.when) << c.ms;
}

TEST(UdpSpot, MakesTheSpotOfADecodeWithTheBandOfItsIdsStatus) {
    const int64_t now = 1700006400 + 43300;
    UdpStations stations;
    FeedSpot spot;
    auto take = [&](const std::string& bytes, bool off_air = false) {
        UdpMessage m;
        EXPECT_EQ(parse(bytes, m), UdpParse::ok);
        return udp_take(stations, m, now, off_air, spot);
    };
    EXPECT_EQ(take(udp_decode("A", udp_ms(12, 0, 0), -5, "~", "CQ K1ABC FN42")), UdpSpot::no_band);
    EXPECT_EQ(spot.call, "K1ABC");
    EXPECT_EQ(spot.aux, "FN42");
    EXPECT_EQ(take(udp_wsjtx_status("A", 14074000, "FT8")), UdpSpot::none);
    EXPECT_EQ(take(udp_jtdx_status("B", 7074000, "FT4", false)), UdpSpot::none);
    struct Case {
        std::string bytes;
        UdpSpot result;
        const char* record;
        double dial_mhz;
        const char* mode;
    } cases[] = {
        {udp_decode("A", udp_ms(12, 0, 0), -5, "~", "W1AW K1ABC -12"), UdpSpot::spot, "K1ABC,14.0740,12:00:00,-5,\r\n", 14.074, "FT8"},
        {udp_decode("B", udp_ms(12, 0, 7) + 500, 3, "+", "CQ DX G4ABC IO91"), UdpSpot::spot, "G4ABC,IO91,12:00:07,3,\r\n", 7.074, "FT4"},
        {udp_decode("A", udp_ms(12, 0, 15), -20, "JT65", "CQ <PJ4/K1ABC>"), UdpSpot::spot, "PJ4/K1ABC,14.0740,12:00:15,-20,\r\n", 14.074, "JT65"},
        {udp_wspr_decode("A", udp_ms(11, 58, 0), -27, 10140210, "<DL1ABC>", "JO62qm", 23), UdpSpot::spot, "DL1ABC,JO62qm,11:58:00,-27,\r\n", 10.14021, "WSPR"},
        {udp_wspr_decode("A", udp_ms(11, 58, 0), -27, 10140210, "...", "", 23), UdpSpot::no_call, "", 0, ""},
        {udp_decode("A", udp_ms(12, 0, 0), -5, "~", "TNX 73 GL"), UdpSpot::no_call, "", 0, ""},
        {udp_decode("A", udp_ms(12, 0, 0), -5, "~", "CQ K1ABC FN42", true, true), UdpSpot::off_air, "", 0, ""},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(take(c.bytes), c.result) << c.record;
        if (c.result != UdpSpot::spot) continue;
        EXPECT_EQ(record_of(spot), c.record);
        EXPECT_NEAR(spot.dial_mhz, c.dial_mhz, 1e-9);
        EXPECT_EQ(spot.mode, c.mode);
    }
    EXPECT_EQ(take(udp_decode("A", udp_ms(12, 0, 0), -5, "~", "CQ K1ABC FN42", true, true), true), UdpSpot::spot);
}

TEST(UdpSpot, RemembersABoundedNumberOfInstances) {
    UdpStations stations;
    FeedSpot spot;
    for (int i = 0; i < 1000; i++) {
        UdpMessage m;
        const std::string bytes = udp_wsjtx_status(std::to_string(i) + std::string(200, 'x'), 14074000, "FT8");
        ASSERT_EQ(parse(bytes, m), UdpParse::ok);
        udp_take(stations, m, 0, false, spot);
    }
    EXPECT_EQ(stations.stations.size(), udp_stations_max);
    for (const UdpStation& s : stations.stations) EXPECT_LE(s.id.size(), udp_id_max);
}

}  // namespace
