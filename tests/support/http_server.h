// A small HTTP server on loopback for the tests: it answers each connection
// with the next of the answers written in the test (the last one again once
// they are used up) and keeps the requests it got. Nothing leaves the machine.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One answer as it goes on the wire.
struct HttpCanned {
    std::string bytes;  // status line, headers and body, sent as they stand
    int delay_ms = 0;   // the wait after the request before anything is sent
};

struct HttpServer {
    int port = 0;                       // the port on 127.0.0.1
    std::vector<HttpCanned> answers;    // set before http_server_start
    std::vector<std::string> requests;  // each request's head (request line and headers), under `lock`
    std::mutex lock;
    std::atomic<bool> stopping{false};
    int listener = -1;
    std::thread thread;
};

// A whole answer: "HTTP/1.1 STATUS" with Content-Length, the `headers` lines (each CR LF ended) and the body.
HttpCanned http_answer(int status, const std::string& body, const std::string& headers = "");
// Starts serving on an unused loopback port; false when no socket can be had.
bool http_server_start(HttpServer& server);
// Ends the server and its thread.
void http_server_stop(HttpServer& server);
// The requests so far.
std::vector<std::string> http_server_requests(HttpServer& server);
// A loopback port that nothing listens on (bound, then let go).
int http_port_refusing();
