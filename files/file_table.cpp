#include "files/file_table.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "errors/runtime_error.h"
#include "files/file_layer.h"

namespace {

std::vector<int32_t> number_map;  // file number - 1 -> slot, or -1

ErrorNumber open_error(int code) {
    switch (code) {
        case open_file_not_found: return error_file_not_found;
        case open_path_not_found: return error_path_not_found;
        case open_permission: return error_permission_denied;
        case open_device_unavailable: return error_device_unavailable;
        case open_bad_file_name: return error_bad_file_name;
        case open_not_a_file: return error_path_file_access;
        default: return error_file_not_found;
    }
}

bool is_serial_port_name(const StringValue* name) {
    if (name->length < 5) return false;
    const uint8_t* p = name->data;
    if (std::toupper(p[0]) != 'C' || std::toupper(p[1]) != 'O' || std::toupper(p[2]) != 'M') return false;
    int32_t i = 3;
    while (i < name->length && std::isdigit(p[i])) i++;
    return i > 3 && i < name->length && p[i] == ':';
}

}  // namespace

int32_t file_slot_of(int32_t number) {
    if (number < 1 || size_t(number) > number_map.size()) return -1;
    return number_map[size_t(number) - 1];
}

void file_open(StringValue* name, int32_t mode, int32_t access, int32_t lock, int32_t number,
               int64_t record_length, int passed) {
    if (error_pending.load()) return;
    if (mode == 0) mode = file_mode_random;
    if (mode < 1 || mode > 5 || access < 0 || access > 3 || lock < 0 || lock > 4) {
        runtime_error(error_illegal_function_call);
        return;
    }
    if (number < 1) {
        runtime_error(error_bad_file_name_or_number);
        return;
    }
    if ((passed & file_record_length_passed) && (record_length == 0 || record_length < -1)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    if (size_t(number) > number_map.size()) number_map.resize(size_t(number), -1);
    if (number_map[size_t(number) - 1] != -1) {
        runtime_error(error_file_already_open);
        return;
    }
    int desired = mode == file_mode_input                                  ? access_read
                  : mode == file_mode_output || mode == file_mode_append ? access_write
                                                                           : access_read | access_write;
    if (access == 1) desired = access_read | access_write;
    if (access == 2) desired = access_read;
    if (access == 3) desired = access_write;
    bool deny_read = lock == 2 || lock == 3, deny_write = lock == 2 || lock == 4;
    if (is_serial_port_name(name)) {
        runtime_error(error_device_unavailable);
        return;
    }
    std::vector<char> path(size_t(name->length) + 1);
    std::memcpy(path.data(), name->data, size_t(name->length));
    path[size_t(name->length)] = 0;
    if (std::memchr(path.data(), 0, size_t(name->length)) != nullptr) {
        runtime_error(error_bad_file_name);
        return;
    }
    int creation = mode == file_mode_input ? creation_open_existing : creation_open_always;
    // Input reads regular files only: a device or FIFO would hang the reader or never end.
    int32_t slot = layer_open(path.data(), desired, deny_read, deny_write, creation, mode == file_mode_input);
    if (slot >= 0 && mode == file_mode_output && layer_length(slot) > 0) {
        layer_close(slot);
        slot = layer_open(path.data(), desired, deny_read, deny_write, creation_truncate);
    }
    bool random_like = mode == file_mode_random || mode == file_mode_binary;
    if (slot < 0 && random_like && access == 0) {
        slot = layer_open(path.data(), access_read, deny_read, deny_write, creation);
        if (slot < 0) slot = layer_open(path.data(), access_write, deny_read, deny_write, creation);
    }
    if (slot < 0) {
        runtime_error(open_error(slot));
        return;
    }
    FileSlot* s = layer_slot(slot);
    number_map[size_t(number) - 1] = slot;
    s->file_number = number;
    s->mode = uint8_t(mode == file_mode_append ? file_mode_output : mode);
    s->column = 1;
    if (mode == file_mode_random) {
        s->record_length = (passed & file_record_length_passed) && record_length != -1 ? uint64_t(record_length) : 128;
        s->record_buffer = static_cast<uint8_t*>(std::calloc(size_t(s->record_length), 1));
        if (s->record_buffer == nullptr) runtime_error(error_out_of_memory);
    }
    if (mode == file_mode_append) layer_seek(slot, layer_length(slot));
    if (mode == file_mode_input && layer_length(slot) != 0) {
        uint8_t first;
        int code = layer_read(slot, &first, 1);
        if (code < 0 && code != layer_end_of_file) {
            runtime_error(code == layer_permission ? error_permission_denied : error_path_file_access);
            return;
        }
        if (first == 26) s->end_seen = 1;
        layer_seek(slot, 0);
    }
}

void file_open_lettered(StringValue* mode_text, int32_t number, StringValue* name, int64_t record_length,
                        int passed) {
    if (error_pending.load()) return;
    int32_t mode = 0;
    switch (mode_text->length > 0 ? std::toupper(mode_text->data[0]) : 0) {
        case 'R': mode = file_mode_random; break;
        case 'B': mode = file_mode_binary; break;
        case 'I': mode = file_mode_input; break;
        case 'O': mode = file_mode_output; break;
        case 'A': mode = file_mode_append; break;
        default: runtime_error(error_bad_file_mode); return;
    }
    file_open(name, mode, 0, 0, number, record_length, passed);
}

void file_close(int32_t number, int passed) {
    if (error_pending.load()) return;
    if (!(passed & file_number_passed)) {
        for (size_t i = 0; i < number_map.size(); i++)
            if (number_map[i] != -1) file_close(int32_t(i + 1), file_number_passed);
        return;
    }
    int32_t slot = file_slot_of(number);
    if (number <= 0 || slot < 0) return;
    number_map[size_t(number) - 1] = -1;
    layer_close(slot);
}
