// skerrow-icon: the desktop icon, cut from the monitor's own picture.
//
//   skerrow-icon PICTURE.png X Y SIDE OUT-FOLDER SIZE...
//
// Takes the SIDE x SIDE square at (X, Y) of the picture and writes it, scaled
// down by averaging, as OUT-FOLDER/skerrow-SIZE.png for every SIZE.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<png_byte> rgb;  // width * height * 3
};

bool picture_read(const char* path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = int(image.width);
    picture.height = int(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

// Each output pixel is the mean of the source pixels its square covers (partly covered ones weighted).
Picture square_scaled(const Picture& from, int x0, int y0, int side, int size) {
    Picture out;
    out.width = out.height = size;
    out.rgb.assign(size_t(size) * size_t(size) * 3, 0);
    double step = double(side) / size;
    for (int oy = 0; oy < size; oy++)
        for (int ox = 0; ox < size; ox++) {
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int sy = int(oy * step); sy < int((oy + 1) * step + 0.999); sy++)
                for (int sx = int(ox * step); sx < int((ox + 1) * step + 0.999); sx++) {
                    double wy = std::min(double(sy + 1), (oy + 1) * step) - std::max(double(sy), oy * step);
                    double wx = std::min(double(sx + 1), (ox + 1) * step) - std::max(double(sx), ox * step);
                    if (wx <= 0 || wy <= 0 || sx >= side || sy >= side) continue;
                    const png_byte* p = &from.rgb[(size_t(y0 + sy) * size_t(from.width) + size_t(x0 + sx)) * 3];
                    for (int c = 0; c < 3; c++) sum[c] += p[c] * wx * wy;
                    weight += wx * wy;
                }
            for (int c = 0; c < 3; c++)
                out.rgb[(size_t(oy) * size_t(size) + size_t(ox)) * 3 + size_t(c)] = png_byte(sum[c] / weight + 0.5);
        }
    return out;
}

bool picture_write(const std::string& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(picture.width);
    image.height = png_uint_32(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fputs("usage: skerrow-icon PICTURE.png X Y SIDE OUT-FOLDER SIZE...\n", stderr);
        return 2;
    }
    Picture picture;
    if (!picture_read(argv[1], picture)) {
        std::fprintf(stderr, "skerrow-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    int x = std::atoi(argv[2]), y = std::atoi(argv[3]), side = std::atoi(argv[4]);
    if (x < 0 || y < 0 || side < 1 || x + side > picture.width || y + side > picture.height) {
        std::fprintf(stderr, "skerrow-icon: the square lies outside the %dx%d picture\n", picture.width, picture.height);
        return 2;
    }
    for (int i = 6; i < argc; i++) {
        int size = std::atoi(argv[i]);
        std::string out = std::string(argv[5]) + "/skerrow-" + std::to_string(size) + ".png";
        if (size < 1 || size > side || !picture_write(out, square_scaled(picture, x, y, side, size))) {
            std::fprintf(stderr, "skerrow-icon: cannot write %s\n", out.c_str());
            return 1;
        }
    }
    return 0;
}
