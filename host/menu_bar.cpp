#include "host/menu_bar.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/fonts.h"

namespace {

// Every click is reported to the polls as the highlight coming on for one
// poll, with an "off" report between two clicks, however the clicks and the
// polls interleave.
struct MenuItem {
    std::string caption;
    uint32_t id = 0;
    std::atomic<int> clicks{0};            // clicks not yet reported
    bool reported_on = false;              // the last poll was told "on"
    std::atomic<bool> button_down{false};  // the mouse button is held on the item
    bool lit() const { return clicks.load() > 0 || reported_on || button_down.load(); }
};

struct Menu {
    std::vector<MenuItem*> items;
};

std::mutex menus_mutex;         // guards the menus' structure and captions
std::vector<Menu*> menus;       // handle n is menus[n - 1]
std::atomic<int> attached{0};   // handle of the menu on the window, 0 none
std::atomic<bool> dirty{true};  // the bar must be drawn again

Menu* menu_of(MenuHandle h) { return h >= 1 && size_t(h) <= menus.size() ? menus[size_t(h - 1)] : nullptr; }

constexpr int item_padding = 8;
int item_width(const MenuItem* item) { return int(item->caption.size()) * 8 + 2 * item_padding; }

}  // namespace

MenuHandle CreateMenu() {
    std::lock_guard<std::mutex> lock(menus_mutex);
    menus.push_back(new Menu);
    return MenuHandle(menus.size());
}

int SetMenu(WindowHandle window, MenuHandle menu) {
    if (window != 1) return 0;
    {
        std::lock_guard<std::mutex> lock(menus_mutex);
        if (menu != 0 && menu_of(menu) == nullptr) return 0;
    }
    attached.store(int(menu));
    dirty.store(true);
    return 1;
}

int InsertMenuItemA(MenuHandle handle, uint32_t item, int by_position, const MenuItemInfo* info) {
    if (info == nullptr) return 0;
    std::lock_guard<std::mutex> lock(menus_mutex);
    Menu* m = menu_of(handle);
    if (m == nullptr) return 0;
    auto* it = new MenuItem;
    it->id = (info->fMask & menu_mask_id) ? info->wID : 0;
    if ((info->fMask & menu_mask_type) && info->fType == 0 && info->dwTypeData) it->caption = info->dwTypeData;
    size_t at = m->items.size();
    if (by_position) {
        if (item < at) at = item;
    } else {
        for (size_t i = 0; i < m->items.size(); i++)
            if (m->items[i]->id == item) at = i;
    }
    m->items.insert(m->items.begin() + long(at), it);
    dirty.store(true);
    return 1;
}

int GetMenuItemCount(MenuHandle handle) {
    std::lock_guard<std::mutex> lock(menus_mutex);
    Menu* m = menu_of(handle);
    return m ? int(m->items.size()) : -1;
}

int GetMenuItemInfoA(MenuHandle handle, uint32_t item, int by_position, MenuItemInfo* info) {
    if (info == nullptr) return 0;
    std::lock_guard<std::mutex> lock(menus_mutex);
    Menu* m = menu_of(handle);
    if (m == nullptr) return 0;
    MenuItem* it = nullptr;
    if (by_position) {
        if (item < m->items.size()) it = m->items[item];
    } else {
        for (MenuItem* i : m->items)
            if (i->id == item) it = i;
    }
    if (it == nullptr) return 0;
    if (info->fMask & menu_mask_state) {
        bool was_lit = it->lit(), on = false;
        if (it->reported_on) {
            it->reported_on = false;
        } else if (it->clicks.load() > 0) {
            it->clicks--;
            on = it->reported_on = true;
        }
        info->fState = on ? menu_state_hilite : 0;
        if (it->lit() != was_lit) dirty.store(true);
    }
    if (info->fMask & menu_mask_id) info->wID = it->id;
    if ((info->fMask & menu_mask_type) && info->dwTypeData && info->cch > 0) {
        size_t n = std::min<size_t>(it->caption.size(), info->cch - 1);
        std::memcpy(info->dwTypeData, it->caption.data(), n);
        info->dwTypeData[n] = 0;
        info->cch = uint32_t(n);
    }
    return 1;
}

bool menu_bar_attached() { return attached.load() != 0; }
bool menu_bar_changed() { return dirty.load(); }

bool menu_bar_render(uint32_t* pixels, int width) {
    if (!dirty.exchange(false)) return false;
    constexpr uint32_t face = 0xFFD4D0C8, text = 0xFF000000, lit_face = 0xFF000080, lit_text = 0xFFFFFFFF,
                       edge = 0xFF808080;
    for (int i = 0; i < width * menu_bar_height; i++) pixels[i] = face;
    for (int x = 0; x < width; x++) pixels[(menu_bar_height - 1) * width + x] = edge;
    std::lock_guard<std::mutex> lock(menus_mutex);
    Menu* m = menu_of(attached.load());
    if (m == nullptr) return true;
    int x0 = 0;
    for (MenuItem* it : m->items) {
        int w = item_width(it);
        bool lit = it->lit();
        for (int y = 1; y < menu_bar_height - 1; y++)
            for (int x = x0; x < x0 + w && x < width; x++) pixels[y * width + x] = lit ? lit_face : face;
        for (size_t c = 0; c < it->caption.size(); c++) {
            const uint8_t* glyph = font_glyph(16, uint8_t(it->caption[c]));
            int gx = x0 + item_padding + int(c) * 8;
            for (int y = 0; y < 16; y++)
                for (int x = 0; x < 8; x++)
                    if (glyph[y * 8 + x] && gx + x < width) pixels[(2 + y) * width + gx + x] = lit ? lit_text : text;
        }
        x0 += w;
    }
    return true;
}

void menu_bar_mouse(bool down, int x, int y) {
    std::lock_guard<std::mutex> lock(menus_mutex);
    Menu* m = menu_of(attached.load());
    if (m == nullptr) return;
    if (!down) {
        for (MenuItem* it : m->items) it->button_down.store(false);
        dirty.store(true);
        return;
    }
    if (y < 0 || y >= menu_bar_height) return;
    int x0 = 0;
    for (MenuItem* it : m->items) {
        int w = item_width(it);
        if (x >= x0 && x < x0 + w) {
            it->button_down.store(true);
            it->clicks++;
            dirty.store(true);
        }
        x0 += w;
    }
}

