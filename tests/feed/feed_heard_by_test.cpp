// skerrow-feed --heard-by as a process: report files of every shape, and the
// live services played by a server on loopback (answers, a 503, a rate limit,
// a refused connection, a cut body, a slow answer), on a clock of the test's own.
//
// The Windows build's skerrow-feed.exe runs the same live cases under Wine
// (tests/wine/): SKERROW_WINE_LOADER and SKERROW_FEED_EXE name the loader and
// the program, and WinHTTP talks to the same server over loopback.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../support/http_server.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The program and, under Wine, its loader.
const char* const wine_loader = std::getenv("SKERROW_WINE_LOADER");
const std::string feed_exe = std::getenv("SKERROW_FEED_EXE") ? std::getenv("SKERROW_FEED_EXE") : FEED_EXE;

constexpr long long t0 = 1765267200;  // 2025-12-09 08:00:00 UTC
const std::string header = "skerrow-feed spot log\r\n";

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool wait_for(const std::function<bool()>& condition, int timeout_ms = 20000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

std::string report(const char* reporter, const char* locator, const char* sender, long long when, int snr, long hz) {
    return std::string("<receptionReport receiverCallsign=\"") + reporter + "\" receiverLocator=\"" + locator +
           "\" senderCallsign=\"" + sender + "\" senderLocator=\"IO85jw\" frequency=\"" + std::to_string(hz) +
           "\" flowStartSeconds=\"" + std::to_string(when) + "\" mode=\"FT8\" isSender=\"1\" sNR=\"" +
           std::to_string(snr) + "\" />\n";
}

std::string answer(long long sequence, const std::string& reports) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<receptionReports currentSeconds=\"" + std::to_string(t0) +
           "\">\n<lastSequenceNumber value=\"" + std::to_string(sequence) + "\"/>\n" + reports + "</receptionReports>\n";
}

class HeardByTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/skerrow-heard-XXXXXX";
        folder = mkdtemp(pattern);
        set_clock(t0);
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        http_server_stop(server);
        fs::remove_all(folder);
    }
    void set_clock(long long t) {
        std::ofstream(folder + "/clock.tmp") << t << "\n";
        fs::rename(folder + "/clock.tmp", folder + "/clock");
    }
    void serve(std::vector<HttpCanned> answers) {
        server.answers = std::move(answers);
        ASSERT_TRUE(http_server_start(server));
        url = "http://127.0.0.1:" + std::to_string(server.port);
    }
    // Starts the feeder on the test's clock, a 1 s HTTP limit and a data folder of its own.
    void start(const std::vector<std::string>& args) {
        std::vector<std::string> all = {feed_exe};
        if (wine_loader) all.insert(all.begin(), wine_loader);
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {"SKERROW_FEED_CLOCK=" + folder + "/clock", "SKERROW_FEED_HTTP_TIMEOUT=1",
                                        "XDG_DATA_HOME=" + folder + "/data", "HOME=" + folder};
        for (char** e = environ; *e; e++)
            for (const char* kept : {"ASAN_", "UBSAN_", "WINE", "PATH=", "DISPLAY="})
                if (std::string(*e).rfind(kept, 0) == 0) env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, (folder + "/feed.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
    }
    int finish() {
        int status = 0;
        if (!wait_for([&] { return waitpid(pid, &status, WNOHANG) == pid; })) return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string errors() { return read_file(folder + "/feed.err"); }
    std::string log() { return read_file(folder + "/out.log"); }
    std::string folder, url;
    HttpServer server;
    pid_t pid = -1;
};

TEST_F(HeardByTest, FilesOfEveryShapeIntoHeardLogWithBandAndOneRecordPerSlot) {
    std::ofstream(folder + "/answer.xml") << answer(1, report("SQ2OMK", "JO93ia", "MM0MZW", t0 - 105, -13, 14075672) +
                                                        report("SQ2OMK", "JO93ia", "MM0MZW", t0 - 105, -13, 14075672) +
                                                        report("W7XYZ", "DM43", "MM0MZW", t0 - 90, -5, 7075672) +
                                                        report("K1ABC", "FN42", "G4XYZ", t0 - 90, -5, 14075672));
    std::ofstream(folder + "/wspr.tsv") << "time\trx_sign\ttx_sign\tsnr\tfrequency\trx_loc\n"
                                           "2025-12-09 07:50:00\tVK2XYZ\tMM0MZW\t-24\t14097052\tQF56oe\n";
    const std::string archive = "1130358407,1765266000,DC0DX,jo31,-28,14.097100,MM0MZW,IO85,23,0,673,100,14,,0\n"
                                "1130358408,1765266000,DC0DX,jo31,-28,14.097100,MM0MZW,IO85,23,0,673,100,14,,0\n"
                                "1130358409,1765181000,DC0DX,jo31,-28,14.097100,MM0MZW,IO85,23,0,673,100,14,,0\n";
    gzFile gz = gzopen((folder + "/archive.csv.gz").c_str(), "wb");
    gzwrite(gz, archive.data(), unsigned(archive.size()));
    gzclose(gz);
    start({"--heard-by", "mm0mzw", "--band", "14", "--day", "2025-12-09", folder + "/answer.xml", folder + "/wspr.tsv",
           folder + "/archive.csv.gz"});
    EXPECT_EQ(finish(), 0) << errors();
    EXPECT_EQ(read_file(folder + "/data/skerrow/heard.log"),
              header + "DC0DX,jo31,07:40:00,-28,\r\nVK2XYZ,QF56oe,07:50:00,-24,\r\nSQ2OMK,JO93ia,07:58:15,-13,\r\n");
    EXPECT_NE(errors().find("3 reports in " + folder + "/data/skerrow/heard.log; 0 reports not understood, 1 of other "
                            "senders, 2 outside the day or filters"),
              std::string::npos)
        << errors();
    EXPECT_FALSE(fs::exists(folder + "/data/skerrow/spots.log"));
}

TEST_F(HeardByTest, FollowsPskReporterThroughA503AndARateLimitAskingOnlyForWhatIsNew) {
    serve({http_answer(200, answer(100, report("SQ2OMK", "JO93ia", "MM0MZW", t0 - 105, -13, 14075672) +
                                            report("K1ABC", "FN42", "MM0MZW", t0 - 60, -20, 14075600))),
           http_answer(503, "Service Unavailable"), http_answer(429, "Slow down", "Retry-After: 1200\r\n"),
           http_answer(200, answer(101, report("JA1NRH", "PM95", "MM0MZW", t0 + 1200, -18, 14075600)))});
    start({"--follow", "--heard-by", "MM0MZW", "--from", "pskreporter", "--service-url", url + "/", "--contact",
           "me@example.org", "-o", folder + "/out.log"});
    const std::string first = header + "SQ2OMK,JO93ia,07:58:15,-13,\r\nK1ABC,FN42,07:59:00,-20,\r\n";
    ASSERT_TRUE(wait_for([&] { return log() == first; })) << log() << errors();
    auto requests = http_server_requests(server);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET /query?senderCallsign=MM0MZW&flowStartSeconds=-28800&rronly=1"
                                "&appcontact=me%40example.org HTTP/1.1\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: skerrow-feed/"), std::string::npos);
    EXPECT_NE(requests[0].find(" (me@example.org)\r\n"), std::string::npos);

    set_clock(t0 + 300);  // due: the 503
    ASSERT_TRUE(wait_for([&] { return errors().find("PSK Reporter: answered with status 503") != std::string::npos; }))
        << errors();
    EXPECT_NE(errors().find("keeping what is written, asking again in 5 minutes"), std::string::npos) << errors();
    set_clock(t0 + 600);  // due again: the rate limit, which asks for 20 minutes
    ASSERT_TRUE(wait_for([&] { return http_server_requests(server).size() == 3; }));
    set_clock(t0 + 1200);  // the usual growing pause is over, the service's is not
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(http_server_requests(server).size(), 3u);
    EXPECT_EQ(log(), first);
    set_clock(t0 + 1800);
    ASSERT_TRUE(wait_for([&] { return count(log(), "\r\n") == 4; })) << log() << errors();
    EXPECT_EQ(log(), first + "JA1NRH,PM95,08:20:00,-18,\r\n");
    requests = http_server_requests(server);
    EXPECT_NE(requests[3].find("&lastseqno=100 HTTP/1.1"), std::string::npos) << requests[3];
    ASSERT_TRUE(wait_for([&] { return errors().find("PSK Reporter answers again") != std::string::npos; })) << errors();
    EXPECT_EQ(count(errors(), "PSK Reporter:"), 1u) << errors();  // the failures said once
    kill(pid, SIGTERM);
    const int code = finish();
    if (!wine_loader) {  // Wine ends a Windows program on SIGTERM its own way
        EXPECT_EQ(code, 0);
    }
}

