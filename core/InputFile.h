#pragma once
// A regular file opened for reading, with its facts. Opening never blocks: a FIFO, device or
// folder is refused with a clear message instead of hanging the open.

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

private:
    std::string FPath;
    int FFd = -1;
    struct stat FInfo {};
};

} // namespace tandrel
