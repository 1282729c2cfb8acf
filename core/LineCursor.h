#pragma once
// Lines of a text one at a time, by the one rule every reader of sources splits with.

#include <string_view>

namespace tandrel {

// The first CR, LF or NUL in [p, end), or end.
const char* FindLineEnd(const char* p, const char* end);

// Walks the lines of a text: they end at CR LF, CR or LF; a NUL ends the text; a final line
// break adds no empty line. The text must outlive the cursor and the lines it gives. Copying
// a cursor copies its place, so a copy taken before the walk starts it over.
class TLineCursor {
public:
    TLineCursor() = default;
    explicit TLineCursor(std::string_view text)
        : FPos(text.data()), FEnd(text.data() + text.size()) {}

    // The next line into `line`; false, leaving `line` alone, when there is none.
    bool Next(std::string_view& line) {
        if (FPos == FEnd)
            return false;
        const char* stop = FindLineEnd(FPos, FEnd);
        const char* const begin = FPos;
        if (stop < FEnd && *stop == '\0') {
            FPos = FEnd;
            if (stop == begin)
                return false;
        } else if (stop < FEnd) {
            const bool crLf = *stop == '\r' && stop + 1 < FEnd && stop[1] == '\n';
            FPos = stop + (crLf ? 2 : 1);
        } else {
            FPos = FEnd;
        }
        line = std::string_view(begin, static_cast<size_t>(stop - begin));
        return true;
    }

private:
    const char* FPos = nullptr;
    const char* FEnd = nullptr;
};

} // namespace tandrel
