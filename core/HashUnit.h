#pragma once
// Lines are compared by hash only: two lines are equal exactly when their hashes are.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// CRC-32 (IEEE 802.3) of the line after optional removal of spaces and tabs and optional
// lower-casing by the program's code page. An empty text hashes to 0.
int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks);

// The hash of every line, in line order (empty for no lines).
std::vector<int32_t> HashLines(const std::vector<std::string>& lines, bool ignoreCase,
                               bool ignoreBlanks);

} // namespace tandrel
