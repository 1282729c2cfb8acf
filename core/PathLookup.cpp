#include "PathLookup.h"

#include <climits>
#include <cwctype>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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
        return *known->second;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    struct stat info {};
    if (dir == nullptr || ::fstat(::dirfd(dir), &info) != 0) {
        if (dir != nullptr)
            ::closedir(dir);
        return *(FFolders[folder] = &FUnreadable);
    }
    const auto [listing, unlisted] = FListings.try_emplace(
        {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)});
    TFolderNames& names = listing->second;
    FFolders[folder] = &names;
    if (!unlisted) {
        ::closedir(dir);
        return names;
    }
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
    // The system looks nothing longer up, and walking the parts of such a path would only
    // cost time.
    if (path.empty() || path.size() >= PATH_MAX)
        return std::nullopt;
    if (Exists(path))
        return path;
    // Most names that miss differ in the case of the file name alone; and the names of a
    // target share few folders. Each folder is found once, then each of its names in it.
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return Walk(path);
    const std::string folder = path.substr(0, slash + 1);
    auto known = FFoundFolders.find(folder);
    if (known == FFoundFolders.end()) {
        std::optional<std::string> found = folder;
        if (!Exists(folder)) {
            found = Walk(folder);
            if (found)
                *found += '/';
        }
        known = FFoundFolders.emplace(folder, std::move(found)).first;
    }
    if (!known->second)
        return std::nullopt;
    const std::string name = path.substr(slash + 1);
    const std::string exact = *known->second + name;
    if (Exists(exact))
        return exact;
    return FindIn(*known->second, name);
}

std::optional<std::string> TPathLookup::FindIn(const std::string& folder, const std::string& name) {
    if (name == "." || name == "..")
        return std::nullopt;
    const TFolderNames& names = Names(folder);
    const auto found = names.find(FoldName(name));
    if (found == names.end())
        return std::nullopt;
    return folder + found->second;
}

// Part by part from the start, each part tested in the folder opened before it, so that a
// path of many parts costs one step per part rather than one walk of the whole path.
std::optional<std::string> TPathLookup::Walk(const std::string& path) {
    const bool absolute = path[0] == '/';
    int dir = ::open(absolute ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return std::nullopt;
    std::string resolved = absolute ? "/" : "";
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
        if (part == ".") {
            // The same folder again: nothing to test.
            resolved += last ? "." : "./";
            continue;
        }
        struct stat info {};
        std::string name = part;
        if (::fstatat(dir, part.c_str(), &info, 0) != 0) {
            const std::optional<std::string> found = FindIn(resolved, part);
            if (!found) {
                ::close(dir);
                return std::nullopt;
            }
            name = found->substr(resolved.size());
        }
        resolved += name;
        if (last)
            break;
        resolved += '/';
        const int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        if (next < 0)
            return std::nullopt;
        dir = next;
    }
    ::close(dir);
    return resolved;
}

} // namespace tandrel
