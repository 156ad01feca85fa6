#include "feed/feed_parse.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Parsed {
    FeedLine kind;
    FeedSpot spot;
};

Parsed parse(const std::string& line, FeedContext& context) {
    Parsed p;
    p.kind = feed_parse_line(line, context, p.spot);
    return p;
}

Parsed parse(const std::string& line) {
    FeedContext none;
    return parse(line, none);
}

std::string record(const FeedSpot& spot) {
    char out[feed_record_max];
    return std::string(out, feed_record(spot, out));
}

int64_t at(int y, int m, int d, int hh, int mm, int ss) {
    return feed_days_from_civil(y, m, d) * 86400 + hh * 3600 + mm * 60 + ss;
}

TEST(FeedParse, CurrentAllTxt) {
    Parsed p = parse("190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03");
    ASSERT_EQ(p.kind, FeedLine::spot);
    EXPECT_EQ(p.spot.call, "N1AW");
    EXPECT_EQ(p.spot.snr, -18);
    EXPECT_EQ(p.spot.when, at(2019, 9, 8, 5, 25, 15));
    EXPECT_EQ(p.spot.mode, "FT8");
    EXPECT_EQ(p.spot.aux, "14.0740") << "no grid: the dial frequency";
    EXPECT_EQ(record(p.spot), "N1AW,14.0740,05:25:15,-18,\r\n");
    EXPECT_EQ(parse("190908_052530    14.074 Tx FT8      0  0.0 1500 N1AW W1AW R-10").kind, FeedLine::ignored);
    EXPECT_EQ(parse("190908_052545    7.074 Rx FT4    -12  0.1  800 CQ DX K1ABC FN42").spot.aux, "FN42");
}

TEST(FeedParse, TheSenderOfAMessage) {
    EXPECT_EQ(feed_message_call("CQ W1AW EM16"), "W1AW");
    EXPECT_EQ(feed_message_call("CQ DX W1AW EM16"), "W1AW");
    EXPECT_EQ(feed_message_call("CQ POTA K1ABC FN42"), "K1ABC");
    EXPECT_EQ(feed_message_call("CQ 040 K1ABC FN42"), "K1ABC");
    EXPECT_EQ(feed_message_call("W1AW N1AW +03"), "N1AW");
    EXPECT_EQ(feed_message_call("W1AW <N1AW> RR73"), "N1AW");
    EXPECT_EQ(feed_message_call("<W1AW> N1AW/P -10"), "N1AW/P");
    EXPECT_EQ(feed_message_call("W1AW <...> -10"), "");
    EXPECT_EQ(feed_message_call("RR73"), "");
    EXPECT_EQ(feed_message_call("TNX 73 GL"), "");
    EXPECT_EQ(feed_message_call("W1AW EM16"), "") << "a grid is not a call";
    EXPECT_EQ(feed_message_grid("W1AW N1AW FN31"), "FN31");
    EXPECT_EQ(feed_message_grid("W1AW N1AW RR73"), "");
    EXPECT_FALSE(feed_plausible_call("W1\xc3\xa9W"));
    EXPECT_FALSE(feed_plausible_call("ABCDEF"));
    EXPECT_FALSE(feed_plausible_call("12345"));
}

