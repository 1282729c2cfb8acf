#pragma once
// The program's 8-bit code page: the equivalent of the system's ANSI code page on the
// platforms PowerBuilder libraries come from. All text of the program is bytes in this
// code page; lengths, columns and hashes count bytes. Conversions go through iconv.

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace tandrel {

class CodePage {
public:
    // Throws std::runtime_error when iconv does not know the name.
    explicit CodePage(const std::string& name);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    const std::string& Name() const { return FName; }

    // Characters without a form in the code page become '?'.
    std::string FromUtf16(const char16_t* text, size_t length) const;
    std::string FromUtf8(std::string_view utf8) const;
    // Bytes that are not valid in the code page become U+FFFD.
    std::string ToUtf8(std::string_view text) const;
    std::u16string ToUtf16(std::string_view text) const;

    // True for the first byte of a double-byte character.
    bool IsLeadByte(unsigned char byte) const { return FLeadByte[byte]; }
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
    std::string FName;
    std::unique_ptr<Converters> FConv;
    std::array<bool, 256> FLeadByte{};
    std::array<unsigned char, 256> FLower{};
};

// The program-wide code page (GBK, code page 936, until changed).
const CodePage& SystemCodePage();
// Throws std::runtime_error for an unknown name and keeps the previous code page.
void SetSystemCodePage(const std::string& name);

} // namespace tandrel
