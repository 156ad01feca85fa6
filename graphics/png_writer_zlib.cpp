// PNG files through zlib alone, for the platforms without libpng (Windows):
// each row behind filter byte 0, the rows deflated by zlib, framed in the
// signature and the IHDR, IDAT and IEND chunks with their CRCs.
#include "graphics/png_writer.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace {

constexpr uint8_t png_signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Keeps the row data well inside zlib's 32-bit sizes (uLong is 32 bits on Windows).
constexpr size_t largest_pixel_count = size_t(1) << 28;

void put_u32(uint8_t* out, uint32_t value) {
    out[0] = uint8_t(value >> 24);
    out[1] = uint8_t(value >> 16);
    out[2] = uint8_t(value >> 8);
    out[3] = uint8_t(value);
}

// Length, type, data and the CRC over type and data.
bool chunk_write(FILE* f, const char* type, const uint8_t* data, uint32_t size) {
    uint8_t head[8], tail[4];
    put_u32(head, size);
    for (int i = 0; i < 4; i++) head[4 + i] = uint8_t(type[i]);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, size);
    put_u32(tail, uint32_t(crc));
    return std::fwrite(head, 1, 8, f) == 8 && (size == 0 || std::fwrite(data, 1, size, f) == size) &&
           std::fwrite(tail, 1, 4, f) == 4;
}

}  // namespace

bool png_write_rgb(const char* path, const uint32_t* pixels, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || size_t(width) * size_t(height) > largest_pixel_count) return false;
    size_t row_bytes = 1 + size_t(width) * 3;
    std::vector<uint8_t> rows(row_bytes * size_t(height));
    for (int32_t y = 0; y < height; y++) {
        uint8_t* row = &rows[size_t(y) * row_bytes];
        row[0] = 0;  // filter: none
        for (int32_t x = 0; x < width; x++) {
            uint32_t c = pixels[size_t(y) * size_t(width) + size_t(x)];
            row[1 + size_t(x) * 3] = uint8_t(c >> 16);
            row[2 + size_t(x) * 3] = uint8_t(c >> 8);
            row[3 + size_t(x) * 3] = uint8_t(c);
        }
    }
    uLongf packed_size = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, rows.data(), uLong(rows.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return false;
    uint8_t header[13];
    put_u32(header, uint32_t(width));
    put_u32(header + 4, uint32_t(height));
    header[8] = 8;    // bits per sample
    header[9] = 2;    // colour type: RGB
    header[10] = 0;   // compression: deflate
    header[11] = 0;   // filter method: adaptive
    header[12] = 0;   // no interlace
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(png_signature, 1, 8, f) == 8 && chunk_write(f, "IHDR", header, 13) &&
              chunk_write(f, "IDAT", packed.data(), uint32_t(packed_size)) && chunk_write(f, "IEND", nullptr, 0);
    return std::fclose(f) == 0 && ok;
}
