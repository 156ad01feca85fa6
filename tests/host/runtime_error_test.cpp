// Error reports for real: the probe program raises errors, the dialogs appear
// under Xvfb and are answered by injected keys and clicks.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <string>

#include "errors/runtime_error.h"
#include "tests/support/gui_fixture.h"

namespace {

class ErrorReportTest : public GuiTest {
protected:
    ErrorReportTest() : GuiTest(PROBE_EXE) {}
    Window start_and_wait_for_box(const char* scenario, const std::string& title) {
        program = program_start(server, folder.exe, folder.path, {scenario});
        Window box = window_wait(server.display, program.pid, title, 15000);
        EXPECT_NE(box, 0u) << program_stderr(program);
        return box;
    }
    // Centre of the first (Yes/OK) or second (No) button of a box.
    void click_button(Window box, int index, int buttons) {
        int w, h;
        ASSERT_TRUE(window_size(server.display, box, w, h));
        int left = w - 20 - (buttons - index) * 90 + 10;
        pointer_click(server.display, box, left + 40, h - 20 - 13);
    }
};

TEST_F(ErrorReportTest, ReportNamesNumberLineAndMessageAndEnterGoesOn) {
    Window box = start_and_wait_for_box("report", "Unhandled Error #53");
    ASSERT_NE(box, 0u);
    EXPECT_EQ(window_title(server.display, box), "Unhandled Error #53");
    EXPECT_TRUE(said("Unhandled Error #53: Line:282 File not found Continue?"));
    EXPECT_FALSE(said("after-report", 200));
    window_focus(server.display, box);
    key_tap(server.display, XK_Return);
    EXPECT_TRUE(said("probe: after-report")) << program_stderr(program);
    EXPECT_FALSE(program_poll(program));
}

TEST_F(ErrorReportTest, AClickOnYesGoesOn) {
    Window box = start_and_wait_for_box("report", "Unhandled Error #53");
    ASSERT_NE(box, 0u);
    click_button(box, 0, 2);
    EXPECT_TRUE(said("probe: after-report")) << program_stderr(program);
}

TEST_F(ErrorReportTest, NoEndsTheProcessWithExitCodeZero) {
    Window box = start_and_wait_for_box("report", "Unhandled Error #53");
    ASSERT_NE(box, 0u);
    click_button(box, 1, 2);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, 0);
    EXPECT_EQ(program.stderr_text.find("after-report"), std::string::npos);
}

TEST_F(ErrorReportTest, KeyNAnswersNo) {
    Window box = start_and_wait_for_box("report", "Unhandled Error #53");
    ASSERT_NE(box, 0u);
    window_focus(server.display, box);
    key_tap(server.display, XK_n);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, 0);
}

TEST_F(ErrorReportTest, OnlyTheFirstErrorOfAStatementIsReportedAndTheRestOfItDoesNothing) {
    Window box = start_and_wait_for_box("first-wins", "Unhandled Error #53");
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(said("Line:10 File not found"));
    window_focus(server.display, box);
    key_tap(server.display, XK_y);
    EXPECT_TRUE(said("probe: length 0\nprobe: length 1")) << program_stderr(program);
    EXPECT_EQ(program_stderr(program).find("#62"), std::string::npos);
}

TEST_F(ErrorReportTest, DivisionByZeroIsCriticalWithoutAsking) {
    Window box = start_and_wait_for_box("critical11", "Critical Error");
    ASSERT_NE(box, 0u);
    EXPECT_EQ(window_title(server.display, box), "Critical Error");
    EXPECT_TRUE(said("Critical Error: Division by zero"));
    window_focus(server.display, box);
    key_tap(server.display, XK_Return);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, critical_exit_code);
}

TEST_F(ErrorReportTest, AFloatingPointSignalRaisesElevenSoDoesTheHandler) {
    Window box = start_and_wait_for_box("fpe", "Critical Error");
    ASSERT_NE(box, 0u);
    click_button(box, 0, 1);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, critical_exit_code);
    EXPECT_NE(program.stderr_text.find("Division by zero"), std::string::npos);
}

TEST_F(ErrorReportTest, Error300IsReportedAsCriticalWithoutContinue) {
    Window box = start_and_wait_for_box("critical300", "Critical Error #300");
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(said("Critical Error #300: Line:7 Memory region out of range\n"));
    click_button(box, 0, 1);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, critical_exit_code);
    EXPECT_EQ(program.stderr_text.find("not reached"), std::string::npos);
}

TEST_F(ErrorReportTest, ClosingTheMainWindowDuringAReportEndsWithZero) {
    Window box = start_and_wait_for_box("report", "Unhandled Error #53");
    ASSERT_NE(box, 0u);
    Window main_window = window_wait(server.display, program.pid, "Skerrow probe", 5000);
    ASSERT_NE(main_window, 0u);
    window_close_request(server.display, main_window);
    ASSERT_TRUE(program_wait_exit(program, 5000));
    EXPECT_EQ(program.exit_code, 0);
    EXPECT_EQ(program.stderr_text.find("after-report"), std::string::npos);
}

}  // namespace
