#include "feed/feed_parse.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(parse("222845 -13  0.6 1430 ~  free text here", c).kind, FeedLine::malformed);
}

}  // namespace
