// A whole file as its bytes, for tests that check what a program wrote.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

// The bytes of the file at `path`; "" when it cannot be read.
inline std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
