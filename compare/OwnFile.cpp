#include "OwnFile.h"

#include "InputFile.h"

#include <cerrno>
#include <sys/stat.h>

namespace tandrel {

std::optional<std::string> ReadOwnFile(const std::string& path, size_t limit) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return std::nullopt;
    // Opening refuses what is not a regular file before any read could block on it.
    const TInputFile file(path);
    const auto tooLarge = [&] {
        return file.Error("it is larger than " + std::to_string(limit / 1024) +
                          " KB, far more than the program writes there");
    };
    if (static_cast<unsigned long long>(file.Info().st_size) > limit)
        throw tooLarge();
    // The size is only a hint (the file may grow while it is read): at most one byte past
    // the limit is read, which tells a file over it.
    std::string bytes(limit + 1, '\0');
    const size_t used = file.ReadUpTo(bytes.data(), bytes.size());
    if (used > limit)
        throw tooLarge();
    bytes.resize(used);
    return bytes;
}

} // namespace tandrel
