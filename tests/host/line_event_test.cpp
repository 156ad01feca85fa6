// The error state and the line-event hook, without a window.
#include "host/line_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "errors/runtime_error.h"
#include "host/run_state.h"

namespace {

void clear() {
    error_pending = 0;
    event_pending = 0;
}

TEST(RuntimeError, NumbersBelowOneBecomeFive) {
    clear();
    EXPECT_EQ(runtime_error(0), 5);
    EXPECT_EQ(error_pending.load(), 5u);
    clear();
    EXPECT_EQ(runtime_error(-3), 5);
    EXPECT_EQ(event_pending.load(), 1);
    clear();
}

TEST(RuntimeError, TheFirstErrorOfAStatementWins) {
    clear();
    runtime_error(53);
    EXPECT_EQ(runtime_error(62), 53);
    EXPECT_EQ(error_pending.load(), 53u);
    clear();
}

TEST(RuntimeError, MessagesAndCriticalTitles) {
    EXPECT_STREQ(error_message(5), "Illegal function call");
    EXPECT_STREQ(error_message(62), "Input past end of file");
    EXPECT_STREQ(error_message(75), "Path/File access error");
    EXPECT_STREQ(error_message(313), "Source and destination memory have been freed");
    EXPECT_STREQ(error_message(11), "Unprintable error");
    EXPECT_STREQ(error_message(77), "Unprintable error");
    char title[64];
    error_critical_title(257, title, sizeof title);
    EXPECT_STREQ(title, "Critical Error #1");
    error_critical_title(518, title, sizeof title);
    EXPECT_STREQ(title, "Critical Error #18");
    error_critical_title(260, title, sizeof title);
    EXPECT_STREQ(title, "Critical Error");
    EXPECT_STREQ(error_critical_message(261), "Sub/Function does not exist in dynamic library");
    EXPECT_STREQ(error_critical_message(512), "Out of memory");
    EXPECT_TRUE(error_is_immediate_critical(259));
    EXPECT_FALSE(error_is_immediate_critical(300));
    EXPECT_FALSE(error_is_immediate_critical(262));
}

TEST(LineEvent, APauseHoldsTheProgramAfterItsStatementUntilTheFlagClears) {
    clear();
    uint32_t mark = string_temps_mark();
    std::atomic<bool> passed{false};
    pause_flag = 1;
    event_pending = 1;
    std::thread program([&] {
        statement_end(mark, 42);
        passed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(passed.load());  // a hold: nothing can let it through but the flag
    pause_flag = 0;
    program.join();
    EXPECT_TRUE(passed.load());
    EXPECT_EQ(event_pending.load(), 0);
}

TEST(LineEvent, NoHookCallWithoutAnEvent) {
    clear();
    uint32_t mark = string_temps_mark();
    pause_flag = 1;  // would hold the caller if the hook ran
    statement_end(mark, 1);
    pause_flag = 0;
    SUCCEED();
}

}  // namespace
