#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/runtime_error.h"
#include "host/delay.h"
#include "host/display.h"
#include "host/shell.h"

namespace {

// ---- Delays on a clock the test moves ------------------------------------------------

struct FakeClock {
    int32_t now = 0;
    std::vector<std::string> log;  // "sleep N" and "hook L" in order
};
FakeClock fake;
int32_t fake_now() { return fake.now; }
void fake_sleep(int32_t ms) {
    fake.log.push_back("sleep " + std::to_string(ms));
    fake.now = int32_t(uint32_t(fake.now) + uint32_t(ms));  // a 32-bit clock wraps
}
void fake_hook(int line) { fake.log.push_back("hook " + std::to_string(line)); }
const DelayClock fake_clock = {fake_now, fake_sleep, fake_hook};

class DelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake = FakeClock{};
        delay_clock_set(&fake_clock);
        error_pending = 0;
    }
    void TearDown() override {
        delay_clock_set(nullptr);
        error_pending = 0;
    }
};

TEST_F(DelayTest, ATenthIsNineMillisecondSlicesEachWithTheHookThenTheRest) {
    delay_seconds(0.1);
    std::vector<std::string> expected;
    for (int i = 0; i < 11; i++) expected.insert(expected.end(), {"sleep 9", "hook 0"});
    expected.push_back("sleep 1");  // 100 - 99
    EXPECT_EQ(fake.log, expected);
}

TEST_F(DelayTest, ZeroReturnsAtOnceAndTheRangeIsChecked) {
    delay_seconds(0);
    EXPECT_TRUE(fake.log.empty());
    delay_seconds(-0.5);
    EXPECT_EQ(error_pending.load(), 5u);
    error_pending = 0;
    delay_seconds(2147484);
    EXPECT_EQ(error_pending.load(), 5u);
    error_pending = 0;
    fake.now = 2147483000;  // near the wrap of the 32-bit clock
    delay_seconds(0.0095);
    EXPECT_EQ(fake.log, (std::vector<std::string>{"sleep 9"}));
    EXPECT_EQ(error_pending.load(), 0u);
}

TEST_F(DelayTest, TheClocksWrapDoesNotStretchTheDelay) {
    fake.now = INT32_MAX - 20;
    delay_seconds(0.05);
    int sleeps = 0, slept = 0;
    for (const std::string& s : fake.log)
        if (s.rfind("sleep ", 0) == 0) sleeps++, slept += std::stoi(s.substr(6));
    EXPECT_EQ(slept, 50);
    EXPECT_EQ(sleeps, 6);
}

TEST_F(DelayTest, APendingErrorSkipsTheWait) {
    error_pending = 9;
    delay_seconds(1);
    EXPECT_TRUE(fake.log.empty());
}

// ---- Shell commands, with the launches recorded ------------------------------------------

struct Launch {
    std::string file, parameters;
    bool operator==(const Launch&) const = default;
};
std::vector<Launch> launches;
int succeed_on = -1;  // index of the launch that starts something
int suspend_seen = 0;

int record_launch(const std::string& file, const std::string& parameters, bool) {
    launches.push_back({file, parameters});
    return int(launches.size()) - 1 == succeed_on ? 4242 : -1;
}
int record_wait(int pid) {
    suspend_seen = frame_suspend.load();
    return pid == 4242 ? 3 : -1;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        launches.clear();
        succeed_on = -1;
        suspend_seen = 0;
        shell_set_launcher(record_launch);
        shell_set_waiter(record_wait);
    }
    void TearDown() override {
        shell_set_launcher(nullptr);
        shell_set_waiter(nullptr);
    }
    static StringValue* text(const char* literal) { return string_from_cstring(literal); }
};

TEST_F(ShellTest, TheMonitorsCommandStartsTheInterpreterAndWaitsForIt) {
    succeed_on = 1;
    shell_run(text("CMD /C start notepad Skerrow020.set"), shell_command_passed);
    EXPECT_EQ(launches, (std::vector<Launch>{{"CMD /C start notepad Skerrow020.set", ""},
                                             {"CMD", "/C start notepad Skerrow020.set"}}));
    EXPECT_EQ(suspend_seen, 1) << "frames are suspended during the wait";
    EXPECT_EQ(frame_suspend.load(), 0);
}

TEST_F(ShellTest, AQuotedPathWithABlankIsOneWord) {
    shell_run(text("\"/opt/my tools/plot\" today"), shell_command_passed);
    ASSERT_GE(launches.size(), 2u);
    EXPECT_EQ(launches[1], (Launch{"\"/opt/my tools/plot\"", "today"}));
    EXPECT_EQ(launches.back(), (Launch{"cmd", " /c \"/opt/my tools/plot\" today"}));
}

TEST_F(ShellTest, InternalCommandsGoThroughTheInterpreter) {
    shell_run(text("dir"), shell_command_passed);
    EXPECT_EQ(launches, (std::vector<Launch>{{"cmd", " /c dir"}}));
    launches.clear();
    shell_run(text("START SkerrowHelp.htm"), shell_command_passed);
    EXPECT_EQ(launches, (std::vector<Launch>{{"cmd", " /c START SkerrowHelp.htm"}}));
    EXPECT_TRUE(shell_is_internal("vol"));
    EXPECT_FALSE(shell_is_internal("notepad"));
}

TEST_F(ShellTest, VariantsAndFailures) {
    succeed_on = 0;
    EXPECT_EQ(shell_run_function(text("/bin/true"), shell_command_passed, 0), 3);
    launches.clear();
    suspend_seen = 0;
    shell_run_as(text("/bin/true"), shell_command_passed, shell_no_wait);
    EXPECT_EQ(suspend_seen, 0) << "no wait";
    launches.clear();
    succeed_on = -1;
    EXPECT_EQ(shell_run_function(text("nothing at all"), shell_command_passed, 0), -1) << "nothing started, nothing waited";
    error_pending = 5;
    launches.clear();
    shell_run(text("dir"), shell_command_passed);
    error_pending = 0;
    EXPECT_TRUE(launches.empty());
}

TEST(ShellSplit, FirstBlankOutsideQuotes) {
    std::string file, parameters;
    shell_split("a \"b c\" d", file, parameters);
    EXPECT_EQ(file, "a");
    EXPECT_EQ(parameters, "\"b c\" d");
    shell_split("single", file, parameters);
    EXPECT_EQ(file, "single");
    EXPECT_EQ(parameters, "");
}

}  // namespace
