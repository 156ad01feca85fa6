// What the feeder does differently on each system: joining paths, where its
// messages go when it was started from a shortcut, its wait between passes,
// and large pages for its large buffers.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

// ---- Paths --------------------------------------------------------------------

// `folder` and `name` joined by the system's separator; none is added after
// a separator that ends `folder` already.
std::string feed_path_join(const std::string& folder, const std::string& name);
// `path` without the separators that end it ("C:\", "\" and "/" stay): the
// form in which the system's stat() accepts a folder.
std::string feed_path_trimmed(const std::string& path);
// The folder that holds `path`; "" when it names none.
std::string feed_path_folder(const std::string& path);

// ---- Messages -----------------------------------------------------------------

// True when standard error leads nowhere a reader will see: on Windows, a
// console window made for this process alone (a start from a shortcut or the
// Explorer), which is then let go, or no standard error at all. Messages then
// belong in a log file. A command prompt's console, or a standard error
// redirected to a file or pipe, is kept. Always false on POSIX.
bool feed_console_release();

// ---- Waiting ------------------------------------------------------------------

// Waits up to `milliseconds`, less when one of `handles` (descriptors of the
// sources, sockets on Windows) becomes readable or a signal arrives; true
// when a handle did.
bool feed_wait(const std::vector<int>& handles, int milliseconds);

// ---- Memory -------------------------------------------------------------------

// Memory for a large buffer (a megabyte or more), `size` bytes, given back
// with the same size; nullptr when there is none. On POSIX it is made of whole
// large pages (2 MiB, aligned and advised as such): it then costs a page fault
// per large page instead of one per 4 KiB, which on a virtual machine is dear.
// Elsewhere it comes from the heap.
void* feed_memory_alloc(size_t size);
void feed_memory_free(void* at, size_t size);

// An allocator for the feeder's large containers: blocks of a megabyte or
// more through feed_memory_alloc, smaller ones from the heap.
template <typename T>
struct FeedLargeAllocator {
    using value_type = T;
    static constexpr size_t large = size_t(1) << 20;
    FeedLargeAllocator() = default;
    template <typename U>
    FeedLargeAllocator(const FeedLargeAllocator<U>&) {}
    T* allocate(size_t n) {
        if (n * sizeof(T) < large) return std::allocator<T>().allocate(n);
        void* at = feed_memory_alloc(n * sizeof(T));
        if (at == nullptr) throw std::bad_alloc();  // as the heap's allocator does
        return static_cast<T*>(at);
    }
    void deallocate(T* at, size_t n) {
        if (n * sizeof(T) < large) std::allocator<T>().deallocate(at, n);
        else feed_memory_free(at, n * sizeof(T));
    }
    template <typename U>
    bool operator==(const FeedLargeAllocator<U>&) const { return true; }
};
