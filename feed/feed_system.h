// What the feeder does differently on each system: joining paths, where its
// messages go when it was started from a shortcut, its wait between passes,
// and large pages for its large buffers.
#pragma once

#include <cstddef>
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

// Asks the system to back the untouched buffer [at, at + size) with large
// pages where it can: a buffer of tens of megabytes then costs a few dozen
// page faults instead of thousands. A hint only; nothing where there is none.
void feed_memory_large(void* at, size_t size);