// Words are found sixteen and sixty-four bytes at a time: a word may start,
// end or run across any of those edges, blanks may be spaces or tabs.
TEST(FeedParse, WordsAtEveryOffset) {
    for (size_t lead = 0; lead < 140; lead++)
        for (const char* gap : {" ", "\t", "  \t ", "                    "}) {
            const std::string message = std::string(lead, lead % 3 ? ' ' : '\t') + "W1AW" + gap + "VK2ABC/P" + gap + "QF56";
            ASSERT_EQ(feed_message_call(message), "VK2ABC/P") << lead << " [" << message << "]";
            ASSERT_EQ(feed_message_grid(message + gap), "QF56") << lead;
            ASSERT_EQ(feed_message_call(message.substr(0, message.size() - 5)), "VK2ABC/P") << "ends the line";
        }
    // A long line: its first words read, the rest counted (a WSPR line has at most 20).
    const std::string wspr = "200724 1252 -21  0.10  14.0971234  K1ABC FN42 37 0  0.23  1  1    0  1  45     1";
    EXPECT_EQ(parse(wspr).kind, FeedLine::spot);
    EXPECT_EQ(parse(wspr + std::string(60, ' ') + "1 2 3 4 5 6 7 8 9").kind, FeedLine::malformed) << "29 words";
    std::string many = "240312_101545    14.074 Rx FT8    -10  0.1 1500 CQ K1ABC FN42";
    for (int i = 0; i < 40; i++) many += " X";
    EXPECT_EQ(parse(many).spot.call, "K1ABC");
}

TEST(FeedParse, OldAllTxtInheritsItsHeader) {
    FeedContext c;
    EXPECT_EQ(parse("222845 -13  0.6 1430 ~  CQ W1AW EM16", c).kind, FeedLine::malformed) << "no header yet";
    EXPECT_EQ(parse("2018-01-27 22:27  14.074 MHz  FT8", c).kind, FeedLine::header);
    Parsed p = parse("222845 -13  0.6 1430 ~  CQ W1AW EM16", c);
    ASSERT_EQ(p.kind, FeedLine::spot);
    EXPECT_EQ(p.spot.when, at(2018, 1, 27, 22, 28, 45));
    EXPECT_EQ(p.spot.mode, "FT8");
    EXPECT_EQ(parse("222900  Transmitting 14.074 MHz  FT8:  CQ K1ABC FN42", c).kind, FeedLine::ignored);
    EXPECT_EQ(parse("2014-Jul-07 19:40  14.076 MHz  JT9+JT65", c).kind, FeedLine::header);
    p = parse("1950 -21  0.2 1231 # CQ KN8J EM99", c);
    ASSERT_EQ(p.kind, FeedLine::spot);
    EXPECT_EQ(p.spot.call, "KN8J");
    EXPECT_EQ(p.spot.mode, "JT65");
    EXPECT_EQ(p.spot.when, at(2014, 7, 7, 19, 50, 0));
    EXPECT_EQ(parse("1951 -19  0.2 1231 @ CQ K1ABC FN42", c).spot.mode, "JT9");
}

TEST(FeedParse, WsprInItsThreeLayouts) {
    Parsed now = parse("200724 1250 -24  0.24  28.1260734  M0UNI IO82 33           0  0.23  1  1    0  1  45     1   810");
    ASSERT_EQ(now.kind, FeedLine::spot);
    EXPECT_EQ(now.spot.call, "M0UNI");
    EXPECT_EQ(now.spot.aux, "IO82");
    EXPECT_EQ(now.spot.snr, -24);
    EXPECT_EQ(now.spot.mode, "WSPR");
    Parsed no_grid = parse("200724 1252 -21  0.10  28.1260711  <K1ABC> 37           0  0.23  1  1    0  1  45     1");
    ASSERT_EQ(no_grid.kind, FeedLine::spot);
    EXPECT_EQ(no_grid.spot.call, "K1ABC");
    EXPECT_EQ(no_grid.spot.aux, "28.1261");
    Parsed middle = parse("190110 1200  4 -19  0.31  14.0970991  W1AW FN31 37  0  1  0  1  486  0");
    ASSERT_EQ(middle.kind, FeedLine::spot);
    EXPECT_EQ(middle.spot.snr, -19);
    Parsed old = parse("171203 1430 5 -18 -2.92  14.0970533  EA4DTE IN80 27          2     1    0");
    ASSERT_EQ(old.kind, FeedLine::spot);
    EXPECT_EQ(old.spot.call, "EA4DTE");
    EXPECT_EQ(old.spot.snr, -18);
    EXPECT_EQ(old.spot.when, at(2017, 12, 3, 14, 30, 0));
}

