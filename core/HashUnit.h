#pragma once
// Lines are compared by hash only: two lines are equal exactly when their hashes are.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tandrel {

class CodePage;

// CRC-32 (IEEE 802.3) of the line after optional removal of spaces and tabs and optional
// lower-casing by the program's code page. An empty text hashes to 0.
int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks);
// The same with the letters and double-byte characters of the given code page.
int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks, const CodePage& page);

// The hash of every line, in line order (empty for no lines). Lines: a vector of
// std::string or std::string_view.
template <class Lines>
std::vector<int32_t> HashLines(const Lines& lines, bool ignoreCase, bool ignoreBlanks) {
    std::vector<int32_t> hashes(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        hashes[i] = LineHash(lines[i], ignoreCase, ignoreBlanks);
    return hashes;
}

// The two hash sequences of one diff run, giving exactly the blocks that the hashes of
// every line give. The engine first strips the common head and tail of the sequences and
// only then reads the lines between; lines that are the same byte for byte are equal under
// every option, so the head and tail are found here comparing bytes first and hashing only
// where bytes differ. Their lines get their hash where one was computed and 0 otherwise:
// the engine compares them only with their partners. The exception is the first line of
// the tail, which the engine's head walk may also compare with the other side's line at
// the same index, so that pair always gets its real hash.
template <class Lines>
void HashTextPair(const Lines& text1, const Lines& text2, bool ignoreCase, bool ignoreBlanks,
                  std::vector<int32_t>& hashes1, std::vector<int32_t>& hashes2) {
    const size_t len1 = text1.size();
    const size_t len2 = text2.size();
    hashes1.assign(len1, 0);
    hashes2.assign(len2, 0);
    auto hash1 = [&](size_t i) {
        return hashes1[i] = LineHash(text1[i], ignoreCase, ignoreBlanks);
    };
    auto hash2 = [&](size_t i) {
        return hashes2[i] = LineHash(text2[i], ignoreCase, ignoreBlanks);
    };
    auto equal = [&](size_t i, size_t j) {
        return std::string_view(text1[i]) == std::string_view(text2[j]) || hash1(i) == hash2(j);
    };
    const size_t shorter = len1 < len2 ? len1 : len2;
    size_t head = 0;
    while (head < shorter && equal(head, head))
        ++head;
    size_t tail = 0;
    while (tail < shorter - head && equal(len1 - 1 - tail, len2 - 1 - tail))
        ++tail;
    if (tail > 0) {
        hash1(len1 - tail);
        hash2(len2 - tail);
    }
    for (size_t i = head; i < len1 - tail; ++i)
        hash1(i);
    for (size_t i = head; i < len2 - tail; ++i)
        hash2(i);
}

} // namespace tandrel
