// The fixture of the tests that run a real program under Xvfb: a private X
// server, a run folder holding a copy of the executable, and the program the
// test starts there. All of it is ended after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/support/gui_harness.h"

class GuiTest : public ::testing::Test {
protected:
    explicit GuiTest(std::string executable) : executable(std::move(executable)) {}
    void SetUp() override {
        ASSERT_TRUE(xserver_start(server));
        folder = run_folder_create(executable);
    }
    void TearDown() override {
        program_kill(program);
        // Under a sanitizer the program's own reports fail the test.
        std::string report = sanitizer_report(program.stderr_text);
        EXPECT_TRUE(report.empty()) << "the program reported:\n" << report;
        run_folder_remove(folder);
        xserver_stop(server);
    }
    // Waits until the program has written `text` to standard error.
    bool said(const std::string& text, int timeout_ms = 10000) {
        return wait_until([&] { return program_stderr(program).find(text) != std::string::npos; }, timeout_ms);
    }
    // Waits until `window` has this size.
    bool sized(Window window, int width, int height, int timeout_ms = 5000) {
        return wait_until(
            [&] {
                int w = 0, h = 0;
                return window_size(server.display, window, w, h) && w == width && h == height;
            },
            timeout_ms);
    }

    std::string executable;
    XServer server;
    RunFolder folder;
    Program program;
};

// The fixture of the tests that run the Windows build under Wine: the X
// server is the whole run's (DISPLAY), for Wine's desktop process stays bound
// to the display it started on. The program the test starts, with what it
// started (Wine forks its children), and the run folder end after each test.
class WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xserver_attach(server)) << "no X server at DISPLAY=" << environment_value("DISPLAY");
    }
    void TearDown() override {
        program_kill(program);
        run_folder_remove(folder);
        xserver_stop(server);  // closes the connection; the server is the run's
    }

    XServer server;
    RunFolder folder;
    Program program;
};
