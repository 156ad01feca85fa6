// The file layer's system side on Win32: CreateFileA with the share modes the
// locks ask for, ReadFile and WriteFile at the layer's positions through
// SetFilePointerEx, GetFileSizeEx, CloseHandle, failures from GetLastError.
// Names are the system's own: "/" becomes "\", and the file system ignores
// case by itself.
#include "files/file_system.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "files/file_layer.h"

namespace {

// Largest single ReadFile or WriteFile: the layer asks again for the rest.
constexpr int64_t largest_transfer = int64_t(1) << 30;

int open_failure(DWORD error) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND: return open_path_not_found;
        case ERROR_TOO_MANY_OPEN_FILES: case ERROR_WRITE_FAULT: case ERROR_READ_FAULT: return open_other;
        case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION:
            return open_permission;
        case ERROR_INVALID_DRIVE: case ERROR_NOT_READY: return open_device_unavailable;
        default: return open_file_not_found;
    }
}

HANDLE handle(SystemFile file) { return HANDLE(file); }

HANDLE open_once(const std::string& path, int access, bool deny_read, bool deny_write, DWORD disposition) {
    DWORD desired = ((access & access_read) ? GENERIC_READ : 0) | ((access & access_write) ? GENERIC_WRITE : 0);
    DWORD share = (deny_read ? 0 : FILE_SHARE_READ) | (deny_write ? 0 : FILE_SHARE_WRITE);
    return CreateFileA(path.c_str(), desired, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool seek(SystemFile file, uint64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(position);
    return SetFilePointerEx(handle(file), to, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

bool path_resolve(const char* name, char* out, int out_size) {
    std::string path = name;
    for (char& c : path)
        if (c == '/') c = '\\';
    if (path.size() >= size_t(out_size)) return false;
    std::snprintf(out, size_t(out_size), "%s", path.c_str());
    return true;
}

// Output truncates as the design does: open always, and open again
// truncating when the file is not empty.
int system_file_open(const char* name, int access, bool deny_read, bool deny_write, int creation, bool regular_only,
                     SystemFile* file, SystemFileIdentity* identity) {
    char resolved[MAX_PATH * 4];
    if (!path_resolve(name, resolved, sizeof resolved)) return open_bad_file_name;
    std::string path = resolved;
    HANDLE h = open_once(path, access, deny_read, deny_write,
                         creation == creation_open_existing ? OPEN_EXISTING : OPEN_ALWAYS);
    if (h != INVALID_HANDLE_VALUE && creation == creation_truncate) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(h, &size) && size.QuadPart != 0) {
            CloseHandle(h);
            h = open_once(path, access, deny_read, deny_write, TRUNCATE_EXISTING);
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        DWORD attributes = GetFileAttributesA(path.c_str());
        // A folder gives "access denied"; where only a file will do, it is not one.
        if (regular_only && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return open_not_a_file;
        return open_failure(error);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    bool known = GetFileInformationByHandle(h, &information) != 0;
    if (regular_only && (GetFileType(h) != FILE_TYPE_DISK || !known ||
                         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))) {
        CloseHandle(h);
        return open_not_a_file;
    }
    *file = SystemFile(h);
    // A device has no index: each open is a file of its own.
    *identity = known ? SystemFileIdentity{information.dwVolumeSerialNumber,
                                           uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow}
                      : SystemFileIdentity{~uint64_t(0), uint64_t(uintptr_t(h))};
    return 0;
}

void system_file_close(SystemFile file) { CloseHandle(handle(file)); }

int64_t system_file_size(SystemFile file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle(file), &size)) return layer_io_failure;
    return int64_t(size.QuadPart);
}

int64_t system_file_read_at(SystemFile file, uint8_t* out, int64_t n, uint64_t position) {
    DWORD got = 0;
    if (!seek(file, position) || !ReadFile(handle(file), out, DWORD(n < largest_transfer ? n : largest_transfer), &got,
                                           nullptr)) {
        DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        return error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ? layer_permission : layer_io_failure;
    }
    return int64_t(got);
}

int64_t system_file_write_at(SystemFile file, const uint8_t* data, int64_t n, uint64_t position) {
    DWORD put = 0;
    if (!seek(file, position) ||
        !WriteFile(handle(file), data, DWORD(n < largest_transfer ? n : largest_transfer), &put, nullptr)) {
        DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ? layer_permission : layer_io_failure;
    }
    return int64_t(put);
}
