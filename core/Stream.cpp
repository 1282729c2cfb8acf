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

// Large enough to hold a directory node and the data blocks that usually follow one
// another, small enough to cost nothing when only a few blocks are read.
constexpr size_t kBufferSize = 64 * 1024;

std::runtime_error OpenError(const std::string& path, int error) {
    return std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(error));
}

} // namespace

TFileStream::TFileStream(const std::string& path) : FPath(path) {
    FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0)
        throw OpenError(path, errno);
    struct stat info {};
    if (::fstat(FHandle, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(FHandle);
        throw OpenError(path, error);
    }
    FSize = static_cast<int64_t>(info.st_size);
}

TFileStream::~TFileStream() {
    ::close(FHandle);
}

void TFileStream::Seek(int64_t position) {
    FPosition = position < 0 ? 0 : position;
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
        // Large reads bypass the buffer; small ones refill it at the current position.
        const bool direct = count - done >= kBufferSize;
        if (!direct && FBuffer.size() < kBufferSize)
            FBuffer.resize(kBufferSize);
        unsigned char* target = direct ? out + done : FBuffer.data();
        const size_t want = direct ? count - done : kBufferSize;
        ssize_t n;
        do {
            n = ::pread(FHandle, target, want, static_cast<off_t>(FPosition));
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            throw std::runtime_error("Cannot read file \"" + FPath + "\". " + std::strerror(errno));
        if (n == 0)
            break;
        if (direct) {
            done += static_cast<size_t>(n);
            FPosition += n;
        } else {
            FBufferStart = FPosition;
            FBufferLength = static_cast<size_t>(n);
        }
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
