// A mode 12 screen, cleared, and helpers to look at its pixels.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "errors/runtime_error.h"
#include "graphics/image_surface.h"
#include "tests/support/error_record.h"
#include "text/string_value.h"

using Pixel = std::pair<int, int>;
using PixelSet = std::set<Pixel>;

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_errors();
        mark = string_temps_mark();
        // Through another mode, so that every test starts on a fresh page.
        screen_mode_set(2, 0, 0, 0, 0, screen_mode_passed);
        screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
        ASSERT_EQ(error_pending.load(), 0u);
    }
    void TearDown() override {
        error_pending = 0;
        string_temps_release(mark, 0);
    }
    static ImageSurface* screen() { return image_destination(); }
    static int at(int x, int y) { return screen()->pixels[size_t(y) * screen()->width + size_t(x)]; }
    // Every pixel of the destination that is not `background`.
    static PixelSet painted(int background = 0) {
        PixelSet out;
        ImageSurface* s = screen();
        for (int y = 0; y < s->height; y++)
            for (int x = 0; x < s->width; x++)
                if (at(x, y) != background) out.insert({x, y});
        return out;
    }
    static std::vector<int> errors() { return raised_errors(); }
    // A view of bytes the caller keeps alive (a literal, or a string of the test's own scope).
    static StringValue* text(const char* literal) { return string_from_cstring(literal); }
    static StringValue* text(const std::string& kept) { return string_from_text(kept.data(), int32_t(kept.size())); }

    int32_t mark = 0;
};
