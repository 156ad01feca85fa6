// PNG files written and read back: every pixel comes back, whatever writer
// and reader the platform has (libpng, or zlib alone).
#include "graphics/png_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/golden.h"

namespace {

// A name of this run's own: the libpng and the zlib variant of this test may run side by side.
std::string scratch_path(const char* name) {
    static const std::string run = std::to_string(std::random_device{}());
    return (std::filesystem::temp_directory_path() / ("skerrow-" + run + "-" + name)).string();
}

TEST(PngWriter, EveryPixelComesBack) {
    std::mt19937 random(7);
    for (auto [w, h] : {std::pair{640, 480}, std::pair{1, 1}, std::pair{37, 3}}) {
        std::vector<uint32_t> picture(size_t(w) * size_t(h));
        for (uint32_t& p : picture) p = uint32_t(random());  // alpha is dropped
        std::string path = scratch_path("round-trip.png");
        ASSERT_TRUE(png_write_rgb(path.c_str(), picture.data(), w, h));
        std::vector<uint32_t> back;
        int32_t bw = 0, bh = 0;
        ASSERT_TRUE(png_read_rgb(path, back, bw, bh));
        std::filesystem::remove(path);
        ASSERT_EQ(bw, w);
        ASSERT_EQ(bh, h);
        for (uint32_t& p : picture) p |= 0xFF000000u;
        EXPECT_EQ(back, picture) << w << " x " << h;
    }
}

TEST(PngWriter, RefusesEmptyPicturesAndUnwritablePaths) {
    uint32_t pixel = 0;
    std::string path = scratch_path("empty.png");
    EXPECT_FALSE(png_write_rgb(path.c_str(), &pixel, 0, 1));
    EXPECT_FALSE(png_write_rgb(path.c_str(), &pixel, 1, 0));
    std::filesystem::remove(path);
    std::string folder = scratch_path("no-such-folder");
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(png_write_rgb((folder + "/x.png").c_str(), &pixel, 1, 1));
    std::vector<uint32_t> back;
    int32_t w = 0, h = 0;
    EXPECT_FALSE(png_read_rgb(folder + "/x.png", back, w, h));
}

}  // namespace
