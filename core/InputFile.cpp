#include "InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tandrel {

TInputFile::TInputFile(const std::string& path) : FPath(path) {
    FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FFd < 0)
        throw Error(std::strerror(errno));
    const char* problem = nullptr;
    if (::fstat(FFd, &FInfo) != 0)
        problem = std::strerror(errno);
    else if (S_ISDIR(FInfo.st_mode))
        problem = "it is a folder";
    else if (!S_ISREG(FInfo.st_mode))
        problem = "it is not a regular file";
    if (problem != nullptr) {
        const std::runtime_error error = Error(problem);
        ::close(FFd);
        throw error;
    }
}

TInputFile::~TInputFile() {
    ::close(FFd);
}

std::runtime_error TInputFile::Error(const std::string& reason) const {
    return std::runtime_error("Cannot read \"" + FPath + "\": " + reason);
}

size_t TInputFile::ReadUpTo(char* into, size_t count) const {
    size_t used = 0;
    while (used < count) {
        const ssize_t got = ::read(FFd, into + used, count - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Error(std::strerror(errno));
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
    }
    return used;
}

} // namespace tandrel
