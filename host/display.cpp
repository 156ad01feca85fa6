#include "host/display.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "errors/runtime_error.h"
#include "graphics/fonts.h"
#include "graphics/image_surface.h"
#include "host/keyboard.h"
#include "host/keyboard_window.h"
#include "host/menu_bar.h"
#include "host/message_box.h"
#include "host/platform.h"
#include "host/run_state.h"

std::atomic<int> auto_display{1};
std::atomic<int> frame_suspend{0};

namespace {

constexpr int slot_free = 1, slot_building = 2, slot_ready = 3, slot_shown = 4;

struct FrameSlot {
    std::atomic<int> state{slot_free};  // free, being built, ready, on display
    std::atomic<int64_t> order{0};      // sequence number given when the build began
    std::vector<uint32_t> pixels;       // 0xAARRGGBB, row by row from the top
    int32_t width = 0, height = 0;      // frame size in pixels
};

FrameSlot slots[3];
int64_t frame_sequence = 0;
std::atomic<int64_t> latest_ready{-1};
int64_t last_presented = -2;
double display_rate = 60;
std::vector<uint8_t> previous_pixels;
uint32_t previous_palette[256];
bool previous_valid = false;
std::atomic<bool> force_rebuild{false};
std::atomic<int64_t> build_passes{0}, frames_built{0}, uploads{0}, swaps{0};

// Display-thread state.
std::atomic<std::thread::id> display_thread_id;  // asked by other threads too
const WindowSystem* window = nullptr;  // the platform's, while the loop runs
int window_width = 640, window_height = 400;
bool reshape_seen = false;
bool resize_off = true;
bool in_display = false;
bool texture_made = false;  // a frame has been uploaded
int shown_slot = -1;
int64_t shown_order = -1;
int32_t last_frame_width = 0, last_frame_height = 0;
std::atomic<bool> window_gone{false};  // display_post asks it on any thread
int quiet_ticks = 0;                 // timer ticks since anything happened
constexpr int idle_interval_ms = 96;
bool fullscreen = false;
bool fullscreen_changed = false;  // redraw pending after a switch
std::vector<uint32_t> bar_pixels;    // the menu bar above the screen
bool framebuffer_objects = false;  // off-screen hardware images could use them; nothing does yet

// The title handed from the program thread to the display thread.
std::mutex title_mutex;
std::string title_text;
bool title_set = false;
std::atomic<bool> title_dirty{false};

// Work handed to the display thread.
struct PostedWork {
    void (*work)(void*);
    void* argument;
};
std::mutex posted_mutex;
std::vector<PostedWork> posted;

// Text screens are drawn from a copy of their cells and palette with the 16-row font.
void render_text(int32_t columns, int32_t rows, const uint8_t* cells, const uint32_t* palette, FrameSlot& f) {
    int32_t fw = 8, fh = 16;
    f.width = columns * fw;
    f.height = rows * fh;
    f.pixels.resize(size_t(f.width) * size_t(f.height));
    uint32_t* out = f.pixels.data();
    for (int32_t row = 0; row < rows; row++) {
        for (int32_t col = 0; col < columns; col++) {
            const uint8_t* cell = cells + 2 * (size_t(row) * size_t(columns) + size_t(col));
            const uint8_t* glyph = font_glyph(16, cell[0]);
            uint32_t fg = palette[cell[1] & 15] | 0xFF000000u;
            uint32_t bg = palette[(cell[1] >> 4) & 7] | 0xFF000000u;
            for (int32_t y = 0; y < fh; y++)
                for (int32_t x = 0; x < fw; x++)
                    out[size_t(row * fh + y) * size_t(f.width) + size_t(col * fw + x)] = glyph[y * 8 + x] ? fg : bg;
        }
    }
}

// The thread checker's switch for the calling thread's memory accesses;
// present only in a build for it.
extern "C" [[gnu::weak]] void __tsan_ignore_thread_begin();
extern "C" [[gnu::weak]] void __tsan_ignore_thread_end();

// The one read of the screen that is not synchronised with the program, which
// may be drawing meanwhile: a frame can show a partly drawn picture, and the
// next build corrects it. It copies the screen's bytes and palette over the
// last frame's copy, unless `compare` is set and they equal it (true when it
// copied), and does nothing else, because the thread checker is told to look
// away for exactly this read (a suppression would cost it a report per 8 bytes
// per frame); every other access to the screen and its record stays checked.
[[gnu::noinline]] bool screen_bytes_copy(uint8_t* pixels_copy, const uint8_t* pixels, size_t bytes,
                                         uint32_t* palette_copy, const uint32_t* palette, size_t entries,
                                         bool compare) {
    if (__tsan_ignore_thread_begin) __tsan_ignore_thread_begin();
    bool same = compare && std::memcmp(pixels_copy, pixels, bytes) == 0 &&
                (entries == 0 || std::memcmp(palette_copy, palette, entries * 4) == 0);
    if (!same) {
        std::memcpy(pixels_copy, pixels, bytes);
        if (entries) std::memcpy(palette_copy, palette, entries * 4);
    }
    if (__tsan_ignore_thread_end) __tsan_ignore_thread_end();
    return !same;
}

}  // namespace

