#include "host/display.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

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
#include "host/line_event.h"
#include "host/menu_bar.h"
#include "host/message_box.h"
#include "host/process.h"
#include "host/window_x11.h"

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
std::thread::id display_thread_id;
int main_window = 0;
int window_width = 640, window_height = 400;
bool reshape_seen = false;
bool resize_off = true;
bool in_display = false;
GLuint texture = 0;
int shown_slot = -1;
int64_t shown_order = -1;
int32_t last_frame_width = 0, last_frame_height = 0;
bool window_gone = false;
int quiet_ticks = 0;                 // timer ticks since anything happened
constexpr int idle_interval_ms = 96;
bool fullscreen = false;
bool fullscreen_changed = false;  // redraw pending after a switch
float texture_u = 1, texture_v = 1;  // used part of a padded texture
GLuint bar_texture = 0;              // the menu bar above the screen
std::vector<uint32_t> bar_pixels;
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

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Text screens are drawn from their cells with the 16-row font.
void render_text(const ImageSurface* s, FrameSlot& f) {
    int32_t fw = 8, fh = 16;
    f.width = s->width * fw;
    f.height = s->height * fh;
    f.pixels.resize(size_t(f.width) * size_t(f.height));
    for (int32_t row = 0; row < s->height; row++) {
        for (int32_t col = 0; col < s->width; col++) {
            const uint8_t* cell = s->pixels + 2 * (size_t(row) * s->width + size_t(col));
            const uint8_t* glyph = font_glyph(16, cell[0]);
            uint32_t fg = s->palette[cell[1] & 15] | 0xFF000000u;
            uint32_t bg = s->palette[(cell[1] >> 4) & 7] | 0xFF000000u;
            for (int32_t y = 0; y < fh; y++)
                for (int32_t x = 0; x < fw; x++)
                    f.pixels[size_t(row * fh + y) * size_t(f.width) + size_t(col * fw + x)] =
                        glyph[y * 8 + x] ? fg : bg;
        }
    }
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
    int entries = s->palette ? (s->bits_per_pixel >= 8 ? 256 : 1 << s->bits_per_pixel) : 0;
    if (s->is_text) entries = 16;
    bool stale = display_frame_stale.exchange(0) != 0;
    if (previous_pixels.size() != bytes) {
        previous_pixels.assign(bytes, 0);
        previous_valid = false;
    } else if (!force_rebuild.load() && !stale && previous_valid &&
               std::memcmp(previous_pixels.data(), s->pixels, bytes) == 0 &&
               (entries == 0 || std::memcmp(previous_palette, s->palette, size_t(entries) * 4) == 0)) {
        f.state.store(slot_free);
        latest_ready.store(f.order.load());
        return;
    }
    std::memcpy(previous_pixels.data(), s->pixels, bytes);
    if (entries) std::memcpy(previous_palette, s->palette, size_t(entries) * 4);
    if (s->is_text) {
        render_text(s, f);
    } else {
        f.width = s->width;
        f.height = s->height;
        f.pixels.resize(count);
        if (s->bytes_per_pixel == 4) {
            std::memcpy(f.pixels.data(), s->pixels, count * 4);
        } else {
            const uint8_t* p = previous_pixels.data();
            for (size_t i = 0; i < count; i++) f.pixels[i] = previous_palette[p[i]];
        }
    }
    frames_built++;
    force_rebuild.store(false);
    previous_valid = true;
    f.state.store(slot_ready);
    latest_ready.store(f.order.load());
}

bool apply_title() {
    if (!title_dirty.exchange(false) || window_gone) return false;
    std::string t;
    {
        std::lock_guard<std::mutex> lock(title_mutex);
        t = title_text;
    }
    int current = glutGetWindow();
    glutSetWindow(main_window);
    glutSetWindowTitle(t.c_str());
    if (current != 0 && current != main_window) glutSetWindow(current);
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

int power_of_two(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// Makes the texture of a new frame: straight, else padded to powers of two,
// else through mipmaps.
void texture_upload(const FrameSlot& f) {
    if (texture != 0) glDeleteTextures(1, &texture);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    while (glGetError() != GL_NO_ERROR) {
    }
    texture_u = texture_v = 1;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, f.width, f.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, f.pixels.data());
    if (glGetError() != GL_NO_ERROR) {
        int pw = power_of_two(f.width), ph = power_of_two(f.height);
        std::vector<uint32_t> padded(size_t(pw) * size_t(ph), 0);
        for (int32_t y = 0; y < f.height; y++)
            std::memcpy(&padded[size_t(y) * size_t(pw)], &f.pixels[size_t(y) * size_t(f.width)], size_t(f.width) * 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pw, ph, 0, GL_BGRA, GL_UNSIGNED_BYTE, padded.data());
        if (glGetError() == GL_NO_ERROR) {
            texture_u = float(f.width) / float(pw);
            texture_v = float(f.height) / float(ph);
        } else if (gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, f.width, f.height, GL_BGRA, GL_UNSIGNED_BYTE,
                                     f.pixels.data()) != 0) {
            alert("gluBuild2DMipmaps failed");
            alert_number(int(glGetError()));
        }
    }
    uploads++;
}

