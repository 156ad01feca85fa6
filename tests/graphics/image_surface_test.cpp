#include "graphics/image_surface.h"

#include "graphics/draw_line.h"
#include "tests/graphics/graphics_fixture.h"

namespace {

using ImageSurfaceTest = ScreenTest;

TEST_F(ImageSurfaceTest, Mode12IsTheMonitorsScreen) {
    ImageSurface* s = screen();
    EXPECT_EQ(s->width, 640);
    EXPECT_EQ(s->height, 480);
    EXPECT_EQ(s->bytes_per_pixel, 1);
    EXPECT_EQ(s->colour_mask, 15u);
    EXPECT_EQ(s->font, 16);
    EXPECT_EQ(image_text_rows(s), 30);
    EXPECT_EQ(image_text_columns(s), 80);
    EXPECT_EQ(s->text_top_row, 1);
    EXPECT_EQ(s->text_bottom_row, 29);
    EXPECT_EQ(s->graphics_x, 320.0f);
    EXPECT_EQ(s->graphics_y, 240.0f);
    EXPECT_EQ(s->foreground, 15u);
    EXPECT_EQ(s->background, 0u);
    EXPECT_EQ(s->palette[1], 0xFF0000AAu);
    EXPECT_EQ(s->flags & image_is_page, image_is_page);
    EXPECT_EQ(dest_image_get(), display_image_get());
    EXPECT_EQ(source_image_get(), display_image_get());
}

TEST_F(ImageSurfaceTest, SelectingTheSameModeAgainKeepsThePixels) {
    ImageSurface* before = screen();
    before->pixels[1000] = 9;
    screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
    EXPECT_EQ(screen(), before);
    EXPECT_EQ(at(1000 % 640, 1000 / 640), 9);
}

TEST_F(ImageSurfaceTest, ClearSetsBackgroundAndHomesBothCursors) {
    ImageSurface* s = screen();
    std::fill(s->pixels, s->pixels + 640 * 480, uint8_t(5));
    s->background = 3;
    s->cursor_row = 12, s->cursor_column = 40, s->graphics_x = 7, s->graphics_y = 9;
    screen_clear(0, 0, 0);
    EXPECT_EQ(painted(3), PixelSet{});
    EXPECT_EQ(s->cursor_row, 1);
    EXPECT_EQ(s->cursor_column, 1);
    EXPECT_EQ(s->graphics_x, 320.0f);
    EXPECT_EQ(s->graphics_y, 240.0f);
}

TEST_F(ImageSurfaceTest, ClearRejectsBadMethodsAndColours) {
    screen()->pixels[0] = 4;
    screen_clear(3, 0, clear_method_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    screen_clear(0, 16, clear_method_passed | clear_colour_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    EXPECT_EQ(at(0, 0), 4);
}

TEST_F(ImageSurfaceTest, ClearMethodTwoClearsOnlyThePrintRegion) {
    ImageSurface* s = screen();
    std::fill(s->pixels, s->pixels + 640 * 480, uint8_t(5));
    screen_clear(2, 1, clear_method_passed | clear_colour_passed);
    EXPECT_EQ(at(639, 463), 1);  // last pixel row of text row 29
    EXPECT_EQ(at(0, 464), 5);    // row 30 keeps its pixels
}

TEST_F(ImageSurfaceTest, EveryModeHasItsSizeDepthFontAndColours) {
    struct Row {
        int mode, width, height, bits, font, rows, columns;
        uint32_t foreground;
    };
    const Row table[] = {{0, 80, 25, 16, 16, 25, 80, 7},   {1, 320, 200, 2, 8, 25, 40, 3},
                         {2, 640, 200, 1, 8, 25, 80, 1},   {7, 320, 200, 4, 8, 25, 40, 15},
                         {8, 640, 200, 4, 8, 25, 80, 15},  {9, 640, 350, 4, 14, 25, 80, 15},
                         {10, 640, 350, 2, 14, 25, 80, 3}, {11, 640, 480, 1, 16, 30, 80, 1},
                         {12, 640, 480, 4, 16, 30, 80, 15}, {13, 320, 200, 8, 8, 25, 40, 15}};
    for (const Row& r : table) {
        screen_mode_set(r.mode, 0, 0, 0, 0, screen_mode_passed);
        ImageSurface* s = screen();
        SCOPED_TRACE(r.mode);
        EXPECT_EQ(s->compatible_mode, r.mode);
        EXPECT_EQ(s->width, r.width);
        EXPECT_EQ(s->height, r.height);
        EXPECT_EQ(s->bits_per_pixel, r.bits);
        EXPECT_EQ(s->font, r.font);
        EXPECT_EQ(image_text_rows(s), r.rows);
        EXPECT_EQ(image_text_columns(s), r.columns);
        EXPECT_EQ(s->foreground, r.foreground);
        EXPECT_EQ(s->text_bottom_row, r.rows - 1);
    }
    EXPECT_EQ(errors(), std::vector<int>{});
    for (int bad : {3, 4, 5, 6, 14, 32, 256}) {
        reset_errors();
        screen_mode_set(bad, 0, 0, 0, 0, screen_mode_passed);
        EXPECT_EQ(errors(), std::vector<int>{5}) << bad;
    }
}

TEST_F(ImageSurfaceTest, ModePalettes) {
    screen_mode_set(1, 0, 0, 0, 0, screen_mode_passed);
    EXPECT_EQ(screen()->palette[1], 0xFF00AAAAu);
    EXPECT_EQ(screen()->palette[3], 0xFFAAAAAAu);
    screen_mode_set(2, 0, 0, 0, 0, screen_mode_passed);
    EXPECT_EQ(screen()->palette[0], 0x00000000u);
    EXPECT_EQ(screen()->palette[1], 0x00FFFFFFu);
    screen_mode_set(9, 0, 0, 0, 0, screen_mode_passed);
    EXPECT_EQ(screen()->palette[6], 0xFFAA5500u);   // EGA 20: brown
    EXPECT_EQ(screen()->palette[15], 0xFFFFFFFFu);  // EGA 63
    EXPECT_EQ(screen()->palette[8], 0xFF555555u);   // EGA 56
    screen_mode_set(10, 0, 0, 0, 0, screen_mode_passed);
    EXPECT_EQ(screen()->palette[6], 6u);
    EXPECT_EQ(ega_palette_64[0x3F], 0xFFFFFFFFu);
    EXPECT_EQ(ega_palette_64[0x24], 0xFFFF0000u);  // bits 2 and 5: full red
    EXPECT_EQ(default_palette_256[16], 0xFF000000u);
    EXPECT_EQ(default_palette_256[31], 0xFFFFFFFFu);
    for (int i = 248; i < 256; i++) EXPECT_EQ(default_palette_256[i], 0xFF000000u) << i;
}

TEST_F(ImageSurfaceTest, ImagesHaveNegativeHandlesAndFollowTheDestination) {
    int32_t h = image_create(20, 10, 0, 0);
    ASSERT_LT(h, -1);
    ImageSurface* s = image_get(h);
    EXPECT_EQ(s->compatible_mode, 12);
    EXPECT_EQ(s->width, 20);
    EXPECT_EQ(s->flags & image_is_page, 0u);
    EXPECT_EQ(image_create(0, 10, 0, 0), 0);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    image_create(10, 10, 14, 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();

    int32_t copy = image_copy(h);
    ASSERT_LT(copy, -1);
    EXPECT_NE(image_get(copy)->pixels, s->pixels);
    image_free(h, 1);
    EXPECT_EQ(image_get(h), nullptr);
    image_free(h, 1);
    EXPECT_EQ(errors(), std::vector<int>{258});
    reset_errors();
    image_free(5, 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    image_free(display_image_get(), 1);  // a screen page
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    int32_t again = image_create(5, 5, 32, 1);
    EXPECT_EQ(again, h) << "freed slots are reused first";
    EXPECT_EQ(image_get(again)->background, 0xFF000000u);
    EXPECT_EQ(image_get(again)->palette, nullptr);
    image_free(again, 1);
    image_free(copy, 1);
}

TEST_F(ImageSurfaceTest, FreeingTheDestinationFallsBackToTheDisplay) {
    int32_t h = image_create(8, 8, 13, 1);
    dest_image_set(h);
    source_image_set(h);
    EXPECT_EQ(dest_image_get(), h);
    image_free(0, 0);
    EXPECT_EQ(dest_image_get(), display_image_get());
    EXPECT_EQ(source_image_get(), display_image_get());
    dest_image_set(h);
    EXPECT_EQ(errors(), std::vector<int>{258});
}

TEST_F(ImageSurfaceTest, PageCopyNeedsEqualImages) {
    screen_mode_set(12, 0, 1, 0, 0, screen_mode_passed | screen_active_page_passed);
    ImageSurface* one = image_get(1);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(screen(), one);
    EXPECT_EQ(image_display(), one) << "without a visual page the active page is shown";
    EXPECT_EQ(one->palette, image_get(0)->palette);
    one->pixels[77] = 12;
    page_copy(1, 0);
    EXPECT_EQ(image_get(0)->pixels[77], 12);
    int32_t small = image_create(10, 10, 12, 1);
    page_copy(0, small);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    screen_mode_set(12, 0, 0, 0, 0, screen_active_page_passed | screen_visual_page_passed);
    image_free(small, 1);
}

TEST_F(ImageSurfaceTest, StartUpTextScreenWidensForRow50) {
    // Only a fresh process has the start-up text screen; here we check that a
    // screen chosen later never widens.
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    screen_text_rows_widen();
    EXPECT_EQ(screen()->height, 25);
}

}  // namespace