void frame_pause_answer() {
    if (display_pause.load() == 1) display_pause.store(2);
}

void frame_build() {
    int pick = -1;
    int64_t oldest = INT64_MAX;
    for (int i = 0; i < 3; i++)
        if (slots[i].state.load() == slot_ready && slots[i].order.load() < oldest) {
            oldest = slots[i].order.load();
            pick = i;
        }
    for (int i = 0; i < 3; i++)
        if (slots[i].state.load() == slot_free) pick = i;
    if (pick < 0) {
        alert("Software frame buffer: Failed to find available frame");
        return;
    }
    build_passes++;
    FrameSlot& f = slots[pick];
    f.state.store(slot_building);
    f.order.store(frame_sequence++);
    if (display_pause.load() != 0) {  // a mode change is replacing the screen
        f.state.store(slot_free);
        return;
    }
    const ImageSurface* s = image_display();
    if (s == nullptr || s->pixels == nullptr) {
        f.state.store(slot_free);
        return;
    }
    size_t count = size_t(s->width) * s->height;
    size_t bytes = count * s->bytes_per_pixel;
    size_t entries = s->palette ? (s->bits_per_pixel >= 8 ? 256 : size_t(1) << s->bits_per_pixel) : 0;
    if (s->is_text) entries = 16;
    bool stale = display_frame_stale.exchange(0) != 0;
    bool same_size = previous_pixels.size() == bytes;
    if (!same_size) {
        previous_pixels.resize(bytes);
        previous_valid = false;
    }
    bool compare = same_size && previous_valid && !force_rebuild.load() && !stale;
    if (!screen_bytes_copy(previous_pixels.data(), s->pixels, bytes, previous_palette, s->palette, entries,
                           compare)) {  // the screen shows what the last frame showed
        f.state.store(slot_free);
        latest_ready.store(f.order.load());
        return;
    }
    if (s->is_text) {
        render_text(s->width, s->height, previous_pixels.data(), previous_palette, f);
    } else {
        f.width = s->width;
        f.height = s->height;
        f.pixels.resize(count);
        if (s->bytes_per_pixel == 4) {
            std::memcpy(f.pixels.data(), previous_pixels.data(), count * 4);
        } else {
            const uint8_t* p = previous_pixels.data();
            uint32_t* out = f.pixels.data();
            for (size_t i = 0; i < count; i++) out[i] = previous_palette[p[i]];
        }
    }
    frames_built++;
    force_rebuild.store(false);
    previous_valid = true;
    f.state.store(slot_ready);
    latest_ready.store(f.order.load());
}

