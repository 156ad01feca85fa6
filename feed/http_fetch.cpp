#include "feed/http_fetch.h"

#include <cstdlib>

long http_fetch_timeout() {
    const char* text = std::getenv("SKERROW_FEED_HTTP_TIMEOUT");
    long seconds = text ? std::atol(text) : 0;
    return seconds >= 1 && seconds <= 600 ? seconds : 30;
}
