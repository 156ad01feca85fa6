// skerrow-feed's span: the start found by bisection against the whole read on
// random decoder files of every layout, a month of days in --follow on a fake
// clock in bounded memory, the midnight hold, a clock stepping back, an input
// that cannot be read, and a first write that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <map>
#include <random>

#include "support/feed_process.h"

namespace {

using namespace feed_test;

// Year, month and day of a day number (days since 1970-01-01).
void civil(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

int64_t day_number(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

std::string text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string text(const char* format, ...) {
    char out[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(out, sizeof out, format, args);
    va_end(args);
    return out;
}

std::string day_text(int64_t t) {
    int y, m, d;
    civil(t / 86400, y, m, d);
    return text("%04d-%02d-%02d", y, m, d);
}

// One decode line of the current ALL.TXT layout.
std::string current_line(int64_t t, const std::string& call, int snr) {
    int y, m, d;
    civil(t / 86400, y, m, d);
    const int s = int(t % 86400);
    return text("%02d%02d%02d_%02d%02d%02d    14.074 Rx FT8    %3d  0.3 1304 CQ %s FN42\n", y % 100, m, d, s / 3600,
                s / 60 % 60, s % 60, snr, call.c_str());
}

enum Layout { current, old_headers, wspr, old_then_current, split_files, layouts };

// Random decoder files: a few days of decodes in one layout, a step back now
// and then (within the margin, across midnight too), repeated decodes, lines
// not understood, transmissions, and last lines without their end.
struct Generator {
    std::mt19937 random;
    Layout layout;
    int64_t first_day;  // seconds
    int days;
    std::map<std::string, std::string> files;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

    std::string file_for(int64_t t) {
        if (layout != split_files) return layout == wspr ? "ALL_WSPR.TXT" : "ALL.TXT";
        int y, m, d;
        civil(t / 86400, y, m, d);
        if (t < first_day + 2 * 86400) return text("%04d-ALL.TXT", y);
        if (t < first_day + 4 * 86400) return text("%04d-%02d-ALL.TXT", y, m);
        return "ALL.TXT";
    }

    std::string line_at(int64_t t, int64_t& header_day, bool old) {
        const std::string call = text("%c%dX%c", "KWGN"[pick(0, 3)], pick(0, 199), 'A' + pick(0, 25));
        const int snr = pick(-30, 20), s = int(t % 86400);
        if (layout == wspr) {
            int y, m, d;
            civil(t / 86400, y, m, d);
            const std::string stamp = text("%02d%02d%02d %02d%02d", y % 100, m, d, s / 3600, s / 60 % 60);
            switch (pick(0, 2)) {
            case 0: return text("%s %3d  0.24  14.0970734  %s FN31 33           0  0.23  1  1    0  1  45     1   810\n", stamp.c_str(), snr, call.c_str());
            case 1: return text("%s  4 %3d  0.31  14.0970991  %s FN31 37  0  1  0  1  486  0\n", stamp.c_str(), snr, call.c_str());
            default: return text("%s 5 %3d -2.92  14.0970533  %s 27          2     1    0  1  2\n", stamp.c_str(), snr, call.c_str());
            }
        }
        if (!old) return current_line(t, call, snr);
        std::string out;
        if (t / 86400 * 86400 != header_day || pick(0, 300) == 0) {
            header_day = t / 86400 * 86400;
            out = text("%s %02d:%02d  14.076 MHz  JT9+JT65\n", day_text(t).c_str(), s / 3600, s / 60 % 60);
        }
        if (pick(0, 1)) return out + text("%02d%02d%02d %3d  0.6 1430 ~  CQ %s EM16\n", s / 3600, s / 60 % 60, s % 60, snr, call.c_str());
        return out + text("%02d%02d %3d  0.2 1231 %c CQ %s EM99\n", s / 3600, s / 60 % 60, snr, "#@"[pick(0, 1)], call.c_str());
    }

    void make() {
        int64_t t = first_day + pick(0, 3600), latest = t, header_day = -1;
        const int64_t end = first_day + int64_t(days) * 86400;
        std::string last;
        while (t < end) {
            const bool old = layout == old_headers || (layout == old_then_current && t < first_day + days * 86400 / 2);
            std::string line = line_at(t, header_day, old);
            const int roll = pick(0, 199);
            if (roll == 0) line = "garbage that is no decode\n";
            else if (roll == 1 && !last.empty()) line = last;  // a decode written twice
            else if (roll == 2 && layout != wspr)
                line = current_line(t, "K1ABC", 0).replace(24, 2, "Tx");
            files[file_for(t)] += line;
            last = line;
            const int64_t before = t;
            t += layout == wspr ? 120 * pick(0, 1) : pick(1, 90);
            // A clock stepping back: now and then, and at some midnights.
            if (pick(0, 150) == 0 || (t / 86400 != before / 86400 && pick(0, 2) == 0))
                t = std::max(t - pick(60, 2400), latest - 3000);
            latest = std::max(latest, t);
        }
        for (auto& [name, bytes] : files)
            if (pick(0, 1) && !bytes.empty()) bytes.pop_back();  // a last line without its end
    }
};

class FeedStart : public FeedProcessTest {};

TEST_F(FeedStart, TheBisectionStartWritesWhatTheWholeReadWrites) {
    int with_records = 0;
    const int seeds = 40;
    for (int seed = 0; seed < seeds; seed++) {
        Generator g{std::mt19937(seed), Layout(seed % layouts), 0, 5, {}};
        g.first_day = (g.layout == split_files ? day_number(2023, 12, 30)
                                               : day_number(2016 + seed % 9, 1 + seed % 12, 1 + g.pick(0, 20))) * 86400;
        g.make();
        fs::remove_all(folder + "/in");
        fs::create_directory(folder + "/in");
        for (const auto& [name, bytes] : g.files) std::ofstream(folder + "/in/" + name, std::ios::binary) << bytes;
        std::vector<std::string> span;
        if (g.pick(0, 3) == 0) {
            set_clock(g.first_day + g.pick(0, g.days * 86400));
            span = {"--hours", std::to_string(g.pick(1, 48))};
        } else {
            span = {"--day", day_text(g.first_day + int64_t(g.pick(-1, g.days)) * 86400)};
        }
        std::string logs[2];
        for (int whole = 0; whole < 2; whole++) {
            std::vector<std::string> args = {"--once", "-o", folder + "/spots" + std::to_string(whole) + ".log", folder + "/in"};
            args.insert(args.begin() + 1, span.begin(), span.end());
            std::vector<std::string> env = {clock_env()};
            if (whole) env.push_back("SKERROW_FEED_WHOLE_READ=1");
            ASSERT_EQ(run(args, env), 0) << errors();
            logs[whole] = file_text(folder + "/spots" + std::to_string(whole) + ".log");
        }
        ASSERT_EQ(logs[0], logs[1]) << "seed " << seed << ", layout " << seed % layouts << ", " << span[0] << " " << span[1];
        with_records += count(logs[0], "\r\n") > 100;
    }
    EXPECT_GE(with_records, seeds / 2) << "most spans hold records";
}

// Decodes of one day, `n` of them spread over it, calls PREFIX0 ...; and the records they make.
std::string day_of_decodes(int64_t day, int n, const std::string& prefix, std::string* records = nullptr) {
    std::string out;
    for (int i = 0; i < n; i++) {
        const int64_t t = day + int64_t(i) * 86400 / n;
        const std::string call = prefix + std::to_string(i) + "X";
        out += current_line(t, call, -10);
        if (records != nullptr) {
            const int s = int(t % 86400);
            *records += text("%s,FN42,%02d:%02d:%02d,-10,\r\n", call.c_str(), s / 3600, s / 60 % 60, s % 60);
        }
    }
    return out;
}

TEST_F(FeedStart, AMonthOfDaysInFollowKeepsEachDayRightInBoundedMemory) {
    const int64_t first = day_number(2025, 3, 1) * 86400;
    const std::string out = folder + "/spots.log";
    set_clock(first + 10);
    append("ALL.TXT", "");
    pid = start({"--follow", "-o", out, folder + "/ALL.TXT"}, {clock_env()});
    long long hwm_day2 = -1;
    for (int day = 0; day < 30; day++) {
        const int64_t midnight = first + int64_t(day) * 86400;
        set_clock(midnight + 10);
        std::string records;
        append("ALL.TXT", day_of_decodes(midnight, 10000, day % 2 ? "K" : "G", &records));
        ASSERT_TRUE(wait_until([&] { return file_text(out) == header + records; }, 20000))
            << "day " << day << ": " << count(file_text(out), "\r\n") << " lines\n" << errors();
        if (day == 1) hwm_day2 = proc_figure(pid, "status", "VmHWM:");
    }
    const long long hwm_day30 = proc_figure(pid, "status", "VmHWM:");
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "peak memory under a sanitizer says nothing: day 2 " << hwm_day2 << " kB, day 30 " << hwm_day30 << " kB";
#endif
    ASSERT_GT(hwm_day2, 0);
    EXPECT_LT(hwm_day30, hwm_day2 + hwm_day2 / 10) << "day 2 " << hwm_day2 << " kB, day 30 " << hwm_day30 << " kB";
    RecordProperty("VmHWM_day2_kB", std::to_string(hwm_day2));
    RecordProperty("VmHWM_day30_kB", std::to_string(hwm_day30));
    std::printf("VmHWM day 2 %lld kB, day 30 %lld kB\n", hwm_day2, hwm_day30);
}

TEST_F(FeedStart, ADecodeStampedJustAfterMidnightIsHeldForTheNewDay) {
    const int64_t day = day_number(2025, 1, 4) * 86400, next = day + 86400;
    const std::string out = folder + "/spots.log";
    set_clock(next - 2);
    append("ALL.TXT", current_line(next - 10, "W1AW", -5));
    pid = start({"--follow", "-o", out, folder + "/ALL.TXT"}, {clock_env()});
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("W1AW,") != std::string::npos; }, 10000));
    // Read in the same pass as a decode of the day, while the clock is before midnight.
    append("ALL.TXT", current_line(next - 5, "K1ABC", -6) + current_line(next, "G4XYZ", -7) +
                          current_line(next + 2 * 3600, "VK2AB", -8));
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("K1ABC,") != std::string::npos; }, 10000));
    EXPECT_EQ(file_text(out).find("G4XYZ"), std::string::npos) << "not yet its day";
    set_clock(next + 5);
    ASSERT_TRUE(wait_until([&] { return file_text(out) == header + "G4XYZ,FN42,00:00:00,-7,\r\n"; }, 10000))
        << file_text(out) << "a decode two hours ahead is dropped, not held";
}