namespace {

bool apply_title() {
    if (!title_dirty.exchange(false) || window_gone.load()) return false;
    std::string t;
    {
        std::lock_guard<std::mutex> lock(title_mutex);
        t = title_text;
    }
    window->title_set(t.c_str());
    return true;
}

bool run_posted() {
    std::vector<PostedWork> work;
    {
        std::lock_guard<std::mutex> lock(posted_mutex);
        work.swap(posted);
    }
    for (const PostedWork& w : work) w.work(w.argument);
    return !work.empty();
}

// The menu bar's pixels for a frame `width` wide; true when they changed.
bool bar_render(int width) {
    if (bar_pixels.size() != size_t(width) * menu_bar_height) bar_pixels.assign(size_t(width) * menu_bar_height, 0);
    return menu_bar_render(bar_pixels.data(), width);
}

void on_display() {
    if (in_display || window_gone.load()) return;
    in_display = true;
    int chosen = shown_slot;
    int64_t best = shown_order;
    for (int i = 0; i < 3; i++)
        if (slots[i].state.load() == slot_ready && slots[i].order.load() > best) {
            best = slots[i].order.load();
            chosen = i;
        }
    bool new_frame = chosen >= 0 && chosen != shown_slot;
    if (new_frame) {
        for (int i = 0; i < 3; i++) {
            int st = slots[i].state.load();
            if (i != chosen && (st == slot_ready || st == slot_shown) && slots[i].order.load() < best)
                slots[i].state.store(slot_free);
        }
        slots[chosen].state.store(slot_shown);
        shown_slot = chosen;
        shown_order = best;
    }
    if (chosen < 0) {
        in_display = false;
        return;
    }
    // An expose also lands here: the window calls us whenever it needs painting.
    reshape_seen = false;
    fullscreen_changed = false;
    FrameSlot& f = slots[chosen];
    // Full screen holds like the window's size does: a resize still on its way
    // from before the switch must not undo it.
    if (fullscreen) {
        int screen_w = 0, screen_h = 0;
        window->screen_size(&screen_w, &screen_h);
        if (window_width != screen_w || window_height != screen_h) {
            window->position(0, 0);
            window->reshape(screen_w, screen_h);
            window->redisplay_post();
        }
    }
    int bar = !fullscreen && menu_bar_attached() ? menu_bar_height : 0;
    if (!fullscreen && (f.width != window_width || f.height + bar != window_height) &&
        (resize_off || f.width != last_frame_width || f.height != last_frame_height)) {
        window->reshape(f.width, f.height + bar);
        window->redisplay_post();
    }
    last_frame_width = f.width;
    last_frame_height = f.height;
    // Destination: one window pixel per image pixel from the top-left corner;
    // full screen scales to fit keeping the aspect ratio, smoothed unless the
    // scale is a whole number.
    float dest_x = 0, dest_y = float(bar), dest_w = float(f.width), dest_h = float(f.height);
    bool smooth = false;
    if (fullscreen && f.width > 0 && f.height > 0) {
        float scale = std::min(float(window_width) / float(f.width), float(window_height) / float(f.height));
        if (scale >= 1) {
            float whole = std::floor(scale);
            if (scale - whole < 0.0001f) scale = whole;
        }
        smooth = scale != std::floor(scale);
        dest_w = float(f.width) * scale;
        dest_h = float(f.height) * scale;
        dest_x = std::floor((float(window_width) - dest_w) / 2);
        dest_y = std::floor((float(window_height) - dest_h) / 2);
    }
    WindowFrame frame{.pixels = f.pixels.data(),
                      .width = f.width,
                      .height = f.height,
                      .is_new = new_frame || !texture_made,
                      .window_width = window_width,
                      .window_height = window_height,
                      .dest_x = dest_x,
                      .dest_y = dest_y,
                      .dest_width = dest_w,
                      .dest_height = dest_h,
                      .smooth = smooth};
    if (bar) {
        frame.bar_changed = bar_render(f.width);
        frame.bar_pixels = bar_pixels.data();
        frame.bar_width = f.width;
        frame.bar_height = menu_bar_height;
    }
    if (window->frame_draw(&frame)) {
        texture_made = true;
        uploads++;
    }
    last_presented = latest_ready.load();
    if (!(pause_flag.load() & 1)) {
        window->buffers_swap();
        swaps++;
    }
    in_display = false;
}

void on_timer(int) {
    if (window_gone.load() || exit_request.load()) return;
    quiet_ticks++;
    if (run_posted()) quiet_ticks = 0;
    if (apply_title()) quiet_ticks = 0;
    if (window->poll()) display_activity();
    if (window_gone.load() || exit_request.load()) return;
    if (fullscreen_toggle_request.exchange(0)) {
        fullscreen = !fullscreen;
        if (fullscreen) window->full_screen();
        else window->full_screen_leave();
        fullscreen_changed = true;
        force_rebuild.store(true);
    }
    // Redraw only for a newer frame, a resize or a full-screen switch; exposes
    // redraw through the window. An unchanged screen is neither redrawn nor swapped.
    bool newer = reshape_seen || fullscreen_changed || (menu_bar_attached() && menu_bar_changed());
    for (const FrameSlot& f : slots)
        if (f.state.load() == slot_ready && f.order.load() > shown_order) newer = true;
    if (newer) {
        window->redisplay_post();
        quiet_ticks = 0;
    }
    // After half a second with nothing to show the timer slows down: frames
    // come at most every 32 ms anyway, and an idle monitor should cost nothing.
    // Input wakes the loop at once and brings the full rate back.
    int interval = int(1000 / display_rate) - 4;
    if (quiet_ticks > 40) interval = idle_interval_ms;
    window->timer_add(unsigned(interval < 1 ? 1 : interval), on_timer, 0);
}

void on_reshape(int w, int h) {
    window_width = w;
    window_height = h;
    reshape_seen = true;
}

void on_close() {
    window_gone.store(true);
    exit_request.store(1);
    message_box_abandon();
}

// Clicks on the menu bar.
void on_mouse(int button, int state, int x, int y) {
    if (button != window_button_left) return;
    display_activity();
    menu_bar_mouse(state == window_button_down, x, y);
}

const WindowCallbacks callbacks = {
    .display = on_display,
    .reshape = on_reshape,
    .keyboard = keyboard_window_character,
    .keyboard_up = keyboard_window_character_up,
    .special = keyboard_window_special,
    .special_up = keyboard_window_special_up,
    .mouse = on_mouse,
    .close = on_close,
    .key_break = keyboard_window_break,
};

}  // namespace

