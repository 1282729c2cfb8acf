#include "TextFile.h"

#include "PbFuncs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel {

namespace {

// Closes the descriptor on every path out.
struct TFd {
    int Fd;
    ~TFd() {
        if (Fd >= 0)
            ::close(Fd);
    }
};

} // namespace

TTextFile LoadTextFile(const std::string& path) {
    auto fail = [&](const std::string& reason) {
        return std::runtime_error("Cannot read \"" + path + "\": " + reason);
    };
    const TFd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.Fd < 0)
        throw fail(std::strerror(errno));
    struct stat info {};
    if (::fstat(file.Fd, &info) != 0)
        throw fail(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        throw fail("it is a folder");
    // The size is a hint only: the file may change while it is read.
    std::string bytes(static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 1, '\0');
    size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(file.Fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw fail(std::strerror(errno));
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
    }
    bytes.resize(used);
    TTextFile text;
    text.ModifiedTime = info.st_mtime;
    SplitLines(bytes, text.Lines);
    return text;
}

} // namespace tandrel
