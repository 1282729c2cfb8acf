#pragma once
// The program's 8-bit code page: the equivalent of the system's ANSI code page on the
// platforms PowerBuilder libraries come from. All text of the program is bytes in this
// code page; lengths, columns and hashes count bytes. Conversions go through iconv; a
// CodePage may be used from several threads at once.

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace tandrel {

class CodePage {
public:
    // Where the byte tables come from: the program's own for the code pages it knows
    // (GBK), so that no converter is loaded until a text needs one, or probed through iconv
    // byte by byte (any code page; tests compare the two).
    enum class TTables { Known, Probed };
    // Throws std::runtime_error when iconv does not know the name.
    explicit CodePage(const std::string& name, TTables tables = TTables::Known);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    const std::string& Name() const { return FName; }
    // True when the code page is ASCII with single- or double-byte characters beside it:
    // every ASCII byte is the same character both ways and no character takes more than
    // two bytes. Only such a code page can be the program's, as the reader copies ASCII
    // text unconverted and the editor's columns are single or double bytes.
    // Tried on every pair of a lead and another byte, so only when asked.
    bool ByteText() const;

    // Characters without a form in the code page become '?'.
    std::string FromUtf16(const char16_t* text, size_t length) const;
    std::string FromUtf8(std::string_view utf8) const;
    // Bytes that are not valid in the code page become U+FFFD.
    std::string ToUtf8(std::string_view text) const;
    std::u16string ToUtf16(std::string_view text) const;

    // True for the first byte of a double-byte character.
    bool IsLeadByte(unsigned char byte) const { return FLeadByte[byte]; }
    // True for a byte that completes some lead byte to a character.
    bool IsTrailByte(unsigned char byte) const { return FTrailByte[byte]; }
    // Bytes of the character at `at`: 2 for a lead byte followed by a trail byte, else 1. A
    // lead byte without a trail byte after it (at the end, or before a blank) stands alone.
    size_t CharLength(std::string_view text, size_t at) const;
    // Start of the character that byte `at` belongs to; characters are told apart only by
    // walking from the start of the text. `at` itself at or past the end.
    size_t CharStart(std::string_view text, size_t at) const;
    // Lower case of a single-byte character: A-Z, plus the code page's own letters.
    unsigned char LowerByte(unsigned char byte) const { return FLower[byte]; }
    // Lowers the single-byte letters of a text; both bytes of a double-byte character
    // stay as they are (a trail byte may look like an ASCII letter).
    void LowerInPlace(std::string& text) const;
    // The one case-insensitive order used to sort and pair keys: byte order after
    // lowering single-byte letters; a text that is the start of another sorts first.
    int CompareText(std::string_view a, std::string_view b) const;
    bool SameText(std::string_view a, std::string_view b) const { return CompareText(a, b) == 0; }

private:
    struct Converters;
    void SetGbkTables();
    void ProbeTables();
    std::string FName;
    std::unique_ptr<Converters> FConv;
    std::array<bool, 256> FLeadByte{};
    std::array<bool, 256> FTrailByte{};
    std::array<unsigned char, 256> FLower{};
    bool FAsciiKept = true; // every ASCII byte the same character both ways
    bool FKnownByteText = false;
};

// The program-wide code page. The first call fixes it: the one SetSystemCodePage chose, or
// GBK (code page 936). It never changes afterwards, so the reference stays valid and may be
// used from any thread; every conversion has its own iconv state.
const CodePage& SystemCodePage();
// Chooses the program-wide code page at start-up (the CLI's --codepage, the program's
// "CodePage" setting), before anything reads it. Throws std::runtime_error for an unknown
// name or one that is not ByteText (nothing is chosen then), and std::logic_error once the
// code page is fixed, unless the name is the one already in force.
void SetSystemCodePage(const std::string& name);

} // namespace tandrel
