#include "host/keyboard.h"

#include <thread>

#include "errors/runtime_error.h"
#include "host/run_state.h"

std::atomic<int> fullscreen_toggle_request{0};

// ---- The translation table ----------------------------------------------------------

namespace {

constexpr int32_t hi(int32_t scan) { return scan << 8; }

struct MainKey {
    int32_t scan, normal, shifted, ctrl, alt;
};

// The main block of a US keyboard, by scan code.
constexpr MainKey main_keys[] = {
    {1, 27, 27, 27, 0},         {2, '1', '!', 0, hi(0x78)},   {3, '2', '@', hi(3), hi(0x79)},
    {4, '3', '#', 0, hi(0x7A)}, {5, '4', '$', 0, hi(0x7B)},   {6, '5', '%', 0, hi(0x7C)},
    {7, '6', '^', 30, hi(0x7D)}, {8, '7', '&', 0, hi(0x7E)},  {9, '8', '*', 0, hi(0x7F)},
    {10, '9', '(', 0, hi(0x80)}, {11, '0', ')', 0, hi(0x81)}, {12, '-', '_', 31, hi(0x82)},
    {13, '=', '+', 0, hi(0x83)}, {14, 8, 8, 127, hi(0x0E)},   {15, 9, 9, hi(0x94), 0},
    {26, '[', '{', 27, hi(0x1A)}, {27, ']', '}', 29, hi(0x1B)}, {28, 13, 13, 10, 0},
    {39, ';', ':', 0, hi(0x27)}, {40, '\'', '"', 0, hi(0x28)}, {41, '`', '~', 0, hi(0x29)},
    {43, '\\', '|', 28, hi(0x2B)}, {51, ',', '<', 0, hi(0x33)}, {52, '.', '>', 0, hi(0x34)},
    {53, '/', '?', 0, hi(0x35)}, {57, ' ', ' ', 32, 0},
};
constexpr const char* letter_rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
constexpr int32_t letter_row_scan[] = {16, 30, 44};

struct CursorKey {
    int32_t scan, none, ctrl, alt;
};
// Home, Up, Page Up, Left, centre, Right, End, Down, Page Down, Insert, Delete.
constexpr CursorKey cursor_keys[] = {
    {71, hi(0x47), hi(0x77), hi(0x97)}, {72, hi(0x48), hi(0x8D), hi(0x98)}, {73, hi(0x49), hi(0x84), hi(0x99)},
    {75, hi(0x4B), hi(0x73), hi(0x9B)}, {76, hi(0x4C), hi(0x8F), 0},        {77, hi(0x4D), hi(0x74), hi(0x9D)},
    {79, hi(0x4F), hi(0x75), hi(0x9F)}, {80, hi(0x50), hi(0x91), hi(0xA0)}, {81, hi(0x51), hi(0x76), hi(0xA1)},
    {82, hi(0x52), hi(0x92), hi(0xA2)}, {83, hi(0x53), hi(0x93), hi(0xA3)},
};
constexpr const CursorKey& cursor_key(int32_t scan) {
    for (const CursorKey& k : cursor_keys)
        if (k.scan == scan) return k;
    return cursor_keys[0];
}

// Keypad 0-9 and '.' in their cursor role: Insert, End, Down, Page Down, Left,
// centre, Right, Home, Up, Page Up, Delete.
constexpr int32_t keypad_cursor_scan[11] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73, 83};

struct KeyTable {
    KeyEntry entry[key_table_size];
    constexpr KeyTable() : entry() {
        for (const MainKey& k : main_keys)
            for (int32_t c : {k.normal, k.shifted}) entry[c] = {k.normal, k.scan, {c, c, k.ctrl, k.alt, 0, 0, 0, 0}};
        entry[9].value[1] = hi(0x0F);  // Shift+Tab: back-tab
        for (int row = 0; row < 3; row++)
            for (int i = 0; letter_rows[row][i] != 0; i++) {
                int32_t lower = letter_rows[row][i], upper = lower - 32, scan = letter_row_scan[row] + i;
                entry[lower] = {lower, scan, {lower, lower, lower - 96, hi(scan), 0, 0, 0, 0}};
                entry[upper] = {lower, scan, {upper, upper, lower - 96, hi(scan), 0, 0, 0, 0}};
            }
        for (int i = 0; i < 10; i++)  // F1-F10
            entry[256 + 59 + i] = {59 + i, 59 + i, {hi(59 + i), hi(84 + i), hi(94 + i), hi(104 + i), 0, 0, 0, 0}};
        entry[256 + 133] = {133, 133, {hi(0x85), hi(0x87), hi(0x89), hi(0x8B), 0, 0, 0, 0}};
        entry[256 + 134] = {134, 134, {hi(0x86), hi(0x88), hi(0x8A), hi(0x8C), 0, 0, 0, 0}};
        for (const CursorKey& k : cursor_keys) entry[256 + k.scan] = {k.scan, k.scan, {k.none, k.none, k.ctrl, k.alt, 0, 0, 0, 0}};
        for (int i = 0; i < 11; i++) {
            const CursorKey& k = cursor_key(keypad_cursor_scan[i]);
            int32_t digit = i < 10 ? '0' + i : '.';
            entry[512 + i] = {512 + i, k.scan, {k.none, digit, k.ctrl, 0, digit, 0, 0, k.none}};
        }
        entry[523] = {523, 53, {'/', '/', hi(0x95), hi(0xA4), 0, 0, 0, 0}};
        entry[524] = {524, 55, {'*', '*', hi(0x96), hi(0x37), 0, 0, 0, 0}};
        entry[525] = {525, 74, {'-', '-', hi(0x8E), hi(0x4A), 0, 0, 0, 0}};
        entry[526] = {526, 78, {'+', '+', hi(0x90), hi(0x4E), 0, 0, 0, 0}};
        entry[527] = {527, 28, {13, 13, 10, hi(0xA6), 0, 0, 0, 0}};
    }
};
constexpr KeyTable key_table;
static_assert(key_table.entry[65].base == 97 && key_table.entry[65].value[2] == 1, "A: base a, Ctrl 1");
static_assert(key_table.entry[512].value[0] == 0x5200 && key_table.entry[512].value[7] == 0x5200, "keypad 0");

