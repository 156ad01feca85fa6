#include "graphics/palette.h"

#include "tests/graphics/graphics_fixture.h"

namespace {

using PaletteTest = ScreenTest;

TEST_F(PaletteTest, SixBitComponentsScaleToEightBits) {
    const uint32_t in[] = {0, 16, 32, 62, 63}, out[] = {0, 65, 130, 251, 255};
    for (int i = 0; i < 5; i++) EXPECT_EQ(colour_component_8bit(in[i]), out[i]);
}

TEST_F(PaletteTest, TheMonitorsThreeEntries) {
    palette_set(0, 3358271, 1);
    palette_set(14, 4144959, 1);
    palette_set(15, 0, 1);
    EXPECT_EQ(screen()->palette[0], 0x00FFFBCFu);
    EXPECT_EQ(screen()->palette[14], 0x00FFFFFFu);
    EXPECT_EQ(screen()->palette[15], 0x00000000u);
    EXPECT_EQ(errors(), std::vector<int>{});
    palette_set(0, 0, 0);
    EXPECT_EQ(screen()->palette[0], 0xFF000000u);
    EXPECT_EQ(screen()->palette[14], 0xFFFFFF55u);
    EXPECT_EQ(screen()->palette[15], 0xFFFFFFFFu);
}

TEST_F(PaletteTest, AttributesAreTakenModulo256AndCheckedPerMode) {
    palette_set(256, 0x3F, 1);
    EXPECT_EQ(screen()->palette[0], 0x00FF0000u);
    for (int32_t attribute : {16, 272}) {
        reset_errors();
        palette_set(attribute, 0, 1);
        EXPECT_EQ(errors(), std::vector<int>{5}) << attribute;
    }
    reset_errors();
    palette_set(1, 0x40, 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    EXPECT_EQ(screen()->palette[1], 0xFF0000AAu) << "unchanged by the rejected call";
    reset_errors();
    screen_mode_set(13, 0, 0, 0, 0, screen_mode_passed);
    palette_set(-1, 0x3F0000, 1);
    EXPECT_EQ(screen()->palette[255], 0x000000FFu);
    screen_mode_set(9, 0, 0, 0, 0, screen_mode_passed);
    palette_set(3, 20, 1);
    EXPECT_EQ(screen()->palette[3], 0xFFAA5500u);
    palette_set(3, 64, 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    screen_mode_set(10, 0, 0, 0, 0, screen_mode_passed);
    palette_set(3, 8, 1);
    EXPECT_EQ(screen()->palette[7], 8u);
    screen_mode_set(2, 0, 0, 0, 0, screen_mode_passed);
    palette_set(2, 1, 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    int32_t direct = image_create(4, 4, 32, 1);
    dest_image_set(direct);
    palette_set(1, 0, 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    image_free(direct, 1);
}

TEST_F(PaletteTest, ColourSetChoosesForegroundOnly) {
    screen()->draw_colour = 3;
    colour_set(7, 0, 0, colour_foreground_passed);
    EXPECT_EQ(screen()->foreground, 7u);
    EXPECT_EQ(screen()->background, 0u);
    EXPECT_EQ(screen()->draw_colour, 3u);
    for (uint32_t bad : {16u, uint32_t(-1)}) {
        reset_errors();
        colour_set(bad, 0, 0, colour_foreground_passed);
        EXPECT_EQ(errors(), std::vector<int>{5});
        EXPECT_EQ(screen()->foreground, 7u);
    }
    reset_errors();
    colour_set(1, 2, 3, colour_foreground_passed | colour_border_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    EXPECT_EQ(screen()->foreground, 7u);
    reset_errors();
    colour_set(1, 16, 0, colour_foreground_passed | colour_background_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    EXPECT_EQ(screen()->foreground, 7u) << "nothing changes when one argument is out of range";
}

TEST_F(PaletteTest, ColourSetInTheOlderModes) {
    screen_mode_set(1, 0, 0, 0, 0, screen_mode_passed);
    colour_set(1, 2, 0, colour_foreground_passed | colour_background_passed);
    EXPECT_EQ(screen()->palette[0], 0xFF0000AAu);
    EXPECT_EQ(screen()->palette[1], 0xFF00AA00u);
    EXPECT_EQ(screen()->palette[3], 0xFFAA5500u);
    EXPECT_EQ(screen()->foreground, 3u);
    screen_mode_set(9, 0, 0, 0, 0, screen_mode_passed);
    colour_set(0, 63, 0, colour_background_passed);
    EXPECT_EQ(screen()->palette[0], 0xFFFFFFFFu);
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    colour_set(31, 15, 0, colour_foreground_passed | colour_background_passed);
    EXPECT_EQ(screen()->foreground, 31u);
    EXPECT_EQ(screen()->background, 7u);
    EXPECT_EQ(errors(), std::vector<int>{});
}

}  // namespace
