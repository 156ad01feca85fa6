// The fast path against the plain path, on the monitor's own code: random
// logs of every shape, and after every single record the screen, the text
// cursor and its pending line break, the part of the "Other:" list that can
// show, and the error reports so far must be the same byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics/image_surface.h"
#include "host/process.h"
#include "monitor/monitor.h"
#include "text/fast_path.h"

namespace {

namespace fs = std::filesystem;

struct State {
    std::vector<uint8_t> pixels;
    int row, column, pending_newline;
    std::string others, reports;
    bool operator==(const State&) const = default;
};

std::vector<State>* states = nullptr;
int reports_fd = -1;  // standard error goes here while a pass runs
size_t change_after = 0;        // records shown before `change` runs, 0 for never
void (*change)() = nullptr;
bool whole_states = true;        // false: pixels and reports only after the last record

void record_state() {
    const ImageSurface* s = image_display();
    State st{{}, s->cursor_row, s->cursor_column, s->pending_newline, "", ""};
    states->push_back(st);
    if (states->size() == change_after) change();
    if (!whole_states && log_record_shown != nullptr) return;
    st.pixels.assign(s->pixels, s->pixels + size_t(s->width) * s->height);
    const StringValue* others = monitor.others_list;
    st.others.assign(reinterpret_cast<const char*>(others->data), size_t(std::min(others->length, 56)));
    st.reports.resize(size_t(lseek(reports_fd, 0, SEEK_END)));
    if (pread(reports_fd, st.reports.data(), st.reports.size(), 0) < 0) st.reports = "unreadable";
    states->back() = std::move(st);
}

// A log of every shape the pass must read alike on both paths.
std::string random_log(std::mt19937& rng, bool huge_field) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto one_of = [&](std::initializer_list<const char*> items) { return std::string(items.begin()[pick(int(items.size()))]); };
    const char* line_ends[] = {"\r\n", "\r\n", "\n", "\r", "\n\r"};
    std::string log = pick(4) ? "header\r\n" : "head,er\r\n";
    int records = 20 + pick(30);
    for (int i = 0; i < records; i++) {
        std::string call;
        switch (pick(12)) {
            case 0: case 1: case 2: call = one_of({"W1AW", "K1JT", "G4ABC", "VK2XYZ", "JA1NRH", "DL1ABC"}); break;
            case 3: call = one_of({"K1ABC", "K1AB", "1AB", "K1ABCD"}); break;  // substrings of one another
            case 4: case 7: call = std::string(size_t(pick(20)), char('A' + pick(26))); break;  // any length
            case 8: call = std::string(size_t(20 + pick(220)), 'W'); break;  // wraps, scrolls
            case 5: call = one_of({"\"K1,AB\"", "\"A\nB\"", " \tN0TAB\t ", "\"Q\" junk", "K\x07\x0b\x0c\x1c\x1f\x09J"}); break;
            case 6: call = pick(2) ? std::string("K\0\0" "1X", 5) : std::string(3, '\0') + "N0NUL"; break;
            default: call = "X" + std::to_string(pick(40)) + "YZ"; break;
        }
        if (huge_field && i == records / 2) call = std::string(70000, 'H');
        std::string hour = std::to_string(pick(24)), minute = std::to_string(pick(60));
        std::string time = (pick(6) ? std::string(hour.size() < 2 ? "0" : "") : "") + hour + ":" +
                           (minute.size() < 2 ? "0" : "") + minute + ":0" + std::to_string(pick(10));
        std::string snr = pick(3) ? std::to_string(pick(60) - 40)
                                  : one_of({"-33", "19", "-33.5", "19.5", "-40", "0", "-0", "12.25", "1e40", "\t-12",
                                            "12 34", "&H1F", "&O17", "1234567", "12345678", "-9.5E-3", "5E39"});
        std::string level = pick(3) ? std::to_string(-pick(70)) : one_of({"-64", "0", "-63.9", "3", ".5", "x"});
        std::string record = call + "," + "JO" + std::to_string(pick(99)) + "," + time + "," + snr + "," + level;
        if (pick(25) == 0) record.insert(record.size() - level.size(), std::string(size_t(1 + pick(9)), '\0'));
        log += record + line_ends[pick(5)];
    }
    switch (pick(8)) {
        case 0: log.resize(log.size() - size_t(1 + pick(12))); break;  // the last record cut short
        case 1: log += "\x1a" "AFTER,x,01:00:00,1,-1\r\n"; break;
        case 2: log += std::string(size_t(1 + pick(300)), '\0'); break;
        case 3: log += "\r\n"; break;
    }
    return log;
}

