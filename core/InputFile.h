#pragma once
// A regular file opened for reading, with its facts. Opening never blocks: a FIFO, device or
// folder is refused with a clear message instead of hanging the open.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace tandrel {

class TInputFile {
public:
    // Throws std::runtime_error "Cannot read "PATH": reason".
    explicit TInputFile(const std::string& path);
    ~TInputFile();
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    int Fd() const { return FFd; }
    const struct stat& Info() const { return FInfo; }
    // The error to throw for a later failure on this file, in the form of the open's.
    std::runtime_error Error(const std::string& reason) const;
    // Reads from where the file stands until `count` bytes are in or the file ends (a file
    // shortened meanwhile reads short); returns how many came. Throws like Error.
    size_t ReadUpTo(char* into, size_t count) const;

private:
    std::string FPath;
    int FFd = -1;
    struct stat FInfo {};
};

} // namespace tandrel
