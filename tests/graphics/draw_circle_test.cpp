#include "graphics/draw_circle.h"

#include <cmath>
#include <utility>
#include <vector>

#include "graphics/text_print.h"
#include "tests/graphics/graphics_fixture.h"
#include "text/fast_path.h"

namespace {

using DrawCircleTest = ScreenTest;

constexpr double pi = 3.141592653589793;

void circle(double radius) { draw_circle(100, 100, radius, 7, 0, 0, 0, circle_colour_passed); }

TEST_F(DrawCircleTest, RadiusOne) {
    circle(1);
    EXPECT_EQ(painted(), (PixelSet{{99, 100}, {101, 100}, {100, 99}, {100, 101}}));
    EXPECT_EQ(at(101, 100), 7);
}

TEST_F(DrawCircleTest, RadiusTwo) {
    circle(2);
    PixelSet expected;
    for (int i = 99; i <= 101; i++) expected.insert({{98, i}, {102, i}, {i, 98}, {i, 102}});
    EXPECT_EQ(painted(), expected);
}

TEST_F(DrawCircleTest, RadiusThree) {
    circle(3);
    PixelSet expected{{98, 98}, {102, 98}, {98, 102}, {102, 102}};
    for (int i = 99; i <= 101; i++) expected.insert({{97, i}, {103, i}, {i, 97}, {i, 103}});
    EXPECT_EQ(painted(), expected);
}

TEST_F(DrawCircleTest, LargerCirclesAreClosedAndOnePixelThin) {
    for (double r : {5.0, 17.0, 60.0, 200.0}) {
        screen_clear(0, 0, 0);
        draw_circle(320, 240, r, 9, 0, 0, 0, circle_colour_passed);
        PixelSet got = painted();
        for (const Pixel& p : got) {
            double d = std::hypot(p.first - 320, p.second - 240);
            EXPECT_NEAR(d, r, 1.0) << r;
        }
        // Closed: every column the circle spans has a pixel above and below the centre.
        for (int x = 320 - int(r) + 1; x < 320 + int(r); x++) {
            bool above = false, below = false;
            for (const Pixel& p : got)
                if (std::abs(p.first - x) <= 1) above |= p.second < 240, below |= p.second > 240;
            EXPECT_TRUE(above && below) << r << " at " << x;
        }
    }
}

TEST_F(DrawCircleTest, UpperHalfArcWithBothRadiusLines) {
    draw_circle(100, 100, 10, 7, -0.001, -pi, 0, circle_colour_passed | circle_start_passed | circle_end_passed);
    PixelSet got = painted();
    for (const Pixel& p : got) EXPECT_LE(p.second, 100) << p.first << "," << p.second;
    for (int x = 90; x <= 110; x++) EXPECT_EQ(at(x, 100), 7) << "both radius lines lie on the centre row: " << x;
    EXPECT_EQ(at(100, 90), 7);
}

TEST_F(DrawCircleTest, WrappedArcRunsThroughZero) {
    draw_circle(100, 100, 10, 7, 1.5 * pi, 0.5 * pi, 0, circle_colour_passed | circle_start_passed | circle_end_passed);
    // The arc test uses the angles of the step being traced, so the last
    // written offset before the top may sit one column left of the centre.
    for (const Pixel& p : painted()) EXPECT_GE(p.first, 99) << p.first << "," << p.second;
    EXPECT_EQ(at(90, 100), 0);
    EXPECT_EQ(at(110, 100), 7);
}

TEST_F(DrawCircleTest, AnglesBeyondTwoPiAreRefused) {
    draw_circle(100, 100, 10, 7, 7, 0, 0, circle_colour_passed | circle_start_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    EXPECT_EQ(painted(), PixelSet{});
}

TEST_F(DrawCircleTest, OutsideTheViewMovesTheCursorOnly) {
    screen()->draw_colour = 3;
    draw_circle(-50, -50, 10, 7, 0, 0, 0, circle_colour_passed);
    EXPECT_EQ(painted(), PixelSet{});
    EXPECT_EQ(screen()->graphics_x, -50.0f);
    EXPECT_EQ(screen()->draw_colour, 3u);
}

TEST_F(DrawCircleTest, AspectSquashesTheEllipse) {
    draw_circle(100, 100, 20, 7, 0, 0, 0.5, circle_colour_passed | circle_aspect_passed);
    int top = 480, left = 640;
    for (const Pixel& p : painted()) top = std::min(top, p.second), left = std::min(left, p.first);
    EXPECT_EQ(left, 80);
    EXPECT_EQ(top, 90);
}

TEST_F(DrawCircleTest, TinyAndHugeRadiiStaySafe) {
    circle(0.2);
    EXPECT_EQ(painted(), (PixelSet{{100, 100}}));
    draw_circle(320, 240, 1e12, 7, 0, 0, 0, circle_colour_passed);
    draw_circle(320, 240, __builtin_nan(""), 7, 0, 0, 0, circle_colour_passed);
    draw_circle(1e300, -1e300, 5, 7, 0, 0, 0, circle_colour_passed);
    EXPECT_EQ(errors(), std::vector<int>{});
}

// Drawn again, a circle writes its kept trace: at the edges, over text
// (printed again after it) and inside, the pixels of the plain path.
TEST_F(DrawCircleTest, ACircleDrawnAgainWritesWhatTracingWrites) {
    auto draw_all = [](bool fast) {
        fast_path = fast;
        screen_mode_set(2, 0, 0, 0, 0, screen_mode_passed);
        screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
        ImageSurface* s = image_destination();
        std::vector<std::vector<uint8_t>> images;
        for (double r : {3.0, 2.0, 3.0, 7.5})
            for (auto [x, y] : {std::pair{100.0, 100.0}, {0.0, 0.0}, {639.0, 479.0}, {2.0, 240.0}, {12.0, 7.0}}) {
                draw_circle(x, y, r, 9, 0, 0, 0, circle_colour_passed);
                locate_cursor(1, 1, 0, 0, 0, locate_row_passed | locate_column_passed);
                print_string(string_from_cstring("AB"), 0);
                images.emplace_back(s->pixels, s->pixels + size_t(s->width) * s->height);
            }
        fast_path = true;
        return images;
    };
    EXPECT_TRUE(draw_all(true) == draw_all(false));
}

TEST_F(DrawCircleTest, TextScreensRefuseCircles) {
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    draw_circle(1, 1, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(errors(), std::vector<int>{5});
}

}  // namespace
