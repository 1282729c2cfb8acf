#pragma once
// Plain text files as the source comparison loads them: bytes in the code page, lines
// ending at CR LF, CR or LF, a NUL ending the text.

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// The file's bytes are held once; the lines are views into them, so a loaded text costs
// no allocation per line. Moving keeps the views valid; copying is not offered.
struct TTextFile {
    std::unique_ptr<char[]> Bytes;
    std::vector<std::string_view> Lines;
    std::time_t ModifiedTime = 0; // the file's last-write time, seconds since 1970 UTC
};

// Throws std::runtime_error naming the file when it cannot be read (also for a folder or
// anything else that is not a regular file).
TTextFile LoadTextFile(const std::string& path);

} // namespace tandrel
