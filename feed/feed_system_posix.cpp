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

namespace {
constexpr size_t large_page = size_t(2) << 20;
size_t whole_pages(size_t size) { return (size + large_page - 1) & ~(large_page - 1); }
}  // namespace

void* feed_memory_alloc(size_t size) {
    // One large page more than needed, then what lies outside the aligned run given back.
    const size_t whole = whole_pages(size);
    void* got = mmap(nullptr, whole + large_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (got == MAP_FAILED) return nullptr;
    const uintptr_t start = uintptr_t(got), at = (start + large_page - 1) & ~uintptr_t(large_page - 1);
    if (at > start) munmap(got, at - start);
    if (start + large_page > at) munmap(reinterpret_cast<void*>(at + whole), start + large_page - at);
    madvise(reinterpret_cast<void*>(at), whole, MADV_HUGEPAGE);  // a hint: small pages where there are none
    return reinterpret_cast<void*>(at);
}

void feed_memory_free(void* at, size_t size) { munmap(at, whole_pages(size)); }
