#pragma once
// UTF-16LE text to the program's code page, fed in pieces as a library's blocks deliver it.

#include <cstddef>
#include <string>

namespace tandrel {

class CodePage;

// Appends to a string what the UTF-16LE bytes given to Add say, in the code page; the
// result is the same however the bytes are cut into pieces, even inside a character or
// between the two halves of a surrogate pair. Sources are mostly ASCII: those characters
// are copied, as the code page keeps every ASCII character's byte, and only the runs
// outside ASCII go to the converter, whole.
class TUtf16Decoder {
public:
    // Appends to `out` from its end; `units` is about how many characters are coming.
    TUtf16Decoder(std::string& out, size_t units);
    TUtf16Decoder(const TUtf16Decoder&) = delete;
    TUtf16Decoder& operator=(const TUtf16Decoder&) = delete;

    void Add(const unsigned char* bytes, size_t size);
    // Converts what is still held back and trims the string to the text; a last lone byte,
    // half a character, is dropped.
    void Finish();

private:
    // Room for `count` more bytes at FUsed.
    char* Room(size_t count);
    void AddUnits(const unsigned char* bytes, size_t units);
    void Flush();

    const CodePage& FPage;
    std::string& FOut;
    size_t FUsed;            // bytes of FOut that hold text; the rest is room
    std::u16string FPending; // a run outside ASCII not yet converted
    unsigned char FHalf = 0; // the first byte of a character cut between two pieces
    bool FHalfHeld = false;
};

// The whole of `units` characters of UTF-16LE at once.
std::string Utf16BytesToCodePage(const unsigned char* bytes, size_t units);

} // namespace tandrel
