#pragma once
// Helpers of the main window and settings tests: a file's bytes read and written whole.

#include <fstream>
#include <sstream>
#include <string>

namespace tandrel::test {

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace tandrel::test
