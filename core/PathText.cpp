#include "PathText.h"

#include "CodePage.h"

#include <sys/stat.h>

namespace tandrel {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        char32_t min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= extra)
            return false;
        char32_t code = c & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string PathToCodePage(const std::string& path) {
    return IsValidUtf8(path) ? SystemCodePage().FromUtf8(path) : path;
}

std::string FolderOfPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string PathToUtf8Text(const std::string& path) {
    return IsValidUtf8(path) ? path : SystemCodePage().ToUtf8(path);
}

std::string PathFromCodePage(const std::string& text) {
    std::string utf8 = SystemCodePage().ToUtf8(text);
    if (utf8 != text && !Exists(utf8) && Exists(text))
        return text;
    return utf8;
}

} // namespace tandrel
