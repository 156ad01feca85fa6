#include "graphics/draw_line.h"

#include "tests/graphics/graphics_fixture.h"

namespace {

using DrawLineTest = ScreenTest;

PixelSet rectangle(int x1, int y1, int x2, int y2, bool filled) {
    PixelSet out;
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++)
            if (filled || x == x1 || x == x2 || y == y1 || y == y2) out.insert({x, y});
    return out;
}

TEST_F(DrawLineTest, OutlineBoxOfTheLegend) {
    draw_line(388, 333, 610, 352, 8, line_box, 0, line_first_passed | line_colour_passed);
    EXPECT_EQ(painted(), rectangle(388, 333, 610, 352, false));
    EXPECT_EQ(at(388, 333), 8);
    EXPECT_EQ(screen()->graphics_x, 610.0f);
    EXPECT_EQ(screen()->graphics_y, 352.0f);
    EXPECT_EQ(screen()->draw_colour, 8u);
}

TEST_F(DrawLineTest, FilledBoxIncludesItsEdgesWhateverTheCornerOrder) {
    draw_line(612, 24, 30, 365, 14, line_box_filled, 0, line_first_passed | line_colour_passed);
    PixelSet first = painted();
    EXPECT_EQ(first, rectangle(30, 24, 612, 365, true));
    screen_clear(0, 0, 0);
    draw_line(30, 365, 612, 24, 14, line_box_filled, 0, line_first_passed | line_colour_passed);
    EXPECT_EQ(painted(), first);
    EXPECT_EQ(at(30, 24), 14);
}

TEST_F(DrawLineTest, XMajorLineAccumulatesItsSlope) {
    draw_line(0, 0, 10, 3, 15, line_plain, 0, line_first_passed | line_colour_passed);
    const int ys[] = {0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3};
    PixelSet expected;
    for (int x = 0; x <= 10; x++) expected.insert({x, ys[x]});
    EXPECT_EQ(painted(), expected);
}

TEST_F(DrawLineTest, StyleDrawsFourSkipsFour) {
    draw_line(10, 5, 41, 5, 15, line_plain, 0xF0F0, line_first_passed | line_colour_passed | line_style_passed);
    for (int x = 10; x <= 41; x++) EXPECT_EQ(at(x, 5), ((x - 10) / 4) % 2 == 0 ? 15 : 0) << x;
}

TEST_F(DrawLineTest, ClippedStartKeepsThePatternPhase) {
    // Unclipped, pixel i of the line uses bit 15 - (i mod 16) of the style.
    const uint32_t style = 0xC5A3;
    draw_line(-7, 100, 40, 100, 15, line_plain, style, line_first_passed | line_colour_passed | line_style_passed);
    for (int x = 0; x <= 40; x++) {
        int i = x + 7;
        EXPECT_EQ(at(x, 100), (style >> (15 - i % 16)) & 1 ? 15 : 0) << x;
    }
    // The same along a diagonal that enters through the top edge.
    screen_clear(0, 0, 0);
    draw_line(50, -5, 80, 25, 15, line_plain, style, line_first_passed | line_colour_passed | line_style_passed);
    for (int i = 5; i <= 30; i++) EXPECT_EQ(at(50 + i, -5 + i), (style >> (15 - i % 16)) & 1 ? 15 : 0) << i;
}

TEST_F(DrawLineTest, InvisibleLineStillMovesTheCursorAndColour) {
    draw_line(-50, -50, -10, -20, 9, line_plain, 0, line_first_passed | line_colour_passed);
    EXPECT_EQ(painted(), PixelSet{});
    EXPECT_EQ(screen()->graphics_x, -10.0f);
    EXPECT_EQ(screen()->graphics_y, -20.0f);
    EXPECT_EQ(screen()->draw_colour, 9u);
    // Far beyond any image, with absurd values: nothing drawn, nothing broken.
    draw_line(-1e30f, 5, 1e30f, 7, 9, line_plain, 0, line_first_passed | line_colour_passed);
    draw_line(__builtin_nanf(""), 5, 3, 7, 9, line_box, 0, line_first_passed | line_colour_passed);
    draw_line(-1e9f, -1e9f, 1e9f, 1e9f, 9, line_box_filled, 0, line_first_passed | line_colour_passed);
    EXPECT_EQ(painted().size(), 640u * 480u);
}

