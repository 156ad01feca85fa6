#include "host/render_gl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/message_box.h"

namespace {

// OpenGL 1.2 values, which a 1.1 header (the Windows one) does not name.
constexpr GLenum format_bgra = 0x80E1, wrap_clamp_to_edge = 0x812F;

GLuint texture = 0;
float texture_u = 1, texture_v = 1;  // used part of a padded texture
GLuint bar_texture = 0;              // the menu bar above the screen
int32_t bar_texture_width = 0, bar_texture_height = 0;

// Test switch: with SKERROW_TEXTURE_REFUSAL set, every straight upload of a
// size that is not a power of two counts as refused, as a driver that takes no
// texture of 640 x 480 refuses it, so that the padded fall-back runs where
// every driver at hand takes the texture. The first refusal says so on
// standard error.
const bool refusal_switch = std::getenv("SKERROW_TEXTURE_REFUSAL") != nullptr;
bool refusal_said = false;

int power_of_two(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// Makes the texture of a new frame: straight, else padded to powers of two,
// else through mipmaps.
void texture_upload(const WindowFrame& f) {
    if (texture != 0) glDeleteTextures(1, &texture);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    while (glGetError() != GL_NO_ERROR) {
    }
    texture_u = texture_v = 1;
    int pw = power_of_two(f.width), ph = power_of_two(f.height);
    bool refused = refusal_switch && (pw != f.width || ph != f.height);
    if (!refused) glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, f.width, f.height, 0, format_bgra, GL_UNSIGNED_BYTE, f.pixels);
    if (refused || glGetError() != GL_NO_ERROR) {
        std::vector<uint32_t> padded(size_t(pw) * size_t(ph), 0);
        for (int32_t y = 0; y < f.height; y++)
            std::memcpy(&padded[size_t(y) * size_t(pw)], &f.pixels[size_t(y) * size_t(f.width)], size_t(f.width) * 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pw, ph, 0, format_bgra, GL_UNSIGNED_BYTE, padded.data());
        if (glGetError() == GL_NO_ERROR) {
            texture_u = float(f.width) / float(pw);
            texture_v = float(f.height) / float(ph);
            if (refused && !refusal_said)
                std::fprintf(stderr, "skerrow: texture of %d x %d refused (SKERROW_TEXTURE_REFUSAL), padded to %d x %d\n",
                             int(f.width), int(f.height), pw, ph);
            refusal_said = refusal_said || refused;
        } else if (gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, f.width, f.height, format_bgra, GL_UNSIGNED_BYTE,
                                     f.pixels) != 0) {
            alert("gluBuild2DMipmaps failed");
            alert_number(int(glGetError()));
        }
    }
}

// The menu bar along the top of the window, one window pixel per bar pixel.
void bar_draw(const WindowFrame& f) {
    if (f.bar_width != bar_texture_width || f.bar_height != bar_texture_height) {
        if (bar_texture != 0) glDeleteTextures(1, &bar_texture);
        bar_texture = 0;
        bar_texture_width = f.bar_width;
        bar_texture_height = f.bar_height;
    }
    bool changed = f.bar_changed;
    if (bar_texture == 0) {
        glGenTextures(1, &bar_texture);
        changed = true;
    }
    glBindTexture(GL_TEXTURE_2D, bar_texture);
    if (changed)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, f.bar_width, f.bar_height, 0, format_bgra, GL_UNSIGNED_BYTE, f.bar_pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    float w = float(f.bar_width), h = float(f.bar_height);
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0, 0); glVertex2f(0, 0);
    glTexCoord2f(1, 0); glVertex2f(w, 0);
    glTexCoord2f(1, 1); glVertex2f(w, h);
    glTexCoord2f(0, 0); glVertex2f(0, 0);
    glTexCoord2f(1, 1); glVertex2f(w, h);
    glTexCoord2f(0, 1); glVertex2f(0, h);
    glEnd();
}

}  // namespace

bool render_gl_frame(const WindowFrame* frame) {
    const WindowFrame& f = *frame;
    glViewport(0, 0, f.window_width, f.window_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, f.window_width, f.window_height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    bool uploaded = f.is_new || texture == 0;
    if (uploaded) texture_upload(f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, f.smooth ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, f.smooth ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap_clamp_to_edge);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap_clamp_to_edge);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    float x1 = f.dest_x, y1 = f.dest_y, x2 = f.dest_x + f.dest_width, y2 = f.dest_y + f.dest_height;
    float u = texture_u, v = texture_v;
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0, 0); glVertex2f(x1, y1);
    glTexCoord2f(u, 0); glVertex2f(x2, y1);
    glTexCoord2f(u, v); glVertex2f(x2, y2);
    glTexCoord2f(0, 0); glVertex2f(x1, y1);
    glTexCoord2f(u, v); glVertex2f(x2, y2);
    glTexCoord2f(0, v); glVertex2f(x1, y2);
    glEnd();
    if (f.bar_pixels != nullptr) bar_draw(f);
    glDisable(GL_TEXTURE_2D);
    return uploaded;
}
