// Any bytes, line by line, through the decoder-log parsers: no crash, no
// undefined behaviour, and every spot they accept makes a sane record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "feed/feed_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string all(reinterpret_cast<const char*>(data), size);
    FeedContext context;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        FeedSpot spot;
        if (feed_parse_line(all.substr(start, end - start), context, spot) == FeedLine::spot) {
            std::string record = feed_record(spot);
            if (spot.snr < -60 || spot.snr > 50 || !feed_plausible_call(spot.call) ||
                record.find(',') == std::string::npos || record.size() > 100)
                std::abort();
        }
        start = end + 1;
    }
    return 0;
}