TEST(FeedParse, AbsurdAndBrokenLines) {
    EXPECT_EQ(parse("190908_052515    14.074 Rx FT8    +60  0.3 1304 W1AW N1AW +03").kind, FeedLine::malformed);
    EXPECT_EQ(parse("190908_999915    14.074 Rx FT8    -10  0.3 1304 W1AW N1AW +03").kind, FeedLine::malformed);
    EXPECT_EQ(parse("191308_052515    14.074 Rx FT8    -10  0.3 1304 W1AW N1AW +03").kind, FeedLine::malformed);
    EXPECT_EQ(parse("190908_052515    nan Rx FT8    -10  0.3 1304 W1AW N1AW +03").kind, FeedLine::malformed);
    EXPECT_EQ(parse("190908_052515").kind, FeedLine::malformed);
    EXPECT_EQ(parse("\xff\xfe\x80 garbage").kind, FeedLine::malformed);
    EXPECT_EQ(parse("   ").kind, FeedLine::ignored);
    FeedContext c;
    parse("2018-01-27 22:27  14.074 MHz  FT8", c);
    EXPECT_EQ(parse("9999 -13  0.6 1430 ~  CQ W1AW EM16", c).kind, FeedLine::malformed) << "99:99";
    EXPECT_EQ(parse("222845 -13  0.6 1430 ~  free text here", c).kind, FeedLine::no_sender);
}

// What a line makes, as the table below writes it: the kind, or for a spot
// its date, mode and record.
std::string described(const Parsed& p) {
    switch (p.kind) {
    case FeedLine::header: return "header";
    case FeedLine::ignored: return "ignored";
    case FeedLine::no_sender: return "no sender";
    case FeedLine::malformed: return "malformed";
    case FeedLine::spot: break;
    }
    const std::chrono::year_month_day day{std::chrono::sys_days{std::chrono::days{p.spot.when / 86400}}};
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02u-%02u", int(day.year()), unsigned(day.month()), unsigned(day.day()));
    std::string made = record(p.spot);
    return std::string(date) + " " + std::string(p.spot.mode.view()) + " " + made.substr(0, made.size() - 2);
}

// Each case is lines read in order with one context, and what each makes.
struct Line {
    std::string text, made;
};
struct Case {
    const char* what;
    std::vector<Line> lines;
};

