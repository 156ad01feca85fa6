// PNG files read through zlib alone, for the platforms without libpng
// (Windows): 8-bit RGB or RGBA, not interlaced, every chunk's CRC checked,
// the IDAT data inflated by zlib and the rows' filters undone.
#include "tests/support/golden.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t get_u32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

bool file_read(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

int paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the filter of each row in place; false on an unknown filter type.
bool rows_unfilter(std::vector<uint8_t>& data, size_t row_bytes, size_t height, size_t bpp) {
    const uint8_t* previous = nullptr;
    for (size_t y = 0; y < height; y++) {
        uint8_t* row = &data[y * (row_bytes + 1)];
        uint8_t type = row[0];
        uint8_t* p = row + 1;
        for (size_t i = 0; i < row_bytes; i++) {
            int left = i >= bpp ? p[i - bpp] : 0, up = previous ? previous[i] : 0;
            int corner = previous && i >= bpp ? previous[i - bpp] : 0;
            switch (type) {
                case 0: break;
                case 1: p[i] = uint8_t(p[i] + left); break;
                case 2: p[i] = uint8_t(p[i] + up); break;
                case 3: p[i] = uint8_t(p[i] + (left + up) / 2); break;
                case 4: p[i] = uint8_t(p[i] + paeth(left, up, corner)); break;
                default: return false;
            }
        }
        previous = p;
    }
    return true;
}

}  // namespace

bool png_read_rgb(const std::string& path, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
    static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> file;
    if (!file_read(path, file) || file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0) return false;
    uint32_t w = 0, h = 0, channels = 0;
    std::vector<uint8_t> packed;
    bool ended = false;
    for (size_t at = 8; !ended;) {
        if (file.size() - at < 12) return false;
        uint32_t size = get_u32(&file[at]);
        if (size > file.size() - at - 12) return false;
        const uint8_t* type = &file[at + 4];
        const uint8_t* data = type + 4;
        if (crc32(crc32(0, type, 4), data, size) != get_u32(data + size)) return false;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (size != 13) return false;
            w = get_u32(data);
            h = get_u32(data + 4);
            channels = data[9] == 2 ? 3 : data[9] == 6 ? 4 : 0;
            // 8 bits per sample, deflate, the one filter method, no interlace.
            if (data[8] != 8 || channels == 0 || data[10] != 0 || data[11] != 0 || data[12] != 0) return false;
            if (w == 0 || h == 0 || uint64_t(w) * h > (uint64_t(1) << 28)) return false;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            packed.insert(packed.end(), data, data + size);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        at += 12 + size_t(size);
    }
    if (channels == 0) return false;
    size_t row_bytes = size_t(w) * channels;
    std::vector<uint8_t> rows((row_bytes + 1) * h);
    uLongf unpacked = uLongf(rows.size());
    if (uncompress(rows.data(), &unpacked, packed.data(), uLong(packed.size())) != Z_OK || unpacked != rows.size())
        return false;
    if (!rows_unfilter(rows, row_bytes, h, channels)) return false;
    pixels.assign(size_t(w) * h, 0);
    for (size_t y = 0; y < h; y++)
        for (size_t x = 0; x < w; x++) {
            const uint8_t* p = &rows[y * (row_bytes + 1) + 1 + x * channels];
            pixels[y * w + x] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
    width = int32_t(w);
    height = int32_t(h);
    return true;
}
