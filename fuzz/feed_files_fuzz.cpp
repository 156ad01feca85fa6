// Any bytes as a decoder file, read by the decoder-file source from a start
// found by bisection (the bytes repeated past a few probe blocks) for a span
// the first bytes choose: no crash, no undefined behaviour, every record kept
// lies in the keeper's bytes and the span, and a keeper handing records on as
// they come hands on (when they came in time order) what the other kept.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "feed/feed_decoder_files.h"
#include "feed/feed_keeper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // The span: a day from 2000 to 2035, or a rolling window ending then.
    const uint32_t pick = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16;
    const bool rolling = data[3] & 1;
    const std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);
    static const std::string path = "/tmp/feed_files_fuzz." + std::to_string(getpid()) + ".ALL.TXT";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) std::abort();
        std::string all;
        while (all.size() < 140 * 1024 && !bytes.empty()) all += bytes;  // past two probe blocks
        std::fwrite(all.data(), 1, all.size(), f);
        std::fclose(f);
    }
    FeedKeeper keeper;
    const int64_t day = (int64_t(10957) + pick % 13000) * 86400;
    keeper.now = day + 86400 * 2;
    feed_keeper_start(keeper, rolling ? day - int64_t(data[3]) * 3600 : day, rolling ? INT64_MAX : day + 86400);
    auto source = feed_decoder_files({path}, data[3] & 2);
    source->poll(keeper);
    feed_keeper_settle(keeper);
    std::string kept;
    for (uint32_t i : keeper.order) {
        if (i >= keeper.kept.size()) std::abort();
        const FeedKept& k = keeper.kept[i];
        if (size_t(k.at) + k.size > keeper.bytes.size() || k.when < keeper.from || k.when >= keeper.to) std::abort();
        kept.append(keeper.bytes.data() + k.at, k.size);
    }
    FeedKeeper handing;
    handing.now = keeper.now;
    feed_keeper_start(handing, keeper.from, keeper.to);
    std::string handed;
    FeedPass pass;
    pass.write = [&](std::string_view records, long long) { return handed += records, true; };
    handing.pass = &pass;
    feed_decoder_files({path}, data[3] & 2)->poll(handing);
    if (feed_keeper_pass_end(handing) && handed != kept) std::abort();
    std::remove(path.c_str());
    return 0;
}
