// The feeder on POSIX systems: "/" between names, standard error as it is.
#include <poll.h>
#include <sys/mman.h>

#include <cstdint>

#include "feed/feed_system.h"

std::string feed_path_join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string feed_path_trimmed(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') end--;
    return path.substr(0, end);
}

std::string feed_path_folder(const std::string& path) {
    std::string trimmed = feed_path_trimmed(path);
    size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

bool feed_console_release() { return false; }

bool feed_wait(const std::vector<int>& handles, int milliseconds) {
    std::vector<pollfd> watched;
    for (int h : handles) watched.push_back({h, POLLIN, 0});
    return poll(watched.data(), nfds_t(watched.size()), milliseconds) > 0;
}

void feed_memory_large(void* at, size_t size) {
    constexpr uintptr_t large = uintptr_t(2) << 20;  // a large page; only whole ones inside the buffer
    const uintptr_t from = (uintptr_t(at) + large - 1) & ~(large - 1), to = (uintptr_t(at) + size) & ~(large - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}
