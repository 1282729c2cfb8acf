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

// How a source text was stored: code-page bytes, UTF-8 without a byte-order mark, or
// Unicode after a mark.
enum class TTextEncoding { CodePage, Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom };

// What a save needs to write the text back in the file's own form: its encoding, the line
// break it used (the first one found) and whether its last line ended with one.
struct TTextForm {
    TTextEncoding Encoding = TTextEncoding::CodePage;
    std::string LineBreak = "\r\n";
    bool FinalBreak = true;
};

// What the code-page text of a file cannot carry back to it. Any of these makes the side
// read-only and a save is refused: writing the text would change the file.
struct TTextLoss {
    std::int64_t Unshown = 0;          // characters without a form in the code page, shown as '?'
    std::int64_t FirstUnshownLine = 0; // 1-based line of the first of them
    bool Binary = false;               // NUL bytes: not a text file, shown as far as it goes
    bool OddLength = false;            // UTF-16 ending in a lone byte, which is not shown

    bool Any() const { return Unshown > 0 || Binary || OddLength; }
};

// A text file as the source view loads it: code-page lines whatever the file held.
struct TSourceFile {
    TTextFile Text;
    TTextForm Form;
    TTextLoss Loss;
};

// Throws std::runtime_error naming the file when it cannot be read (also for a folder or
// anything else that is not a regular file).
TTextFile LoadTextFile(const std::string& path);

// As LoadTextFile, except that Unicode is converted to the code page: a file with a UTF-8 or
// UTF-16 byte-order mark (the mark is not part of the text), and a file without one that is
// valid UTF-8 holding multi-byte characters. A file holding NUL bytes is binary: its lines
// keep them and nothing is converted.
TSourceFile LoadSourceFile(const std::string& path);

// The words for a loss, as the caption, the status bar and a refused save use them; empty
// when nothing was lost.
std::string LossText(const TTextLoss& loss);

// The bytes a source text is saved as: the lines in the form's encoding (with its mark),
// each followed by its line break (the last one only when the form says so). Throws
// std::runtime_error naming the first line that the encoding cannot carry unchanged.
std::string EncodeSourceText(const std::vector<std::string_view>& lines, const TTextForm& form);

// One buffer holding copies of the lines, with views into it.
TTextFile TextFromLines(const std::vector<std::string_view>& lines);

} // namespace tandrel