// ---- The keys-down list -----------------------------------------------------------
// Written by the display thread and by the service thread's lock-key
// comparison: each entry is claimed and released with compare-and-swap.

constexpr int keys_down_capacity = 64;
std::atomic<int32_t> keys_down[keys_down_capacity];

bool listed(int32_t code) {
    for (const auto& k : keys_down)
        if (k.load() == code) return true;
    return false;
}

void list_add(int32_t code) {
    if (listed(code)) return;
    for (auto& k : keys_down) {
        int32_t empty = 0;
        if (k.compare_exchange_strong(empty, code)) return;
    }
}

void list_remove(int32_t code) {
    for (auto& k : keys_down) {
        int32_t same = code;
        k.compare_exchange_strong(same, 0);
    }
}

// Keypad twin of a character code, or 0.
int32_t keypad_twin(int32_t code) {
    switch (code) {
        case 13: return 100271;
        case '*': return 100268;
        case '+': return 100270;
        case '-': return 100269;
        case '.': return 100266;
        case '/': return 100267;
        default: return code >= '0' && code <= '9' ? 100256 + code - '0' : 0;
    }
}

// Cursor-role twin of an extended key with scan 71-83, or 0.
int32_t cursor_twin(int32_t code) {
    for (int i = 0; i < 11; i++)
        if (code == hi(keypad_cursor_scan[i])) return 200000 + i;
    return 0;
}

bool shift_down() { return listed(key_left_shift) || listed(key_right_shift); }
bool ctrl_down() { return listed(key_left_ctrl) || listed(key_right_ctrl); }
bool alt_down() { return listed(key_left_alt) || listed(key_right_alt); }

// ---- Key-hit queue and the shift-state bytes ----------------------------------------

constexpr int key_hits_size = 8192;
std::atomic<int32_t> key_hits[key_hits_size];
std::atomic<uint32_t> key_hits_next{0};

void key_hit_record(int32_t code) { key_hits[key_hits_next.fetch_add(1) % key_hits_size].store(code); }

// The emulated BIOS shift-state byte at 1047 of the low-memory block.
void shift_state_update() {
    uint8_t b = uint8_t((listed(key_right_shift) ? 1 : 0) | (listed(key_left_shift) ? 2 : 0) |
                        (ctrl_down() ? 4 : 0) | (alt_down() ? 8 : 0) | (listed(key_scroll_state) ? 16 : 0) |
                        (listed(key_num_lock) ? 32 : 0) | (listed(key_caps_lock) ? 64 : 0) |
                        (listed(key_insert_state) ? 128 : 0));
    reinterpret_cast<std::atomic<uint8_t>*>(low_memory_block() + 1047)->store(b);
}

// ---- The key buffer ------------------------------------------------------------------

constexpr int head_at = 1050, tail_at = 1052, ring_base = 1024;
constexpr uint8_t ring_first = 30, ring_end = 62;

std::atomic<uint8_t>& ring_offset(int at) { return *reinterpret_cast<std::atomic<uint8_t>*>(low_memory_block() + at); }
static_assert(sizeof(std::atomic<uint8_t>) == 1, "offsets are single bytes of the block");

void queue_pair(uint8_t character, uint8_t scan) {
    uint8_t tail = ring_offset(tail_at).load();
    uint8_t next = uint8_t(tail + 2 == ring_end ? ring_first : tail + 2);
    if (next == ring_offset(head_at).load()) return;  // full: one slot always stays empty
    uint8_t* low = low_memory_block();
    low[ring_base + tail] = character;
    low[ring_base + tail + 1] = scan;
    ring_offset(tail_at).store(next);
}

