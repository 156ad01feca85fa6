// The window menu: "Edit setup file" and "Help", built at start and polled
// once per cycle; an item's command runs when its highlight comes on.
#include <cstring>
#include <string>

#include "errors/runtime_error.h"
#include "host/menu_library.h"
#include "host/shell.h"
#include "monitor/monitor.h"
#include "text/string_functions.h"

namespace {

// The menu calls, bound by name from the user-interface library.
struct MenuCalls {
    MenuHandle (*create_menu)();
    int (*set_menu)(WindowHandle, MenuHandle);
    int (*insert_item)(MenuHandle, uint32_t, int, const MenuItemInfo*);
    int (*item_count)(MenuHandle);
    int (*item_info)(MenuHandle, uint32_t, int, MenuItemInfo*);
};
MenuCalls calls{};

WindowHandle main_window = 0;
MenuHandle menu_handle = 0;
MenuItemInfo menu_item_blank{};
MenuItemInfo menu_item_info{};
char caption_buffer[1000];
int32_t item_count = 0;
int32_t edit_item_id = 0, help_item_id = 0;
int32_t edit_prev_highlight = 0, help_prev_highlight = 0;
int32_t highlight_state = 0;
int32_t insert_result = 0, set_menu_result = 0;

template <typename Call>
bool bind(void* library, Call& slot, const char* name) {
    if (slot != nullptr) return true;
    slot = reinterpret_cast<Call>(library_symbol(library, name));
    return slot != nullptr;
}

// Statements of one insertion, numbered from `first` (79 or 92).
void insert_item(const char* caption, int32_t& item_id, int first) {
    std::memcpy(&menu_item_info, &menu_item_blank, sizeof menu_item_info);
    statement(first);
    item_count = calls.item_count(menu_handle);
    statement(first + 1);
    menu_item_info.fMask = 19;
    statement(first + 2);
    menu_item_info.fType = 0;
    statement(first + 3);
    menu_item_info.fState = 0;
    statement(first + 4);
    menu_item_info.wID = uint32_t(item_count);
    statement(first + 5);
    size_t n = std::strlen(caption);
    std::memcpy(caption_buffer, caption, n + 1);
    statement(first + 6);
    menu_item_info.dwTypeData = caption_buffer;
    statement(first + 7);
    menu_item_info.cch = 4;
    statement(first + 8);
    item_id = int32_t(menu_item_info.wID);
    statement(first + 9);
    insert_result = calls.insert_item(menu_handle, uint32_t(item_count), 1, &menu_item_info);
    statement(first + 10);
}

// Queries an item (statement `first`) and takes its highlight bit (`first` + 2).
void highlight_read(int32_t item_id, int first) {
    if (calls.item_info != nullptr) calls.item_info(menu_handle, uint32_t(item_id), 1, &menu_item_info);
    statement(first);
    highlight_state = int32_t(menu_item_info.fState & menu_state_hilite);
    statement(first + 2);
}

}  // namespace

void menu_bind() {
    void* library = library_load("user32.dll");
    if (library == nullptr) {
        runtime_error(error_library_missing);
        return;
    }
    if (!bind(library, calls.create_menu, "CreateMenu") || !bind(library, calls.set_menu, "SetMenu") ||
        !bind(library, calls.insert_item, "InsertMenuItemA") || !bind(library, calls.item_count, "GetMenuItemCount") ||
        !bind(library, calls.item_info, "GetMenuItemInfoA"))
        runtime_error(error_library_function_missing);
}

void menu_startup() {
    // FindWindowA wants the title followed by one NUL byte.
    StringValue* name = string_concat(monitor.window_title, chr_string(0));
    std::string title(reinterpret_cast<const char*>(name->data), size_t(name->length));
    main_window = FindWindowA(nullptr, title.c_str());
    statement(73);
    menu_handle = calls.create_menu();
    menu_item_blank.cbSize = 44;
    statement(76);
    insert_item("Edit setup file", edit_item_id, 79);
    insert_item("Help", help_item_id, 92);
    set_menu_result = calls.set_menu(main_window, menu_handle);
    statement(106);
}

void menu_poll() {
    highlight_read(edit_item_id, 121);
    bool edit = edit_prev_highlight == 0 && highlight_state != 0;
    statement(124);
    if (edit) {
        shell_run(string_concat(string_from_cstring("CMD /C start notepad "), string_from_cstring("Skerrow020.set")),
                  shell_command_passed);
        statement(125);
    }
    edit_prev_highlight = highlight_state;
    highlight_read(help_item_id, 130);
    bool help = help_prev_highlight == 0 && highlight_state != 0;
    statement(133);
    if (help) {
        shell_run(string_from_cstring("CMD /C start SkerrowHelp.htm"), shell_command_passed);
        statement(135);
    }
    help_prev_highlight = highlight_state;
}
