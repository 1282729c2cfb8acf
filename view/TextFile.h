#pragma once
// Plain text files as the source comparison loads them: bytes in the code page, lines
// ending at CR LF, CR or LF, a NUL ending the text.

#include <cstdint>
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
    std::int64_t ModifiedNs = 0;  // the same in nanoseconds, to notice changes within a second
};

// How a source text was stored: code-page bytes, or Unicode after a byte-order mark.
enum class TTextEncoding { CodePage, Utf8Bom, Utf16LeBom };

// A text file as the source view loads it: code-page lines whatever the file held.
struct TSourceFile {
    TTextFile Text;
    TTextEncoding Encoding = TTextEncoding::CodePage;
    bool Lossy = false; // some characters had no form in the code page and became '?'
};

// Throws std::runtime_error naming the file when it cannot be read (also for a folder or
// anything else that is not a regular file).
TTextFile LoadTextFile(const std::string& path);

// As LoadTextFile, except that a file starting with a UTF-8 or UTF-16LE byte-order mark is
// converted to the code page first (the mark itself is not part of the text).
TSourceFile LoadSourceFile(const std::string& path);

// The lines each followed by CR LF, converted to the encoding (with its mark) when it is not
// the code page: the bytes a source file is saved as.
std::string EncodeSourceText(const std::vector<std::string_view>& lines, TTextEncoding encoding);

// One buffer holding copies of the lines, with views into it.
TTextFile TextFromLines(const std::vector<std::string_view>& lines);

} // namespace tandrel
