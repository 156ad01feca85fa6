// Any bytes, line by line, through the decoder-log parsers: no crash, no
// undefined behaviour, and every spot they accept makes a sane record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "feed/feed_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    FeedContext context;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos) end = all.size();
        FeedSpot spot;
        if (feed_parse_line(all.substr(start, end - start), context, spot) == FeedLine::spot) {
            char buffer[feed_record_max];
            std::string_view record(buffer, feed_record(spot, buffer));
            if (spot.snr < -60 || spot.snr > 50 || !feed_plausible_call(spot.call.view()) ||
                record.find(',') == std::string_view::npos || record.size() > 60 || record.substr(record.size() - 3) != ",\r\n")
                std::abort();
        }
        start = end + 1;
    }
    return 0;
}
