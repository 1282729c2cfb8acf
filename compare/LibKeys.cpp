#include "LibKeys.h"

#include "CodePage.h"
#include "PathText.h"

#include <algorithm>

namespace tandrel {

namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Bytes of the UTF-8 character starting with `lead`; a stray byte stands alone.
size_t Utf8Length(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// The name's characters in UTF-8 with letter case folded: ASCII letters, and the characters
// the code page holds as a single-byte letter, take their small form; every other character
// stays as it is, so two names the code page cannot tell apart still differ here.
std::string FoldedName(std::string_view name) {
    const CodePage& page = SystemCodePage();
    const std::string utf8 = PathToUtf8Text(std::string(name));
    std::string folded;
    folded.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            folded += static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead + 32 : lead);
            ++i;
            continue;
        }
        const std::string_view ch(utf8.data() + i, std::min(Utf8Length(lead), utf8.size() - i));
        i += ch.size();
        const std::string single = page.FromUtf8(ch);
        const auto byte = single.size() == 1 ? static_cast<unsigned char>(single[0]) : 0;
        if (byte >= 0x80 && page.LowerByte(byte) != byte)
            folded += page.ToUtf8(std::string(1, static_cast<char>(page.LowerByte(byte))));
        else
            folded += ch;
    }
    return folded;
}

} // namespace

std::string LibKeyOfPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LibKeyOfFolder(const std::string& path) {
    std::string key = LibKeyOfPath(path);
    const auto endsWith = [&key](std::string_view suffix) {
        if (key.size() < suffix.size())
            return false;
        std::string end = key.substr(key.size() - suffix.size());
        for (char& c : end)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return end == suffix;
    };
    // The workspace layout of newer versions keeps a library's sources in "app.pbl.src".
    if (endsWith(".pbl.src"))
        key.resize(key.size() - 4);
    else if (!endsWith(".pbl"))
        key += ".pbl";
    return key;
}

int CompareLibKeys(std::string_view a, std::string_view b) {
    if (a == b)
        return 0;
    const CodePage& page = SystemCodePage();
    if (IsAscii(a) && IsAscii(b))
        return page.CompareText(a, b);
    const int order =
        page.CompareText(PathToCodePage(std::string(a)), PathToCodePage(std::string(b)));
    if (order != 0)
        return order;
    const std::string folded1 = FoldedName(a), folded2 = FoldedName(b);
    return folded1 < folded2 ? -1 : folded1 > folded2 ? 1 : 0;
}

} // namespace tandrel