// The menu bar along the top of the window, one window pixel per bar pixel.
void bar_draw(int width) {
    if (bar_pixels.size() != size_t(width) * menu_bar_height) {
        bar_pixels.assign(size_t(width) * menu_bar_height, 0);
        if (bar_texture != 0) glDeleteTextures(1, &bar_texture);
        bar_texture = 0;
    }
    bool changed = menu_bar_render(bar_pixels.data(), width);
    if (bar_texture == 0) {
        glGenTextures(1, &bar_texture);
        changed = true;
    }
    glBindTexture(GL_TEXTURE_2D, bar_texture);
    if (changed)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, menu_bar_height, 0, GL_BGRA, GL_UNSIGNED_BYTE, bar_pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    float w = float(width), h = float(menu_bar_height);
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0, 0); glVertex2f(0, 0);
    glTexCoord2f(1, 0); glVertex2f(w, 0);
    glTexCoord2f(1, 1); glVertex2f(w, h);
    glTexCoord2f(0, 0); glVertex2f(0, 0);
    glTexCoord2f(1, 1); glVertex2f(w, h);
    glTexCoord2f(0, 1); glVertex2f(0, h);
    glEnd();
}

void on_display() {
    if (in_display || window_gone) return;
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
    // An expose also lands here: freeglut calls us whenever the window needs painting.
    reshape_seen = false;
    fullscreen_changed = false;
    FrameSlot& f = slots[chosen];
    glutSetWindow(main_window);
    // Full screen holds like the window's size does: a resize still on its way
    // from before the switch must not undo it.
    if (fullscreen) {
        int screen_w = glutGet(GLUT_SCREEN_WIDTH), screen_h = glutGet(GLUT_SCREEN_HEIGHT);
        if (window_width != screen_w || window_height != screen_h) {
            glutPositionWindow(0, 0);
            glutReshapeWindow(screen_w, screen_h);
            glutPostRedisplay();
        }
    }
    int bar = !fullscreen && menu_bar_attached() ? menu_bar_height : 0;
    if (!fullscreen && (f.width != window_width || f.height + bar != window_height) &&
        (resize_off || f.width != last_frame_width || f.height != last_frame_height)) {
        glutReshapeWindow(f.width, f.height + bar);
        glutPostRedisplay();
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
    glViewport(0, 0, window_width, window_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, window_width, window_height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (new_frame || texture == 0) texture_upload(f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, smooth ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smooth ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    float x1 = dest_x, y1 = dest_y, x2 = dest_x + dest_w, y2 = dest_y + dest_h, u = texture_u, v = texture_v;
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0, 0); glVertex2f(x1, y1);
    glTexCoord2f(u, 0); glVertex2f(x2, y1);
    glTexCoord2f(u, v); glVertex2f(x2, y2);
    glTexCoord2f(0, 0); glVertex2f(x1, y1);
    glTexCoord2f(u, v); glVertex2f(x2, y2);
    glTexCoord2f(0, v); glVertex2f(x1, y2);
    glEnd();
    if (bar) bar_draw(f.width);
    glDisable(GL_TEXTURE_2D);
    last_presented = latest_ready.load();
    if (!(pause_flag.load() & 1)) {
        glutSwapBuffers();
        swaps++;
    }
    in_display = false;
}

void on_timer(int) {
    if (window_gone || exit_request.load()) return;
    quiet_ticks++;
    if (display_pause.load() == 1) display_pause.store(2), quiet_ticks = 0;
    if (run_posted()) quiet_ticks = 0;
    if (apply_title()) quiet_ticks = 0;
    keyboard_poll_window();
    if (window_gone || exit_request.load()) return;
    if (fullscreen_toggle_request.exchange(0)) {
        glutSetWindow(main_window);
        fullscreen = !fullscreen;
        if (fullscreen) glutFullScreen();
        else glutLeaveFullScreen();
        fullscreen_changed = true;
        force_rebuild.store(true);
    }
    // Redraw only for a newer frame, a resize or a full-screen switch; exposes
    // redraw through freeglut. An unchanged screen is neither redrawn nor swapped.
    bool newer = reshape_seen || fullscreen_changed || (menu_bar_attached() && menu_bar_changed());
    for (const FrameSlot& f : slots)
        if (f.state.load() == slot_ready && f.order.load() > shown_order) newer = true;
    if (newer) {
        glutSetWindow(main_window);
        glutPostRedisplay();
        quiet_ticks = 0;
    }
    // After half a second with nothing to show the timer slows down: frames
    // come at most every 32 ms anyway, and an idle monitor should cost nothing.
    // Input wakes the loop at once and brings the full rate back.
    int interval = int(1000 / display_rate) - 4;
    if (quiet_ticks > 40) interval = idle_interval_ms;
    glutTimerFunc(unsigned(interval < 1 ? 1 : interval), on_timer, 0);
}

void on_reshape(int w, int h) {
    if (glutGetWindow() != main_window) return;
    window_width = w;
    window_height = h;
    reshape_seen = true;
}

void on_close() {
    window_gone = true;
    exit_request.store(1);
    message_box_abandon();
}

}  // namespace

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

bool display_thread_is_current() { return std::this_thread::get_id() == display_thread_id; }

bool display_post(void (*work)(void*), void* argument) {
    if (window_gone) return false;
    std::lock_guard<std::mutex> lock(posted_mutex);
    posted.push_back({work, argument});
    return true;
}

DisplayCounters display_counters() {
    return {build_passes.load(), frames_built.load(), uploads.load(), swaps.load()};
}

void service_thread() {
    int phase = 0;
    for (;;) {
        if (exit_request.load()) break;
        int32_t ms = int32_t((int64_t(clock_ms()) - timer_origin_ms + day_origin_ms) % 86400000);
        uint32_t ticks = uint32_t(double(ms) * 0.0182);
        std::memcpy(low_memory_block() + 1132, &ticks, 3);
        int suspend = frame_suspend.load();
        if (suspend != 0) {
            if (suspend == -1) {
                sleep_ms(64);
                continue;
            }
            frame_suspend.store(-1);
            frame_build();
            continue;
        }
        sleep_ms(16);  // the pass's 15 + 1 ms, in one sleep: every wake-up costs an idle machine
        if (stop_requested.load()) break;
        phase ^= 1;
        if (phase == 1) {
            if (auto_display.load()) frame_build();
        } else {
            keyboard_sync_locks();
        }
    }
    stop_now.store(true);
    stop_now.notify_all();
    event_pending.store(1);
    message_box_abandon();
    while (threads_parked.load() != 3) sleep_ms(16);
    process_exit(0);
}

void display_run(int argc, char** argv) {
    display_thread_id = std::this_thread::get_id();
    display_attached.store(true);
    glutInit(&argc, argv);
    glutInitDisplayMode(18);
    glutInitWindowSize(640, 400);
    if (!glutGet(GLUT_DISPLAY_MODE_POSSIBLE)) process_exit(1);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    std::string first_title = "Untitled";
    {
        std::lock_guard<std::mutex> lock(title_mutex);
        if (title_set) first_title = title_text;
    }
    main_window = glutCreateWindow(first_title.c_str());
    window_created.store(1);
    title_dirty.store(true);
    window_x11_tag();
    GLenum glew = glewInit();
    if (glew != GLEW_OK) alert(reinterpret_cast<const char*>(glewGetErrorString(glew)));
    framebuffer_objects = glewIsSupported("GL_EXT_framebuffer_object");
    glutDisplayFunc(on_display);
    glutTimerFunc(8, on_timer, 0);
    keyboard_register_callbacks();
    menu_bar_register_callbacks();
    glutReshapeFunc(on_reshape);
    glutCloseFunc(on_close);
    glutMainLoop();
    window_gone = true;
    display_attached.store(false);
}
