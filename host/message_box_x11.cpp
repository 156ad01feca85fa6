// The message box on X11: a window of its own for each box, drawn with
// freeglut above the main window by the display thread, which owns it from
// the moment it is posted until it is answered. Before the runtime starts,
// the entry thread shows one alone, in a loop of its own.
#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/display.h"
#include "host/platform.h"
#include "host/run_state.h"
#include "host/window_x11.h"

namespace {

constexpr int line_height = 18, margin = 20, button_width = 80, button_height = 26;

// One box on screen. Made by the asking thread, owned by the display thread
// from the moment it is posted until it is answered.
struct Box {
    std::string title;
    std::vector<std::string> lines;
    bool yes_no = false;
    std::atomic<int> answer{0};  // 0 while open, then answer_ok, answer_yes or answer_no
    int window = 0;              // freeglut window of the box
    int width = 0, height = 0;
    bool detached = false;       // nobody waits: the display thread frees it
};

std::mutex boxes_mutex;
std::vector<Box*> open_boxes;  // display thread only, but abandon reads it too

Box* box_of_current_window() {
    int w = glutGetWindow();
    std::lock_guard<std::mutex> lock(boxes_mutex);
    for (Box* b : open_boxes)
        if (b->window == w) return b;
    return nullptr;
}

// Button rectangles: x of the left edge of each button, buttons at the bottom right.
int button_left(const Box* b, int index) {
    int count = b->yes_no ? 2 : 1;
    return b->width - margin - (count - index) * (button_width + 10) + 10;
}
int button_top(const Box* b) { return b->height - margin - button_height; }

void draw_text(int x, int y, const std::string& text) {
    glRasterPos2i(x, y);
    for (char c : text) glutBitmapCharacter(GLUT_BITMAP_9_BY_15, c);
}

void box_close(Box* b, int answer) {
    if (b->answer.load() != 0 && b->window == 0) return;
    {
        std::lock_guard<std::mutex> lock(boxes_mutex);
        for (size_t i = 0; i < open_boxes.size(); i++)
            if (open_boxes[i] == b) open_boxes.erase(open_boxes.begin() + long(i));
    }
    if (b->window != 0) {
        int w = b->window;
        b->window = 0;
        glutSetWindow(w);
        glutCloseFunc(nullptr);
        glutDestroyWindow(w);
    }
    bool detached = b->detached;
    b->answer.store(answer);  // the asking thread may free b from here on
    if (detached) delete b;
}

void on_box_display() {
    Box* b = box_of_current_window();
    if (b == nullptr) return;
    glViewport(0, 0, b->width, b->height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, b->width, b->height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.94f, 0.94f, 0.94f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0, 0, 0);
    for (size_t i = 0; i < b->lines.size(); i++)
        draw_text(margin, margin + 13 + int(i) * line_height, b->lines[i]);
    const char* labels[2] = {b->yes_no ? "Yes" : "OK", "No"};
    for (int i = 0; i < (b->yes_no ? 2 : 1); i++) {
        int x = button_left(b, i), y = button_top(b);
        glColor3f(0.85f, 0.85f, 0.85f);
        glRecti(x, y, x + button_width, y + button_height);
        glColor3f(0.3f, 0.3f, 0.3f);
        glBegin(GL_LINE_LOOP);
        glVertex2i(x, y);
        glVertex2i(x + button_width, y);
        glVertex2i(x + button_width, y + button_height);
        glVertex2i(x, y + button_height);
        glEnd();
        glColor3f(0, 0, 0);
        int text_width = int(std::strlen(labels[i])) * 9;
        draw_text(x + (button_width - text_width) / 2, y + 18, labels[i]);
    }
    glutSwapBuffers();
}

void on_box_key(unsigned char key, int, int) {
    Box* b = box_of_current_window();
    if (b == nullptr) return;
    int yes = b->yes_no ? answer_yes : answer_ok, no = b->yes_no ? answer_no : answer_ok;
    if (key == 13 || key == 10 || key == ' ') box_close(b, yes);
    else if (key == 27) box_close(b, no);
    else if (b->yes_no && (key == 'y' || key == 'Y')) box_close(b, answer_yes);
    else if (b->yes_no && (key == 'n' || key == 'N')) box_close(b, answer_no);
}

void on_box_mouse(int button, int state, int x, int y) {
    Box* b = box_of_current_window();
    if (b == nullptr || button != GLUT_LEFT_BUTTON || state != GLUT_UP) return;
    for (int i = 0; i < (b->yes_no ? 2 : 1); i++) {
        int left = button_left(b, i), top = button_top(b);
        if (x >= left && x < left + button_width && y >= top && y < top + button_height) {
            box_close(b, i == 0 ? (b->yes_no ? answer_yes : answer_ok) : answer_no);
            return;  // the asking thread may have freed b already
        }
    }
}

void on_box_close() {
    Box* b = box_of_current_window();
    if (b == nullptr) return;
    b->window = 0;  // freeglut is destroying it already
    box_close(b, b->yes_no ? answer_no : answer_ok);
}

// Display thread: opens the box's window above the main window.
void box_open(void* argument) {
    Box* b = static_cast<Box*>(argument);
    if (exit_request.load()) {
        box_close(b, b->yes_no ? answer_no : answer_ok);
        return;
    }
    size_t longest = b->title.size();
    for (const std::string& l : b->lines) longest = std::max(longest, l.size());
    b->width = std::max(int(longest) * 9 + 2 * margin, (b->yes_no ? 2 : 1) * (button_width + 10) + 2 * margin);
    b->height = int(b->lines.size()) * line_height + 3 * margin + button_height;
    int current = glutGetWindow();
    glutInitWindowSize(b->width, b->height);
    b->window = glutCreateWindow(b->title.c_str());
    window_x11_tag_dialog();
    glutDisplayFunc(on_box_display);
    glutKeyboardFunc(on_box_key);
    glutMouseFunc(on_box_mouse);
    glutCloseFunc(on_box_close);
    {
        std::lock_guard<std::mutex> lock(boxes_mutex);
        open_boxes.push_back(b);
    }
    if (current != 0) glutSetWindow(current);
}

Box* box_make(const char* text, const char* title, bool yes_no) {
    Box* b = new Box;
    b->title = title;
    b->yes_no = yes_no;
    std::string all = text;
    for (size_t start = 0;;) {
        size_t end = all.find('\n', start);
        b->lines.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return b;
}

}  // namespace

int message_box_x11(const char* text, const char* title, int style) {
    bool yes_no = (style & box_yes_no) != 0;
    int fallback = yes_no ? answer_no : answer_ok;
    Box* b = box_make(text, title, yes_no);
    if (display_thread_is_current()) {  // nobody may wait here: show it and go on
        b->detached = true;
        box_open(b);
        return answer_ok;
    }
    while (!window_created.load() && !exit_request.load() && !stop_now.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (exit_request.load() || stop_now.load() || !display_post(box_open, b)) {
        delete b;
        return fallback;
    }
    while (b->answer.load() == 0) {
        if (exit_request.load() || stop_now.load()) return fallback;  // the box dies with the window
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int answer = b->answer.load();
    delete b;
    return answer;
}

void message_box_x11_abandon() {
    std::vector<Box*> boxes;
    {
        std::lock_guard<std::mutex> lock(boxes_mutex);
        boxes = open_boxes;
    }
    for (Box* b : boxes) {
        if (display_thread_is_current()) {
            box_close(b, b->yes_no ? answer_no : answer_ok);
        } else if (!b->detached) {
            b->answer.store(b->yes_no ? answer_no : answer_ok);
        }
    }
}

bool message_box_x11_alone(const char* text, const char* title) {
    Display* probe = XOpenDisplay(nullptr);
    if (probe == nullptr) return false;
    XCloseDisplay(probe);
    char name[] = "skerrow";
    char* argv[] = {name, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    Box* b = box_make(text, title, false);
    box_open(b);
    // No loop runs yet: this one runs only until the box is answered.
    while (b->answer.load() == 0) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    delete b;
    return true;
}
