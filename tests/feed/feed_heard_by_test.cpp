// skerrow-feed --heard-by as a process: report files of every shape, and the
// live services played by a server on loopback (answers, a 503, a rate limit,
// a refused connection, a cut body, a slow answer), on a clock of the test's own.
//
// The Windows build's skerrow-feed.exe runs the same live cases under Wine
// (tests/wine/): SKERROW_WINE_LOADER and SKERROW_FEED_EXE name the loader and
// the program, and WinHTTP talks to the same server over loopback.
#include <zlib.h>

#include "support/feed_process.h"
#include "support/http_server.h"

namespace {

using namespace feed_test;

constexpr long long t0 = 1765267200;  // 2025-12-09 08:00:00 UTC
const bool under_wine = std::getenv("SKERROW_WINE_LOADER") != nullptr;

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

// The feeder on the test's clock, a 1 s HTTP limit and a data folder of its own.
class HeardByTest : public FeedProcessTest {
protected:
    void SetUp() override {
        FeedProcessTest::SetUp();
        set_clock(t0);
    }
    void TearDown() override {
        http_server_stop(server);
        FeedProcessTest::TearDown();
    }
    void serve(std::vector<HttpCanned> answers) {
        server.answers = std::move(answers);
        ASSERT_TRUE(http_server_start(server));
        url = "http://127.0.0.1:" + std::to_string(server.port);
    }
    void start(const std::vector<std::string>& args) {
        pid = FeedProcessTest::start(args, {clock_env(), "SKERROW_FEED_HTTP_TIMEOUT=1", "XDG_DATA_HOME=" + folder + "/data"});
    }
    bool wait_for(const std::function<bool()>& condition) { return wait_until(condition, 20000); }
    std::string log() { return file_text(folder + "/out.log"); }
    std::string url;
    HttpServer server;
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
    EXPECT_EQ(file_text(folder + "/data/skerrow/heard.log"),
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
    if (!under_wine) {  // Wine ends a Windows program on SIGTERM its own way
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
