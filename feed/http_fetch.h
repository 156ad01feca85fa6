// One HTTP(S) GET through the system's well-kept client: libcurl on POSIX
// systems, WinHTTP on Windows (one file each).
#pragma once

#include <string>

// What a GET brought back.
struct HttpAnswer {
    int status = 0;          // the HTTP status; 0 when no answer came
    std::string body;        // the body (at most http_body_limit bytes)
    long retry_after = -1;   // seconds a Retry-After header asked for; -1 none
    std::string error;       // why no whole answer came: no connection, timed out, cut short, too large
};

// The longest body taken; a longer one is an error.
constexpr size_t http_body_limit = 64u << 20;

// ---- Fetching -------------------------------------------------------------------------

// GETs `url`, naming the program as `user_agent`, giving up after
// http_fetch_timeout() seconds in all. True when a whole answer (of any
// status) came back; false with `error` set otherwise.
bool http_fetch(const std::string& url, const std::string& user_agent, HttpAnswer& answer);
// The overall time limit of a GET in seconds: 30, or SKERROW_FEED_HTTP_TIMEOUT
// when that holds a whole number from 1 to 600 (the tests wait less).
long http_fetch_timeout();
