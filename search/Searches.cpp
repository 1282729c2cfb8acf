#include "Searches.h"

#include "CodePage.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tandrel {

namespace {

constexpr std::array<unsigned char, 256> MakeIdentity() {
    std::array<unsigned char, 256> table{};
    for (size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<unsigned char>(i);
    }
    return table;
}

// Case-sensitive matching reads bytes through this table, so the scan loop has one form.
constexpr std::array<unsigned char, 256> kIdentity = MakeIdentity();

constexpr size_t kMaxLength = static_cast<size_t>(std::numeric_limits<int32_t>::max());

} // namespace

TBaseSearch::TBaseSearch() {
    FFoldTable = kIdentity;
    for (int c = 'A'; c <= 'Z'; ++c) {
        FFoldTable[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 'A' + 'a');
    }
}

void TBaseSearch::SetPattern(const std::string& value) {
    if (value == FPattern) {
        return;
    }
    if (value.size() > kMaxLength) {
        throw std::length_error("Search pattern too long");
    }
    FPattern = value;
    FPatternLength = static_cast<int32_t>(value.size());
    FTableFits = false;
}

void TBaseSearch::SetCaseSensitive(bool value) {
    if (value != FCaseSensitive) {
        FCaseSensitive = value;
        FTableFits = false;
    }
}

void TBaseSearch::SetText(const void* buffer, size_t length) {
    if (length > kMaxLength) {
        throw std::length_error("Text too long to search");
    }
    FStart = nullptr;
    FTextLength = 0;
    FCurrent = 0;
    FFloor = 0;
    if (buffer != nullptr && length >= 1) {
        FStart = static_cast<const unsigned char*>(buffer);
        FTextLength = static_cast<int32_t>(length);
    }
}

// Horspool's table: the distance from each byte's last place in the pattern (the final
// byte excluded) to the pattern's end. The final byte gets 0 so that the scan stops to
// compare there; the distance it would have had becomes the match skip.
void TBaseSearch::BuildSkipTable() {
    const int32_t n = FPatternLength;
    if (n == 0) {
        return;
    }
    const unsigned char* fold = FCaseSensitive ? kIdentity.data() : FFoldTable.data();
    const auto* pattern = reinterpret_cast<const unsigned char*>(FPattern.data());
    FSkipTable.fill(n);
    for (int32_t j = 0; j < n - 1; ++j) {
        FSkipTable[fold[pattern[j]]] = n - 1 - j;
    }
    const unsigned char last = fold[pattern[n - 1]];
    FMatchSkip = FSkipTable[last];
    FSkipTable[last] = 0;
    FTableFits = true;
}

int32_t TBaseSearch::FindFirst() {
    FFloor = 0;
    FCurrent = FPatternLength - 1;
    return FindNext();
}

int32_t TBaseSearch::FindNext() {
    if (!FTableFits) {
        BuildSkipTable();
    }
    const int64_t n = FPatternLength;
    const int64_t end = FTextLength;
    if (n == 0 || n > end || FCurrent >= end) {
        FCurrent = end;
        return -1;
    }
    // The window must lie inside the text and behind the previous match; with an unchanged
    // pattern the scan already stands there.
    FCurrent = std::max(FCurrent, FFloor + n - 1);

    const unsigned char* fold = FCaseSensitive ? kIdentity.data() : FFoldTable.data();
    const auto* pattern = reinterpret_cast<const unsigned char*>(FPattern.data());
    const unsigned char* text = FStart;
    int64_t current = FCurrent;
    while (current < end) {
        const int32_t skip = FSkipTable[fold[text[current]]];
        if (skip != 0) {
            current += skip;
            continue;
        }
        const unsigned char* window = text + (current - n + 1);
        int64_t i = 0;
        while (i < n - 1 && fold[pattern[i]] == fold[window[i]]) {
            ++i;
        }
        if (i == n - 1 && AcceptMatch(static_cast<int32_t>(current - n + 1))) {
            const int64_t offset = current - n + 1;
            FFloor = offset + n;
            FCurrent = current + n;
            return static_cast<int32_t>(offset);
        }
        current += i == n - 1 ? 1 : FMatchSkip;
    }
    FCurrent = current;
    return -1;
}

bool TBaseSearch::AcceptMatch(int32_t) {
    return true;
}

TSearch::TSearch(const CodePage* codePage)
    : FCodePage(codePage != nullptr ? *codePage : SystemCodePage()) {}

void TSearch::SetText(const void* buffer, size_t length) {
    TBaseSearch::SetText(buffer, length);
    FWalk = 0;
}

bool TSearch::AcceptMatch(int32_t offset) {
    const std::string_view text(reinterpret_cast<const char*>(Text()),
                                static_cast<size_t>(TextLength()));
    const auto start = static_cast<size_t>(offset);
    if (FWalk > start) {
        FWalk = 0; // the search started over
    }
    while (FWalk < start) {
        FWalk += FCodePage.CharLength(text, FWalk);
    }
    if (FWalk != start) {
        return false;
    }
    const size_t end = start + Pattern().size();
    size_t i = start;
    while (i < end) {
        const size_t n = FCodePage.CharLength(text, i);
        if (n == 2 && i + 1 < end && text[i + 1] != Pattern()[i + 1 - start]) {
            return false; // a trail byte that only matched by case folding
        }
        i += n;
    }
    return i == end;
}

bool TSearch::IsWholeWord(std::string_view row, int32_t position, int32_t length) const {
    auto wordChar = [&](size_t at) {
        const auto c = static_cast<unsigned char>(row[at]);
        return FCodePage.CharLength(row, at) == 1 &&
               ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
    };
    const auto start = static_cast<size_t>(position);
    const size_t end = start + static_cast<size_t>(length);
    if (start > 0 && start <= row.size() && wordChar(FCodePage.CharStart(row, start - 1))) {
        return false;
    }
    return end >= row.size() || !wordChar(end);
}

} // namespace tandrel
