#include "TextFile.h"

#include "PbFuncs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
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

// The line list is reserved up front; memchr finds line feeds much faster than a byte loop.
size_t CountLineFeeds(std::string_view data) {
    size_t count = 0;
    const char* p = data.data();
    const char* const end = p + data.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}

} // namespace

TTextFile LoadTextFile(const std::string& path) {
    auto fail = [&](const std::string& reason) {
        return std::runtime_error("Cannot read \"" + path + "\": " + reason);
    };
    // Non-blocking, so that a FIFO cannot hang the open; only regular files are read.
    const TFd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.Fd < 0)
        throw fail(std::strerror(errno));
    struct stat info {};
    if (::fstat(file.Fd, &info) != 0)
        throw fail(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        throw fail("it is a folder");
    if (!S_ISREG(info.st_mode))
        throw fail("it is not a regular file");
    // The size is a hint only: the file may change while it is read.
    size_t capacity = static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 1;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(larger.get(), bytes.get(), used);
            bytes = std::move(larger);
            capacity *= 2;
        }
        const ssize_t got = ::read(file.Fd, bytes.get() + used, capacity - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw fail(std::strerror(errno));
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
    }
    const std::string_view data(bytes.get(), used);
    TTextFile text;
    text.ModifiedTime = info.st_mtime;
    text.Lines.reserve(CountLineFeeds(data) + 1);
    SplitLineViews(data, text.Lines);
    text.Bytes = std::move(bytes);
    return text;
}

} // namespace tandrel