// Latest spots of every length around the blanks (22) and the room (31) they
// are printed in, each after a longer one.
std::string lengths_log() {
    std::string log = "header\r\n";
    for (int n = 0; n <= 24; n++)
        for (const char* snr : {"-5", "-12", "123456"})
            log += "VK2XYZ,a,12:34:56,-12,-1\r\n" + std::string(size_t(n), 'L') + ",a,12:34:56," + snr + ",-1\r\n";
    return log;
}

class FastPathTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/skerrow-fast-XXXXXX";
        folder = mkdtemp(pattern);
        previous_folder = fs::current_path();
        fs::current_path(folder);
        runtime_start_headless();
        monitor_startup();
        statement(117);
    }
    static void TearDownTestSuite() {
        fs::current_path(previous_folder);
        fs::remove_all(folder);
    }
    // One refresh from a fresh screen and record; the state after every record and at the end.
    static std::vector<State> refresh(const std::string& setup, const std::string& log, bool fast) {
        std::ofstream("Skerrow020.SET", std::ios::binary) << setup;
        std::ofstream("spots.log", std::ios::binary) << log;
        fast_path = fast;
        screen_mode_set(2, 0, 0, 0, 0, screen_mode_passed);
        screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
        for (StringValue* s : {monitor.spot.spot_call, monitor.spot.spot_aux, monitor.spot.spot_time})
            string_assign(s, string_from_cstring(""));
        monitor.spot.spot_snr = monitor.spot.spot_level = 0;
        std::vector<State> out;
        states = &out;
        std::fflush(stderr);
        int saved = dup(2);
        FILE* reports = std::tmpfile();
        reports_fd = fileno(reports);
        dup2(reports_fd, 2);
        log_record_shown = record_state;
        monitor.refresh_counter = 99;
        monitor_cycle();
        log_record_shown = nullptr;
        record_state();
        dup2(saved, 2);
        close(saved);
        std::fclose(reports);
        fast_path = true;
        change_after = 0;
        return out;
    }
    static const std::string& setup_text() {
        static const std::string text = "spots.log\r\nY\r\nW1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n";
        return text;
    }
    // A log of n records of 29 bytes each after a header of 8, the calls numbered from `first`.
    static std::string numbered_log(int n, int first = 0) {
        std::string log = "header\r\n";
        char record[40];
        for (int i = first; i < first + n; i++) {
            std::snprintf(record, sizeof record, "K%04d,JO01,%02d:%02d:00,-10,-30\r\n", i % 10000, i / 60 % 24, i % 60);
            log += record;
        }
        return log;
    }
    static inline std::string folder;
    static inline fs::path previous_folder;
};

// Seeds 0 to 40, or to SKERROW_SEEDS.
unsigned last_seed() {
    const char* given = std::getenv("SKERROW_SEEDS");
    return given != nullptr ? unsigned(std::strtoul(given, nullptr, 10)) : 40;
}

TEST_F(FastPathTest, EveryRecordLeavesTheSameStateAsThePlainPath) {
    for (unsigned seed = 0; seed <= last_seed(); seed++) {
        std::mt19937 rng(seed);
        std::string setup = std::string("spots.log\r\n") + (seed % 3 ? "Y" : "N") + "\r\n";
        for (const char* call : {"W1AW", "K1JT", seed % 4 ? "G4ABC" : "W1AW", "VK2XYZ", "JA1NRH", "DL1ABC"})
            setup += std::string(call) + "\r\n";
        std::string log = seed == 0 ? lengths_log() : random_log(rng, seed % 13 == 0);
        std::vector<State> fast = refresh(setup, log, true), plain = refresh(setup, log, false);
        ASSERT_EQ(fast.size(), plain.size()) << "seed " << seed;
        for (size_t i = 0; i < fast.size(); i++) {
            const State &a = fast[i], &b = plain[i];
            if (a == b) continue;
            size_t at = size_t(std::mismatch(a.pixels.begin(), a.pixels.end(), b.pixels.begin()).first - a.pixels.begin());
            FAIL() << "seed " << seed << ", after record " << i + 1 << " of " << fast.size() << ": pixel (" << at % 640
                   << ", " << at / 640 << "), cursor " << a.row << "," << a.column << "," << a.pending_newline << " / "
                   << b.row << "," << b.column << "," << b.pending_newline << ", others \"" << a.others << "\" / \""
                   << b.others << "\", reports\n" << a.reports << "/\n" << b.reports;
        }
    }
}