TEST_F(HeardByTest, WsprLiveAnswerAsATable) {
    serve({http_answer(200, "time,rx_sign,rx_loc,tx_sign,frequency,snr\n"
                            "\"2025-12-09 07:58:00\",\"DL1ABC\",\"JO62qm\",\"MM0MZW\",14097061,-21\n"
                            "\"2025-12-09 07:58:00\",\"G4ABC\",\"IO91\",\"MM0MZW\",7040100,-9\n")});
    start({"--once", "--heard-by", "MM0MZW", "--from", "wspr", "--band", "14", "--service-url", url, "-o",
           folder + "/out.log"});
    EXPECT_EQ(finish(), 0) << errors();
    EXPECT_EQ(log(), header + "DL1ABC,JO62qm,07:58:00,-21,\r\n");
    auto requests = http_server_requests(server);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("GET /?query=SELECT%20time%2C%20rx_sign%2C%20rx_loc%2C%20tx_sign%2C%20frequency%2C%20snr"
                               "%20FROM%20wspr.rx%20WHERE%20tx_sign%20%3D%20%27MM0MZW%27%20AND%20time%20%3E%20%27"
                               "2025-12-08%2023%3A59%3A59%27"),
              std::string::npos)
        << requests[0];
}

TEST_F(HeardByTest, FailedQueriesLeaveTheLogAsItWas) {
    struct Case {
        const char* name;
        HttpCanned canned;
        const char* said;
    };
    HttpCanned slow = http_answer(200, answer(1, ""));
    slow.delay_ms = 30000;  // past the finish() deadline: only a feeder that gives up passes
    HttpCanned cut = http_answer(200, answer(1, report("K1ABC", "FN42", "MM0MZW", t0 - 60, -20, 14075600)));
    cut.bytes.resize(cut.bytes.size() - 40);
    const std::vector<Case> cases = {
        {"refused", {}, "PSK Reporter: "},
        {"503", http_answer(503, "busy"), "answered with status 503"},
        {"not reports", http_answer(200, "<html>Please slow down</html>"), "answered with something other than"},
        {"cut short", cut, "PSK Reporter: "},
        {"slow", slow, "no whole answer within 1 s"},
    };
    const std::string before = header + "W1AW,FN31,01:00:00,-3,\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(folder + "/out.log", std::ios::binary) << before;
        http_server_stop(server);
        server.requests.clear();
        server.stopping = false;
        std::string address = "http://127.0.0.1:" + std::to_string(http_port_refusing());
        if (!c.canned.bytes.empty()) {
            serve({c.canned});
            address = url;
        }
        auto began = std::chrono::steady_clock::now();
        start({"--once", "--heard-by", "MM0MZW", "--from", "pskreporter", "--service-url", address, "-o",
               folder + "/out.log"});
        EXPECT_EQ(finish(), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(15));  // gave up on the slow one
        EXPECT_NE(errors().find(c.said), std::string::npos) << errors();
        EXPECT_EQ(log(), before);
    }
}

TEST_F(HeardByTest, WrongUses) {
    for (std::vector<std::string> args : {std::vector<std::string>{"--heard-by", "MM0MZW"},
                                          {"--heard-by", "MM0'MZW", "x.xml"},
                                          {"--from", "pskreporter"},
                                          {"--heard-by", "MM0MZW", "--from", "elsewhere"}}) {
        start(args);
        EXPECT_EQ(finish(), 2) << args[1];
    }
}

}  // namespace
