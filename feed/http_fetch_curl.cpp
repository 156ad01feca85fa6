// GET through libcurl.
#include <curl/curl.h>

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "feed/http_fetch.h"

namespace {

size_t take_body(char* data, size_t size, size_t count, void* user) {
    auto* answer = static_cast<HttpAnswer*>(user);
    size_t n = size * count;
    if (answer->body.size() + n > http_body_limit) return 0;  // ends the transfer with a write error
    answer->body.append(data, n);
    return n;
}

size_t take_header(char* data, size_t size, size_t count, void* user) {
    auto* answer = static_cast<HttpAnswer*>(user);
    size_t n = size * count;
    constexpr char name[] = "retry-after:";
    if (n > sizeof name - 1 && strncasecmp(data, name, sizeof name - 1) == 0) {
        std::string value(data + sizeof name - 1, n - (sizeof name - 1));
        char* end = nullptr;
        long seconds = std::strtol(value.c_str(), &end, 10);
        if (end != value.c_str() && seconds >= 0) answer->retry_after = seconds;
    }
    return n;
}

}  // namespace

bool http_fetch(const std::string& url, const std::string& user_agent, HttpAnswer& answer) {
    static std::once_flag global;
    std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    answer = HttpAnswer{};
    CURL* curl = curl_easy_init();
    if (!curl) {
        answer.error = "the HTTP client could not start";
        return false;
    }
    char reason[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, user_agent.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, http_fetch_timeout());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");  // whatever the client can inflate
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, reason);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, take_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, take_header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer);
    CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        answer.error = result == CURLE_WRITE_ERROR ? "the answer is larger than 64 MiB"
                       : result == CURLE_OPERATION_TIMEDOUT
                           ? "no whole answer within " + std::to_string(http_fetch_timeout()) + " s"
                           : reason[0] ? std::string(reason) : std::string(curl_easy_strerror(result));
        answer.body.clear();
        return false;
    }
    answer.status = int(status);
    return true;
}
