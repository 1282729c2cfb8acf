#pragma once
// Plain text files as the source comparison loads them: bytes in the code page, lines
// ending at CR LF, CR or LF, a NUL ending the text.

#include <ctime>
#include <string>
#include <vector>

namespace tandrel {

struct TTextFile {
    std::vector<std::string> Lines;
    std::time_t ModifiedTime = 0; // the file's last-write time, seconds since 1970 UTC
};

// Throws std::runtime_error naming the file when it cannot be read (also for a folder).
TTextFile LoadTextFile(const std::string& path);

} // namespace tandrel
