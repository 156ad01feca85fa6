// Any bytes through the reception-report parsers (XML, header table, archive),
// fed in chunks whose size the first byte chooses: no crash, no undefined
// behaviour, bounded state, and every report taken holds sane fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "feed/report_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t chunk = 1 + data[0] % 64;
    std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    ReportParser parser;
    std::vector<Report> out;
    auto check = [&] {
        for (const Report& r : out)
            if (!report_call_valid(r.reporter) || !report_call_valid(r.sender) || r.locator.size() > 10 ||
                r.snr < -60 || r.snr > 60 || r.when < 946684800 || r.frequency_hz < 0 ||
                r.locator.find_first_of(",\r\n") != std::string::npos)
                std::abort();
        if (parser.pending.size() > report_item_limit) std::abort();
        out.clear();
    };
    for (size_t at = 0; at < all.size(); at += chunk) {
        report_parse(parser, all.substr(at, chunk), out);
        check();
    }
    report_parse_end(parser, out);
    check();
    return 0;
}
