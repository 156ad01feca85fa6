#include "host/keyboard.h"

#include <GL/freeglut.h>

#include <chrono>
#include <thread>

#include "host/process.h"
#include "host/runtime_error.h"

std::atomic<uint8_t> pause_flag{0};

namespace {

constexpr int head_at = 1050, tail_at = 1052, ring_base = 1024;

std::atomic<uint8_t>& offset_head() {
    static std::atomic<uint8_t> head{30};
    return head;
}
std::atomic<uint8_t>& offset_tail() {
    static std::atomic<uint8_t> tail{30};
    return tail;
}

void queue_pair(uint8_t character, uint8_t scan) {
    uint8_t tail = offset_tail().load();
    uint8_t next = uint8_t(tail + 2 == 62 ? 30 : tail + 2);
    if (next == offset_head().load()) return;
    uint8_t* low = low_memory_block();
    low[ring_base + tail] = character;
    low[ring_base + tail + 1] = scan;
    offset_tail().store(next);
    low[tail_at] = next;
}

void on_keyboard(unsigned char key, int, int) { key_down(key); }

}  // namespace

void keyboard_init() {
    uint8_t* low = low_memory_block();
    low[head_at] = 30;
    low[tail_at] = 30;
}

void keyboard_sync_locks() {}

void keyboard_register_callbacks() { glutKeyboardFunc(on_keyboard); }

void key_down(int32_t code) {
    if (pause_flag.load() & 1) {
        pause_flag.store(0);
        return;
    }
    if (code > 0 && code < 256) queue_pair(uint8_t(code), 0);
}

void key_up(int32_t) {}

StringValue* key_read() {
    if (error_pending.load()) return string_empty_temporary();
    std::this_thread::yield();
    uint8_t head = offset_head().load();
    if (head == offset_tail().load()) return string_empty_temporary();
    uint8_t* low = low_memory_block();
    uint8_t character = low[ring_base + head], scan = low[ring_base + head + 1];
    StringValue* s;
    if (character != 0 || scan == 0) {
        s = string_new(1, true);
        s->data[0] = character;
    } else {
        s = string_new(2, true);
        s->data[0] = 0;
        s->data[1] = scan;
    }
    uint8_t next = uint8_t(head + 2 == 62 ? 30 : head + 2);
    offset_head().store(next);
    low[head_at] = next;
    return s;
}
