// GET through libcurl, loaded by name at the first query: only the report
// service needs it, so the feeder's other work does not pay for loading it and
// the dozens of libraries it pulls in at every start.
#include <curl/curl.h>
#include <dlfcn.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "feed/http_fetch.h"

namespace {

constexpr char curl_library[] = "libcurl.so.4";

// The few calls made, bound by name from the loaded library.
struct Curl {
    CURLcode (*global_init)(long flags);
    CURL* (*easy_init)();
    CURLcode (*easy_setopt)(CURL* curl, CURLoption option, ...);
    CURLcode (*easy_perform)(CURL* curl);
    CURLcode (*easy_getinfo)(CURL* curl, CURLINFO info, ...);
    void (*easy_cleanup)(CURL* curl);
    const char* (*easy_strerror)(CURLcode code);
};

// Binds `name` into `entry`; false when the library lacks it.
template <class F>
bool bind(void* library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

// Loads and starts the library once; null with `error` set when it cannot.
const Curl* curl_load(std::string& error) {
    static std::once_flag once;
    static Curl curl;
    static bool loaded = false;
    static std::string failure;
    std::call_once(once, [] {
        void* library = dlopen(curl_library, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = dlerror();
            failure = std::string("the HTTP client library ") + curl_library + " could not be loaded" +
                      (why ? std::string(": ") + why : std::string());
            return;
        }
        if (!bind(library, "curl_global_init", curl.global_init) || !bind(library, "curl_easy_init", curl.easy_init) ||
            !bind(library, "curl_easy_setopt", curl.easy_setopt) ||
            !bind(library, "curl_easy_perform", curl.easy_perform) ||
            !bind(library, "curl_easy_getinfo", curl.easy_getinfo) ||
            !bind(library, "curl_easy_cleanup", curl.easy_cleanup) ||
            !bind(library, "curl_easy_strerror", curl.easy_strerror)) {
            failure = std::string("the HTTP client library ") + curl_library + " lacks a call this program needs";
            return;  // the library stays loaded: unloading one half-used is not worth the risk
        }
        curl.global_init(CURL_GLOBAL_DEFAULT);
        loaded = true;
    });
    if (!loaded) error = failure;
    return loaded ? &curl : nullptr;
}

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
    answer = HttpAnswer{};
    const Curl* lib = curl_load(answer.error);
    if (!lib) return false;
    CURL* curl = lib->easy_init();
    if (!curl) {
        answer.error = "the HTTP client could not start";
        return false;
    }
    char reason[CURL_ERROR_SIZE] = "";
    lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
    lib->easy_setopt(curl, CURLOPT_USERAGENT, user_agent.c_str());
    lib->easy_setopt(curl, CURLOPT_TIMEOUT, http_fetch_timeout());
    lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    lib->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    lib->easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");  // whatever the client can inflate
    lib->easy_setopt(curl, CURLOPT_ERRORBUFFER, reason);
    lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, take_body);
    lib->easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    lib->easy_setopt(curl, CURLOPT_HEADERFUNCTION, take_header);
    lib->easy_setopt(curl, CURLOPT_HEADERDATA, &answer);
    CURLcode result = lib->easy_perform(curl);
    long status = 0;
    lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    lib->easy_cleanup(curl);
    if (result != CURLE_OK) {
        answer.error = result == CURLE_WRITE_ERROR ? "the answer is larger than 64 MiB"
                       : result == CURLE_OPERATION_TIMEDOUT
                           ? "no whole answer within " + std::to_string(http_fetch_timeout()) + " s"
                           : reason[0] ? std::string(reason) : std::string(lib->easy_strerror(result));
        answer.body.clear();
        return false;
    }
    answer.status = int(status);
    return true;
}