const Case cases[] = {
    {"the old layout crosses midnight under one header; a smaller step back is a corrected clock",
     {{"2016-Jul-07 23:58  14.076 MHz  JT9+JT65", "header"},
      {"2359 -15  0.2 1231 # CQ KN8J EM99", "2016-07-07 JT65 KN8J,EM99,23:59:00,-15,"},
      {"0000 -16  0.2 1231 @ CQ K1ABC FN42", "2016-07-08 JT9 K1ABC,FN42,00:00:00,-16,"},
      {"0001 -17  0.2 1231 # CQ W1AW FN31", "2016-07-08 JT65 W1AW,FN31,00:01:00,-17,"},
      {"1300 -17  0.2 1231 # CQ W1AW FN31", "2016-07-08 JT65 W1AW,FN31,13:00:00,-17,"},
      {"0101 -17  0.2 1231 # CQ W1AW FN31", "2016-07-08 JT65 W1AW,FN31,01:01:00,-17,"},
      {"2016-Jul-07 23:58  14.076 MHz  JT9+JT65", "header"},
      {"000200 -15  0.2 1231 # CQ KN8J EM99", "2016-07-08 JT65 KN8J,EM99,00:02:00,-15,"}}},
    {"JTDX: the header gives band and mode, each line its date and time (CR LF)",
     {{"20250101_080430  -4 -0.4 1275 ~ CQ BH3GZP ON50            *\r", "2025-01-01  BH3GZP,ON50,08:04:30,-4,"},
      {"20250101_080415  21.074 MHz  FT8\r", "header"},
      {"20250101_080430  -4 -0.4 1275 ~ CQ BH3GZP ON50            *\r", "2025-01-01 FT8 BH3GZP,ON50,08:04:30,-4,"},
      {"20250102_000015 -12  0.1  900 ~ W1AW K1ABC R-05\r", "2025-01-02 FT8 K1ABC,21.0740,00:00:15,-12,"},
      {"20250102_000030 -12  0.1  900 ~ TNX 73 GL\r", "no sender"},
      {"20250102_000045  Transmitting 21.074 MHz  FT8:  CQ K1ABC FN42\r", "ignored"},
      {"20251301_000045 -12  0.1  900 ~ W1AW K1ABC R-05\r", "malformed"}}},
    {"a run of NULs and a byte-order mark are passed over",
     {{"\xEF\xBB\xBF" "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03", "2019-09-08 FT8 N1AW,14.0740,05:25:15,-18,"},
      {std::string("190908_0525") + std::string(300, '\0') + "190908_052530    14.074 Rx FT8    -1  0.3 1304 CQ K1ABC FN42",
       "2019-09-08 FT8 K1ABC,FN42,05:25:30,-1,"},
      {std::string(4096, '\0'), "ignored"}}},
    {"a dial of 0.000 (no rig control) is unknown, not wrong",
     {{"240312_101530     0.000 Rx FT8    -10  0.1 1500 CQ K1ABC FN42", "2024-03-12 FT8 K1ABC,FN42,10:15:30,-10,"},
      {"240312_101545     0.000 Rx FT8    -10  0.1 1500 W1AW K1ABC -05", "2024-03-12 FT8 K1ABC,,10:15:45,-10,"},
      {"2016-Jul-07 10:00   0.000 MHz  FT8", "header"},
      {"100015 -10  0.1 1500 ~ W1AW K1ABC -05", "2016-07-07 FT8 K1ABC,,10:00:15,-10,"},
      {"200724 1250 -24  0.24   0.0014734  M0UNI IO82 33  0  0.23  1  1    0  1  45     1   810",
       "2020-07-24 WSPR M0UNI,IO82,12:50:00,-24,"},
      {"240312_101545     0.0001 Rx FT8    -10  0.1 1500 W1AW K1ABC -05", "malformed"}}},
    {"six-character special calls are calls, not grids",
     {{"240312_101530    14.074 Rx FT8    -10  0.1 1500 CQ AM575C", "2024-03-12 FT8 AM575C,14.0740,10:15:30,-10,"},
      {"240312_101545    14.074 Rx FT8    -11  0.1 1500 KN4DS <AM575C> -11", "2024-03-12 FT8 AM575C,14.0740,10:15:45,-11,"},
      {"240312_101600    14.074 Rx FT8    -12  0.1 1500 W1AW K1ABC FN42hx", "2024-03-12 FT8 K1ABC,14.0740,10:16:00,-12,"}}},
    {"decodes that name no sender are told from lines not understood",
     {{"240312_101530    14.074 Rx FT8    -10  0.1 1500 W1AW <...> -10", "no sender"},
      {"240312_101545    14.074 Rx FT8    -10  0.1 1500 TNX 73 GL", "no sender"},
      {"200724 1252 -21  0.10  28.1260711  <...> 37           0  0.23  1  1    0  1  45     1", "no sender"},
      {"240312_101545    14.074 Rx FT8    -10  0.1", "malformed"}}},
};

TEST(FeedParse, LinesOfEveryLayout) {
    for (const Case& c : cases) {
        FeedContext context;
        for (const Line& line : c.lines)
            EXPECT_EQ(described(parse(line.text, context)), line.made) << c.what << ": " << line.text;
    }
    EXPECT_TRUE(feed_plausible_call("AM575C"));
    EXPECT_FALSE(feed_plausible_call("FN42HX"));
}

}  // namespace
