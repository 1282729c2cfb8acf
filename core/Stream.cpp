#include "Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel {

namespace {

// A miss reads this much from the position on: a directory node and the data blocks that
// usually follow one another, without fetching much that is not wanted.
constexpr size_t kReadAhead = 16 * 1024;
// The most one hint fetches at once; longer stretches are read as they come.
constexpr size_t kMaxHint = 1024 * 1024;

std::runtime_error OpenError(const std::string& path, int error) {
    return std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(error));
}

} // namespace

TFileStream::TFileStream(const std::string& path) : FPath(path) {
    // Non-blocking, so that a FIFO or device named like a library cannot hang the open;
    // only regular files are read.
    FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FHandle < 0)
        throw OpenError(path, errno);
    struct stat info {};
    if (::fstat(FHandle, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        const bool isDir = S_ISDIR(info.st_mode);
        const bool isOther = !isDir && info.st_mode != 0;
        ::close(FHandle);
        if (isOther)
            throw std::runtime_error("Cannot open file \"" + path + "\". Not a regular file");
        throw OpenError(path, isDir ? EISDIR : error);
    }
    FSize = static_cast<int64_t>(info.st_size);
    FModifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

TFileStream::~TFileStream() {
    ::close(FHandle);
}

void TFileStream::Seek(int64_t position) {
    FPosition = position < 0 ? 0 : position;
}

bool TFileStream::Fill(int64_t start, size_t count) {
    if (FBuffer.size() < count)
        FBuffer.resize(count);
    ssize_t n;
    do {
        n = ::pread(FHandle, FBuffer.data(), count, static_cast<off_t>(start));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw std::runtime_error("Cannot read file \"" + FPath + "\". " + std::strerror(errno));
    FBufferStart = start;
    FBufferLength = static_cast<size_t>(n);
    return n > 0;
}

void TFileStream::WillRead(int64_t position, size_t count) {
    count = std::min(count, kMaxHint);
    if (position < 0 || count == 0 ||
        (position >= FBufferStart && position + static_cast<int64_t>(count) <=
                                         FBufferStart + static_cast<int64_t>(FBufferLength)))
        return;
    Fill(position, std::max(count, kReadAhead));
}

size_t TFileStream::Read(void* buffer, size_t count) {
    if (count == 0)
        return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (FPosition >= FBufferStart &&
            FPosition < FBufferStart + static_cast<int64_t>(FBufferLength)) {
            const size_t offset = static_cast<size_t>(FPosition - FBufferStart);
            const size_t n = std::min(count - done, FBufferLength - offset);
            std::memcpy(out + done, FBuffer.data() + offset, n);
            done += n;
            FPosition += static_cast<int64_t>(n);
            continue;
        }
        if (count - done >= kReadAhead) {
            // Large reads go straight to the caller.
            ssize_t n;
            do {
                n = ::pread(FHandle, out + done, count - done, static_cast<off_t>(FPosition));
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                throw std::runtime_error("Cannot read file \"" + FPath + "\". " +
                                         std::strerror(errno));
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
            FPosition += n;
            continue;
        }
        if (!Fill(FPosition, kReadAhead))
            break;
    }
    return done;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const int64_t size = static_cast<int64_t>(FBytes.size());
    if (count == 0 || FPosition >= size)
        return 0;
    const size_t n = std::min(count, static_cast<size_t>(size - FPosition));
    std::memcpy(buffer, FBytes.data() + FPosition, n);
    FPosition += static_cast<int64_t>(n);
    return n;
}

} // namespace tandrel