TEST_F(FeedStart, AClockSteppingBackMovesTheSpanBackAsOnceWouldWriteIt) {
    const int64_t jan4 = day_number(2025, 1, 4) * 86400, jan5 = jan4 + 86400;
    const std::string out = folder + "/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", day_of_decodes(jan4, 3000, "G") + day_of_decodes(jan5, 3000, "K"));
    set_clock(jan5 + 10 * 3600);
    pid = start({"--follow", "--hours", "3", "-o", out, input}, {clock_env()});
    ASSERT_TRUE(wait_until([&] { return file_text(out).find("K1250X,") != std::string::npos; }, 10000)) << file_text(out);
    set_clock(jan4 + 10 * 3600 + 30);
    ASSERT_EQ(run({"--once", "--hours", "3", "-o", folder + "/once.log", input}, {clock_env()}), 0);
    const std::string once = file_text(folder + "/once.log");
    ASSERT_NE(once.find("G1250X,"), std::string::npos);
    EXPECT_TRUE(wait_until([&] { return file_text(out) == once; }, 10000)) << file_text(out);
}

TEST_F(FeedStart, AnInputThatCannotBeReadIsNamedOnceStopsOnceAndFollowGoesOn) {
    const std::string out = folder + "/spots.log", previous = header + "W1AW,FN31,00:00:00,-1,\r\n";
    std::ofstream(out, std::ios::binary) << previous;
    append("ALL.TXT", decodes(5, "K"));
    ASSERT_EQ(mkfifo((folder + "/ALL_WSPR.TXT").c_str(), 0600), 0);  // cannot be read as a file
    const std::string said = "skerrow-feed: cannot read " + folder + "/ALL_WSPR.TXT: not a regular file\n";
    EXPECT_EQ(run({"--once", "--day", "2019-09-08", "-o", out, folder}), 1);
    EXPECT_EQ(errors(), said);
    EXPECT_EQ(file_text(out), previous);
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, folder});
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 6; }, 10000));
    const long long calls = write_calls(pid);
    append("ALL.TXT", decodes(6, "K").substr(decodes(5, "K").size()));
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 7 && write_calls(pid) > calls; }, 10000));
    EXPECT_EQ(count(errors(), said), 1u) << errors();
}

TEST_F(FeedStart, AFirstWriteThatFailsInFollowIsTriedAgainEveryPass) {
    append("ALL.TXT", decodes(3, "K"));
    const std::string out = folder + "/later/spots.log";
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, folder + "/ALL.TXT"});
    ASSERT_TRUE(wait_until([&] { return errors().find("No such file or directory") != std::string::npos; }, 10000));
    EXPECT_EQ(errors(), "skerrow-feed: cannot write " + out + ": No such file or directory; keeping the decodes and trying again\n");
    fs::create_directory(folder + "/later");
    ASSERT_TRUE(wait_until([&] { return count(file_text(out), "\r\n") == 4; }, 10000));
    ASSERT_TRUE(wait_until([&] { return errors().find("caught up: 3 spots in " + out) != std::string::npos; }, 10000)) << errors();
}

}  // namespace
