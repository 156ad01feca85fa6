// The keeper of the span: one record per call and time, filters, the hour
// held ahead of the span, and what a move on or back keeps.
#include "feed/feed_keeper.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int64_t day = 20000 * 86400;  // a midnight

FeedSpot spot(const char* call, int64_t when, double mhz = 14.074, const char* mode = "FT8") {
    FeedSpot s;
    s.call.assign(call);
    s.aux.assign("FN42");
    s.when = when;
    s.dial_mhz = mhz;
    s.mode.assign(mode);
    return s;
}

std::string log_of(const FeedKeeper& k) {
    std::string all, piece;
    size_t next = 0;
    for (std::string_view p = feed_keeper_records(k, next, piece); !p.empty(); p = feed_keeper_records(k, next, piece))
        all += p;
    return all;
}

TEST(FeedKeeper, KeepsOnePerCallAndTimeInTheSpanByTimeAndHoldsAnHourAhead) {
    FeedKeeper k;
    k.mode = "ft8", k.band = 14;
    feed_keeper_start(k, day, day + 86400);
    struct Case {
        FeedSpot spot;
        bool kept;
    } cases[] = {
        {spot("K1ABC", day + 60), true},
        {spot("W1AW", day + 30), true},
        {spot("K1ABC", day + 60), false},                 // the same call and time
        {spot("K1ABC", day + 61), true},                  // another time
        {spot("G4XYZ", day - 1), false},                  // before the span
        {spot("G4XYZ", day + 100, 7.074), false},         // another band
        {spot("G4XYZ", day + 100, 14.074, "FT4"), false}, // another mode
        {spot("VK2AB", day + 86400 + 10), true},          // held
        {spot("VK2AB", day + 86400 + 3600), false},       // too far ahead
    };
    for (const Case& c : cases) EXPECT_EQ(feed_keeper_offer(k, c.spot), c.kept) << c.spot.call << " " << c.spot.when;
    feed_keeper_settle(k);
    EXPECT_EQ(log_of(k), "W1AW,FN42,00:00:30,0,\r\nK1ABC,FN42,00:01:00,0,\r\nK1ABC,FN42,00:01:01,0,\r\n");
    EXPECT_EQ(feed_keeper_held(k), 1u);
    EXPECT_EQ(k.outside, 4);
    // The next day: yesterday's records go, the held one comes in.
    EXPECT_EQ(feed_keeper_move(k, day + 86400, day + 2 * 86400), FeedMove::forward);
    EXPECT_EQ(log_of(k), "VK2AB,FN42,00:00:10,0,\r\n");
    EXPECT_FALSE(feed_keeper_offer(k, spot("VK2AB", day + 86400 + 10))) << "still one per call and time";
    EXPECT_TRUE(feed_keeper_offer(k, spot("K1ABC", day + 60 + 86400)));
    // Back a day: everything goes, to be read again.
    EXPECT_EQ(feed_keeper_move(k, day, day + 86400), FeedMove::back);
    EXPECT_EQ(k.kept.size(), 0u);
    EXPECT_EQ(log_of(k), "");
}

TEST(FeedKeeper, HandsRecordsOnAsTheyComeWhileTheyComeInTimeOrder) {
    FeedKeeper k;
    feed_keeper_start(k, day, day + 86400);
    std::string written;
    int pieces = 0;
    FeedPass pass;
    pass.write = [&](std::string_view records, long long) { return written += records, ++pieces < 100; };
    k.pass = &pass;
    EXPECT_TRUE(feed_keeper_offer(k, spot("W1AW", day + 30)));
    EXPECT_FALSE(feed_keeper_offer(k, spot("G4XYZ", day - 1))) << "before the span";
    EXPECT_TRUE(feed_keeper_offer(k, spot("VK2AB", day + 86400 + 10))) << "held, and kept";
    std::string many;
    for (int i = 0; i < 300; i++) {  // enough calls at one time for the set of calls to grow
        const std::string call = "K" + std::to_string(i) + "X";
        EXPECT_TRUE(feed_keeper_offer(k, spot(call.c_str(), day + 60)));
        many += call + ",FN42,00:01:00,0,\r\n";
    }
    EXPECT_FALSE(feed_keeper_offer(k, spot("K7X", day + 60))) << "the same call and time";
    EXPECT_FALSE(feed_keeper_offer(k, spot("K299X", day + 60))) << "the same call and time";
    EXPECT_TRUE(feed_keeper_offer(k, spot("K7X", day + 61)));
    ASSERT_TRUE(feed_keeper_pass_end(k));
    EXPECT_EQ(written, "W1AW,FN42,00:00:30,0,\r\n" + many + "K7X,FN42,00:01:01,0,\r\n");
    EXPECT_EQ(pass.records, 302);
    EXPECT_TRUE(k.order.empty()) << "nothing inside the span kept";
    EXPECT_EQ(feed_keeper_held(k), 1u);
    EXPECT_EQ(k.outside, 1);
    // A spot before the latest ends it: the span is to be read again, kept whole.
    EXPECT_FALSE(feed_keeper_offer(k, spot("N1AW", day + 59)));
    EXPECT_FALSE(feed_keeper_offer(k, spot("N1AW", day + 70))) << "nothing more once out of order";
    EXPECT_FALSE(feed_keeper_pass_end(k));
    // A write that fails ends it too.
    FeedKeeper failing;
    feed_keeper_start(failing, day, day + 86400);
    FeedPass refused;
    refused.write = [](std::string_view, long long) { return false; };
    failing.pass = &refused;
    for (int i = 0; i < 60000; i++) feed_keeper_offer(failing, spot("W1AW", day + i));  // more than a piece
    EXPECT_TRUE(refused.failed);
    EXPECT_FALSE(feed_keeper_pass_end(failing));
}

TEST(FeedKeeper, ARollingWindowLetsGoOfWhatFallsOutAndGrowsNoFurther) {
    FeedKeeper k;
    feed_keeper_start(k, day, INT64_MAX);
    for (int hour = 0; hour < 48; hour++) {
        EXPECT_NE(feed_keeper_move(k, day + int64_t(hour) * 3600, INT64_MAX), FeedMove::back);
        for (int i = 0; i < 1000; i++) feed_keeper_offer(k, spot(("K" + std::to_string(i) + "X").c_str(), day + hour * 3600 + 3599));
        feed_keeper_settle(k);
        EXPECT_EQ(k.order.size(), 1000u) << "only the last hour's";
    }
    EXPECT_LE(k.table.size(), 2u) << "the hours of the window";
    EXPECT_LT(k.bytes.capacity(), 64u * 1024);
}

}  // namespace
