// skerrow-feed as a process under test: a scratch folder, the feeder started
// with its standard error in a file (and test settings in its environment),
// waits with a deadline, and the files it reads and writes.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/file_text.h"
#include "tests/support/text_count.h"
#include "tests/support/wait_until.h"

extern char** environ;

namespace feed_test {

namespace fs = std::filesystem;

// `n` decodes of distinct calls PREFIX0X, PREFIX1X ... a second apart from 00:00:00.
inline std::string decodes(int n, const std::string& prefix) {
    std::string out;
    char line[128];
    for (int i = 0; i < n; i++) {
        std::snprintf(line, sizeof line, "190908_%02d%02d%02d    14.074 Rx FT8    -10  0.3 1304 CQ %s%dX FN42\n",
                      i / 3600, i / 60 % 60, i % 60, prefix.c_str(), i);
        out += line;
    }
    return out;
}

// A figure from /proc/PID/FILE ("syscw:" in io, "VmHWM:" in status); -1 when not found.
inline long long proc_figure(pid_t p, const std::string& file, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(p) + "/" + file);
    std::string word;
    long long value = -1;
    while (in >> word)
        if (word == key && in >> value) return value;
    return -1;
}

// Write system calls the process has made so far.
inline long long write_calls(pid_t p) { return proc_figure(p, "io", "syscw:"); }

const std::string header = "skerrow-feed spot log\r\n";

class FeedProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/skerrow-feed-XXXXXX";
        folder = mkdtemp(pattern);
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (mounted) umount2(disk.c_str(), MNT_DETACH);
        fs::remove_all(folder);
    }
    // Starts the feeder with its standard error going to errors() (or to the
    // file `errors_name` in the folder) and `env` ("NAME=value") added to its environment.
    pid_t start(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                const std::string& errors_name = "feed.err") {
        // The program, or (for the Windows build's under Wine) SKERROW_FEED_EXE after SKERROW_WINE_LOADER.
        std::vector<std::string> all = {std::getenv("SKERROW_FEED_EXE") ? std::getenv("SKERROW_FEED_EXE") : FEED_EXE};
        if (std::getenv("SKERROW_WINE_LOADER")) all.insert(all.begin(), std::getenv("SKERROW_WINE_LOADER"));
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv, envp;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> own = env;
        for (std::string& e : own) envp.push_back(e.data());
        for (char** e = environ; *e != nullptr; e++) envp.push_back(*e);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, (folder + "/" + errors_name).c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t p = -1;
        posix_spawn(&p, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        return p;
    }
    // The exit code of a feeder started by start() (`pid`, or `other`), or -1
    // when it does not end within 20 s (it is then killed).
    int finish() { return finish(pid); }
    int finish(pid_t& which) {
        int status = 0;
        if (!wait_until([&] { return waitpid(which, &status, WNOHANG) == which; }, 20000)) {
            kill(which, SIGKILL);
            waitpid(which, nullptr, 0);
            status = -1;
        }
        which = -1;
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs a feeder to its end beside the one in `pid`: its exit code.
    int run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        pid_t other = start(args, env);
        return finish(other);
    }
    std::string errors() { return file_text(folder + "/feed.err"); }
    void append(const std::string& name, const std::string& text) {
        std::ofstream(folder + "/" + name, std::ios::binary | std::ios::app) << text;
    }
    // Sets the feeder's wall clock (SKERROW_FEED_CLOCK=clock_file()), replacing the file whole.
    void set_clock(int64_t now) {
        std::ofstream(clock_file() + ".new") << now << "\n";
        fs::rename(clock_file() + ".new", clock_file());
    }
    std::string clock_file() const { return folder + "/clock"; }
    std::string clock_env() const { return "SKERROW_FEED_CLOCK=" + clock_file(); }
    // A 64 KiB disk at `disk`; false with the reason in `why` where mounting is not permitted.
    bool mount_small_disk(std::string& why) {
        disk = folder + "/disk";
        fs::create_directory(disk);
        mounted = mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") == 0;
        if (!mounted) why = std::string("cannot mount a small tmpfs here: ") + std::strerror(errno);
        return mounted;
    }
    std::string folder, disk;
    bool mounted = false;
    pid_t pid = -1;
};

}  // namespace feed_test