// Logs longer than the buffer, so that fields and line ends straddle its
// refills: the cursor after every record and the rest at the end.
TEST_F(FastPathTest, ALogLongerThanTheBufferReadsAlikeAcrossItsRefills) {
    whole_states = false;
    for (unsigned seed = 1; seed <= 4; seed++) {
        std::mt19937 rng(seed);
        std::string log = "header\r\n";
        while (log.size() < 140000) log += random_log(rng, false).substr(8) + "\r\n";
        std::erase(log, '\x1a');  // which would end the log early
        std::vector<State> fast = refresh(setup_text(), log, true);
        EXPECT_GT(fast.size(), 3000u);
        EXPECT_TRUE(fast == refresh(setup_text(), log, false)) << "seed " << seed;
    }
    whole_states = true;
}

TEST_F(FastPathTest, ALogChangedWhileThePassRunsIsReadThroughTheBuffer) {
    whole_states = false;
    // Appended: read in the same pass.
    change_after = 1;
    change = [] { std::ofstream("spots.log", std::ios::binary | std::ios::app) << numbered_log(2, 3).substr(8); };
    EXPECT_EQ(refresh(setup_text(), numbered_log(3), true).size(), 5u + 1);
    // Replaced by a rename: the file that was opened is read to its end.
    change_after = 1;
    change = [] {
        std::ofstream("new.log", std::ios::binary) << numbered_log(2, 100);
        std::rename("new.log", "spots.log");
    };
    EXPECT_EQ(refresh(setup_text(), numbered_log(5), true).size(), 5u + 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(monitor.spot.spot_call->data), 5), "K0004");
    // Truncated to less than the position: the pass ends with the bytes
    // buffered (64 KiB), in the middle of record 2260, a record cut short.
    change_after = 10;
    change = [] { fs::resize_file("spots.log", 0); };
    std::vector<State> cut = refresh(setup_text(), numbered_log(7000), true);
    EXPECT_EQ(cut.size(), (65536u - 8) / 29 + 1 + 1);
    EXPECT_EQ(cut.back().reports, "Unhandled Error #62: Line:286 Input past end of file Continue?\n");
    // Truncated beyond the buffered bytes: the pass ends at the new end.
    change_after = 10;
    change = [] { fs::resize_file("spots.log", 8 + 29 * 3000); };
    std::vector<State> shorter = refresh(setup_text(), numbered_log(7000), true);
    EXPECT_EQ(shorter.size(), 3000u + 1);
    EXPECT_EQ(shorter.back().reports, "");
    whole_states = true;
}

TEST_F(FastPathTest, ARecordCutShortKeepsThePreviousValuesAndAMissingLogIsReportedAtEveryRefresh) {
    std::vector<State> cut = refresh(setup_text(), "header\r\nW1AW,a,01:00:00,-12,-30\r\nK1JT,a,02:00", true);
    ASSERT_EQ(cut.size(), 2u + 1);
    EXPECT_EQ(cut.back().reports, "Unhandled Error #62: Line:286 Input past end of file Continue?\n");
    EXPECT_EQ(monitor.spot.spot_snr, 0.0f) << "the field the end was met in";
    EXPECT_EQ(monitor.spot.spot_level, -30.0f) << "the level of the record before";
    std::string setup = setup_text();
    setup.replace(0, 9, "none.log");
    for (int refreshes = 1; refreshes <= 2; refreshes++)
        EXPECT_EQ(refresh(setup, "", true).back().reports, "Unhandled Error #53: Line:282 File not found Continue?\n");
}

}  // namespace
