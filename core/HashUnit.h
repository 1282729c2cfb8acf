#pragma once
// Lines are compared by hash only: two lines are equal exactly when their hashes are.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tandrel {

// CRC-32 (IEEE 802.3) of the line after optional removal of spaces and tabs and optional
// lower-casing by the program's code page. An empty text hashes to 0.
int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks);

// The hash of every line, in line order (empty for no lines). Lines: a vector of
// std::string or std::string_view.
template <class Lines>
std::vector<int32_t> HashLines(const Lines& lines, bool ignoreCase, bool ignoreBlanks) {
    std::vector<int32_t> hashes(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        hashes[i] = LineHash(lines[i], ignoreCase, ignoreBlanks);
    return hashes;
}

} // namespace tandrel