void window_opening_wait() {
    for (int waited = 0; window_opening.load() && !stop_now.load() && !exit_request.load() && waited < 10000;
         waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void window_title_set(StringValue* title) {
    if (error_pending.load()) return;
    {
        std::lock_guard<std::mutex> lock(title_mutex);
        title_text.assign(reinterpret_cast<const char*>(title->data), size_t(title->length));
        // The window manager sees the text up to its first NUL byte, and no
        // control byte: the title carries the log path from the setup file.
        title_text = title_text.c_str();
        for (char& c : title_text)
            if (uint8_t(c) < 32 || uint8_t(c) == 127) c = '?';
        title_set = true;
    }
    if (window_created.load()) title_dirty.store(true);
}

void display_activity() { quiet_ticks = 0; }

bool window_title_is(const char* title) {
    if (!window_created.load()) return false;
    std::lock_guard<std::mutex> lock(title_mutex);
    return title_text == title;
}

bool display_thread_is_current() { return std::this_thread::get_id() == display_thread_id.load(); }

bool display_post(void (*work)(void*), void* argument) {
    if (window_gone.load()) return false;
    std::lock_guard<std::mutex> lock(posted_mutex);
    posted.push_back({work, argument});
    return true;
}

DisplayCounters display_counters() {
    return {build_passes.load(), frames_built.load(), uploads.load(), swaps.load()};
}

void display_run(int argc, char** argv) {
    display_thread_id.store(std::this_thread::get_id());
    window = platform().window;
    if (!window->open(&argc, argv)) process_exit(1);
    std::string first_title = "Untitled";
    {
        std::lock_guard<std::mutex> lock(title_mutex);
        if (title_set) first_title = title_text;
    }
    if (!window->create(640, 400, first_title.c_str())) process_exit(1);
    window_created.store(1);
    window_opening.store(0);
    title_dirty.store(true);
    framebuffer_objects = window->gl_extension("GL_EXT_framebuffer_object");
    keyboard_window_attach(window, display_activity);
    keyboard_set_lock_reader(platform().lock_keys);
    window->callbacks_set(&callbacks);
    window->timer_add(8, on_timer, 0);
    window->main_loop();
    window_gone.store(true);
}
