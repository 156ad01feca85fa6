// How often a text stands in another, for tests that check a program's messages.
#pragma once

#include <cstddef>
#include <string>

// The places `part` starts in `text`, overlapping ones counted.
inline size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}
