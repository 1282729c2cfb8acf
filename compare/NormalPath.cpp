#include "NormalPath.h"

#include <filesystem>
#include <sys/stat.h>

namespace tandrel {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat infoA {};
    struct stat infoB {};
    return ::stat(a.c_str(), &infoA) == 0 && ::stat(b.c_str(), &infoB) == 0 &&
           infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

std::string NormalPath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return path;
    std::string normal = absolute.lexically_normal().string();
    // "dir/." normalises to "dir/"; a file path never ends in a separator.
    if (normal.size() > 1 && normal.back() == '/' && path.back() != '/')
        normal.pop_back();
    const std::string plain = absolute.string();
    if (normal == plain || !Exists(plain) || SameFile(plain, normal))
        return normal;
    return plain;
}

} // namespace tandrel
