// skerrow-feed as a process: a converted file, and --follow behind a writer
// that appends half lines and rotates its file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool wait_for(const std::function<bool()>& condition, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

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
        fs::remove_all(folder);
    }
    pid_t start(const std::vector<std::string>& args) {
        std::vector<std::string> all = {FEED_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t p = -1;
        posix_spawn(&p, FEED_EXE, nullptr, nullptr, argv.data(), environ);
        return p;
    }
    void append(const std::string& name, const std::string& text) {
        std::ofstream(folder + "/" + name, std::ios::binary | std::ios::app) << text;
    }
    std::string folder;
    pid_t pid = -1;
};

TEST_F(FeedProcessTest, OnceWritesTheDayWithDuplicatesOnce) {
    append("ALL.TXT",
           "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n"
           "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n"
           "190909_000015    14.074 Rx FT8    -10  0.3 1304 CQ K1ABC FN42\n"
           "not a decode\n");
    pid = start({"--once", "--day", "2019-09-08", "-o", folder + "/spots.log", folder});
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(folder + "/spots.log"), "skerrow-feed spot log\r\nN1AW,14.0740,05:25:15,-18,\r\n");
}

TEST_F(FeedProcessTest, FollowReadsNewLinesWaitsForHalfLinesAndNoticesRotation) {
    const std::string out = folder + "/spots.log", input = folder + "/ALL.TXT";
    append("ALL.TXT", "190908_052515    14.074 Rx FT8    -18  0.3 1304 W1AW N1AW +03\n");
    pid = start({"--follow", "--day", "2019-09-08", "-o", out, input});
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("N1AW,") != std::string::npos; }, 10000));
    append("ALL.TXT", "190908_060000    14.074 Rx FT8    -11  0.3 1304 CQ K1AB");  // half a line
    append("ALL.TXT", "C FN42\n");
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("K1ABC,FN42,06:00:00,-11,") != std::string::npos; }, 10000))
        << read_file(out);
    EXPECT_EQ(read_file(out).find("K1AB,"), std::string::npos) << "a half line is left for the next pass";
    // Rotation: the file is moved away and a new one begins.
    fs::rename(input, folder + "/ALL.TXT.old");
    append("ALL.TXT", "190908_070000    14.074 Rx FT8    -7  0.3 1304 CQ G4ABC IO91\n");
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("G4ABC,IO91,07:00:00,-7,") != std::string::npos; }, 10000));
    // Truncated and written again: read from the start, nothing twice.
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        << "190908_070000    14.074 Rx FT8    -7  0.3 1304 CQ G4ABC IO91\n"
           "190908_080000    14.074 Rx FT8    -3  0.3 1304 CQ VK2XYZ QF56\n";
    ASSERT_TRUE(wait_for([&] { return read_file(out).find("VK2XYZ") != std::string::npos; }, 10000));
    std::string all = read_file(out);
    EXPECT_EQ(all.find("G4ABC"), all.rfind("G4ABC")) << all;
}

}  // namespace