TEST_F(DrawLineTest, LineCrossingTheViewPortIsClippedToIt) {
    screen()->view_x1 = 100, screen()->view_y1 = 100, screen()->view_x2 = 199, screen()->view_y2 = 199;
    draw_line(0, 150, 639, 150, 4, line_plain, 0, line_first_passed | line_colour_passed);
    draw_line(150, 0, 150, 479, 4, line_plain, 0, line_first_passed | line_colour_passed);
    PixelSet expected;
    for (int i = 100; i <= 199; i++) expected.insert({i, 150}), expected.insert({150, i});
    EXPECT_EQ(painted(), expected);
}

TEST_F(DrawLineTest, RelativePointsAndTheCursor) {
    screen()->graphics_x = 20, screen()->graphics_y = 30;
    draw_line(0, 0, 5, 0, 2, line_plain, 0, line_second_relative | line_colour_passed);
    EXPECT_EQ(painted(), rectangle(20, 30, 25, 30, true));
    draw_line(1, 1, 0, 2, 3, line_plain, 0, line_first_passed | line_first_relative | line_second_relative | line_colour_passed);
    EXPECT_EQ(at(26, 31), 3);
    EXPECT_EQ(at(26, 33), 3);
    EXPECT_EQ(screen()->graphics_y, 33.0f);
}

TEST_F(DrawLineTest, PointsAndTheirLimits) {
    draw_point(78, 455, 15, point_colour_passed);
    EXPECT_EQ(at(78, 455), 15);
    draw_point(640, 10, 15, point_colour_passed);
    draw_point(-1, 10, 15, point_colour_passed);
    EXPECT_EQ(painted().size(), 1u);
    draw_point(2.5f, 3.5f, 0, 0);  // halves to even, in the foreground
    EXPECT_EQ(at(2, 4), 15);
    draw_point(1, 1, 17, point_relative | point_colour_passed);
    EXPECT_EQ(at(4, 4), 1) << "(3.5, 4.5) rounds to (4, 4); colours are stored masked to 4 bits";
    EXPECT_EQ(screen()->draw_colour, 17u);
}

TEST_F(DrawLineTest, WindowMappingScalesAndOffsets) {
    ImageSurface* s = screen();
    s->coordinate_mapping = 2;
    s->window_scale_x = 2, s->window_offset_x = 10, s->view_offset_x = 5;
    s->window_scale_y = -1, s->window_offset_y = 479;
    EXPECT_EQ(map_x(s, 3), 21);
    EXPECT_EQ(map_y(s, 0), 479);
    EXPECT_EQ(map_x(s, 0.25f), 15) << "10.5 rounds to even";
    draw_point(3, 0, 6, point_colour_passed);
    EXPECT_EQ(at(21, 479), 6);
}

TEST_F(DrawLineTest, TextScreensRefuseDrawing) {
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    draw_line(0, 0, 5, 5, 1, line_plain, 0, line_first_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    draw_point(0, 0, 1, 0);
    EXPECT_EQ(errors(), std::vector<int>{5});
}

TEST_F(DrawLineTest, DirectColourImagesBlendByAlpha) {
    int32_t h = image_create(4, 1, 32, 1);
    ImageSurface* s = image_get(h);
    auto px = [&](int x) { return reinterpret_cast<uint32_t*>(s->pixels)[x]; };
    pixel_write(s, 0, 0, 0xFF102030);
    EXPECT_EQ(px(0), 0xFF102030u);
    pixel_write(s, 0, 0, 0x00FFFFFF);
    EXPECT_EQ(px(0), 0xFF102030u) << "alpha 0 leaves the pixel";
    pixel_write(s, 0, 0, 0x80305070);
    EXPECT_EQ(px(0) & 0xFFFFFF, 0x203850u) << "half alpha averages the channels";
    EXPECT_EQ(px(0) >> 24, 0xFFu);
    pixel_write(s, 1, 0, 0xFF000000);
    pixel_write(s, 1, 0, 0x40FFFFFF);
    EXPECT_EQ(px(1) & 0xFF, 64u);
    s->blend_off = 1;
    rect_fill(s, 0, 0, 3, 0, 0x11223344);
    for (int x = 0; x < 4; x++) EXPECT_EQ(px(x), 0x11223344u);
    image_free(h, 1);
}

}  // namespace