void queue_value(int32_t value, int32_t scan) {
    if (value == 0) return;
    if (value & 0xFF00) queue_pair(0, uint8_t(value >> 8));
    else queue_pair(uint8_t(value), uint8_t(scan));
}

std::atomic<LockReader> lock_reader{nullptr};  // set on the display thread, used on the service thread

}  // namespace

const KeyEntry& key_table_entry(int index) { return key_table.entry[index]; }

// ---- Keys down and up ------------------------------------------------------------------

bool key_is_down(int32_t code) {
    if (listed(code)) return true;
    int32_t twin = code > 0 && code < 256 ? keypad_twin(code) : cursor_twin(code);
    return twin != 0 && listed(twin);
}

void keys_release_modifiers(int held_mask) {
    if (!(held_mask & 1)) list_remove(key_left_shift), list_remove(key_right_shift);
    if (!(held_mask & 2)) list_remove(key_left_ctrl), list_remove(key_right_ctrl);
    if (!(held_mask & 4)) list_remove(key_left_alt), list_remove(key_right_alt);
}

void key_down(int32_t code) {
    if (code == 0) code = 200013;
    list_add(code);
    if (code == key_break || ((code == key_scroll_lock || code == 100296) && ctrl_down())) {
        stop_requested.store(true);
        return;
    }
    if (pause_flag.load() & 1) {
        pause_flag.store(0);
        return;
    }
    if (code == key_pause || (code == key_num_lock && ctrl_down())) {
        pause_flag.store(1);
        event_pending.store(1);
        return;
    }
    if (code == 13 && alt_down()) {
        fullscreen_toggle_request.store(1);
        return;
    }
    key_hit_record(code);
    if (code >= key_num_lock && code <= key_left_alt) {
        shift_state_update();
        return;
    }
    if (code > 0 && code < 256) {
        const KeyEntry& e = key_table.entry[code];
        if (e.scan == 0) {
            queue_pair(uint8_t(code), 0);
            return;
        }
        int state = alt_down() ? 3 : ctrl_down() ? 2 : shift_down() ? 1 : 0;
        queue_value(e.value[state], e.scan);
        return;
    }
    int index;
    if (code >= 256 && code < 65536 && (code & 255) == 0) index = 256 + (code >> 8);
    else if (code >= 100256 && code <= 100271) index = 512 + code - 100256;
    else if (code >= 200000 && code <= 200010) index = 512 + code - 200000;
    else return;
    const KeyEntry& e = key_table.entry[index];
    if (e.scan == 0) {
        queue_pair(0, uint8_t(code >> 8));
        return;
    }
    bool digit = code >= 100256 && code <= 100266;
    int state = shift_down() ? 1 : 0;
    if (digit) state = shift_down() ? 7 : 4;
    if (ctrl_down()) state = 2;
    if (alt_down()) state = 3;
    if (code == hi(0x52) && state == 0) {
        if (listed(key_insert_state)) list_remove(key_insert_state);
        else list_add(key_insert_state);
        shift_state_update();
    }
    queue_value(e.value[state], e.scan);
}

void key_up(int32_t code) {
    if (code == 0) code = 200013;
    list_remove(code);
    key_hit_record(-code);
    if (code >= key_num_lock && code <= key_left_alt) shift_state_update();
}

// ---- The program's side ---------------------------------------------------------------

StringValue* key_read() {
    if (error_pending.load()) return string_empty_temporary();
    std::this_thread::yield();
    uint8_t head = ring_offset(head_at).load();
    if (head == ring_offset(tail_at).load()) return string_empty_temporary();
    if (head < ring_first || head >= ring_end || (head & 1)) head = ring_first;  // never read outside the ring
    const uint8_t* low = low_memory_block();
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
    ring_offset(head_at).store(uint8_t(head + 2 == ring_end ? ring_first : head + 2));
    return s;
}

// ---- Start-up and the lock keys ---------------------------------------------------------

void keyboard_init() {
    ring_offset(head_at).store(ring_first);
    ring_offset(tail_at).store(ring_first);
    keyboard_sync_locks();
}

void keyboard_set_lock_reader(LockReader reader) { lock_reader.store(reader); }

void keyboard_sync_locks() {
    LockReader reader = lock_reader.load();
    int locks = reader ? reader() : -1;
    if (locks < 0) return;
    bool caps = locks & 1, num = locks & 2, scroll = locks & 4;
    if (caps != listed(key_caps_lock)) caps ? key_down(key_caps_lock) : key_up(key_caps_lock);
    if (num != listed(key_num_lock)) num ? key_down(key_num_lock) : key_up(key_num_lock);
    if (scroll != listed(key_scroll_state)) {
        scroll ? list_add(key_scroll_state) : list_remove(key_scroll_state);
        shift_state_update();
    }
}
