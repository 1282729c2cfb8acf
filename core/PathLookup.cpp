#include "PathLookup.h"

#include <cwctype>
#include <dirent.h>
#include <locale.h>
#include <string_view>
#include <sys/stat.h>

namespace tandrel {

namespace {

// Case folding of a UTF-8 file name for comparison; bytes that are not UTF-8 stay as
// they are.
std::u32string FoldName(std::string_view name) {
    static locale_t utf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    std::u32string folded;
    folded.reserve(name.size());
    size_t i = 0;
    while (i < name.size()) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool valid = i + extra < name.size();
        for (size_t k = 1; valid && k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(name[i + k]);
            valid = (t & 0xC0) == 0x80;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (!valid || (c >= 0x80 && extra == 0)) {
            folded.push_back(0x110000 + c); // outside Unicode: never equal to a character
            ++i;
            continue;
        }
        if (utf8Locale != nullptr)
            cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), utf8Locale));
        folded.push_back(cp);
        i += extra + 1;
    }
    return folded;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

const TPathLookup::TFolderNames& TPathLookup::Names(const std::string& folder) {
    const auto known = FFolders.find(folder);
    if (known != FFolders.end())
        return known->second;
    TFolderNames& names = FFolders[folder];
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const auto [slot, added] = names.try_emplace(FoldName(name), name);
        if (!added && name < slot->second)
            slot->second = name;
    }
    ::closedir(dir);
    return names;
}

std::optional<std::string> TPathLookup::Find(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    if (Exists(path))
        return path;
    std::string resolved = path[0] == '/' ? "/" : "";
    size_t pos = 0;
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        const bool last = pos >= path.size();
        std::string next = resolved + part;
        if (!Exists(next)) {
            if (part == "." || part == "..")
                return std::nullopt;
            const TFolderNames& names = Names(resolved);
            const auto found = names.find(FoldName(part));
            if (found == names.end())
                return std::nullopt;
            next = resolved + found->second;
        }
        resolved = last ? next : next + "/";
    }
    return resolved;
}

} // namespace tandrel
