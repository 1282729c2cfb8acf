#include "Stream.h"

#include "MappedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace tandrel {

namespace {

// The most one hint fetches at once; longer stretches are read as they come.
constexpr size_t kMaxHint = 1024 * 1024;

std::runtime_error OpenError(const std::string& path, int error) {
    return std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(error));
}

} // namespace

TFileStream::TFileStream(const std::string& path, size_t keepMax, bool mapped)
    : FPath(path), FKeepMax(keepMax) {
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
    if (mapped && FSize > 0) {
        FMap = std::make_unique<TMappedFile>(FHandle, static_cast<size_t>(FSize));
        if (FMap->Data() == nullptr)
            FMap.reset();
    }
}

TFileStream::~TFileStream() {
    FMap.reset();
    ::close(FHandle);
}

void TFileStream::CheckWhole() const {
    if (FMap && FMap->Cut())
        throw std::runtime_error("Cannot read file \"" + FPath +
                                 "\". It was shortened while it was read");
}

void TFileStream::Seek(int64_t position) {
    FPosition = position < 0 ? 0 : position;
}

void TFileStream::ReadError() const {
    throw std::runtime_error("Cannot read file \"" + FPath + "\". " + std::strerror(errno));
}

void TFileStream::Load(size_t first, size_t count) {
    if (FSize <= 0)
        return;
    const size_t end = std::min(first + count, static_cast<size_t>(FSize - 1) / kChunk + 1);
    if (first >= end)
        return;
    if (FKept + (end - first) * kChunk > FKeepMax) {
        FChunks.clear();
        FKept = 0;
        FLastIndex = SIZE_MAX;
        FLast = nullptr;
    }
    iovec parts[kMaxHint / kChunk + 1];
    size_t c = first;
    while (c < end) {
        if (FChunks.contains(c)) {
            ++c;
            continue;
        }
        const size_t runStart = c;
        size_t used = 0;
        for (; c < end && !FChunks.contains(c) && used < std::size(parts); ++c) {
            TChunk& chunk = FChunks[c];
            chunk.Bytes = std::make_unique_for_overwrite<unsigned char[]>(kChunk);
            FKept += kChunk;
            parts[used++] = {chunk.Bytes.get(), kChunk};
        }
        ssize_t n;
        do {
            n = ::preadv(FHandle, parts, static_cast<int>(used),
                         static_cast<off_t>(runStart * kChunk));
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            const int error = errno;
            for (size_t k = runStart; k < c; ++k)
                FChunks.erase(k);
            FKept -= (c - runStart) * kChunk;
            FLastIndex = SIZE_MAX;
            FLast = nullptr;
            errno = error;
            ReadError();
        }
        // A short read leaves the rest of the run empty: the file ends there now.
        size_t left = static_cast<size_t>(n);
        for (size_t k = runStart; k < c; ++k) {
            FChunks[k].Length = std::min(left, kChunk);
            left -= FChunks[k].Length;
        }
    }
}

void TFileStream::WillRead(int64_t position, size_t count) {
    if (FMap || position < 0 || position >= FSize || count == 0)
        return;
    count = std::min(count, kMaxHint);
    const size_t first = static_cast<size_t>(position) / kChunk;
    const size_t last = (static_cast<size_t>(position) + count - 1) / kChunk;
    Load(first, last - first + 1);
}

size_t TFileStream::ReadDirect(unsigned char* out, size_t count, int64_t position) {
    ssize_t n;
    do {
        n = ::pread(FHandle, out, count, static_cast<off_t>(position));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        ReadError();
    return static_cast<size_t>(n);
}

const TFileStream::TChunk* TFileStream::ChunkAt(size_t wanted) {
    const size_t c = static_cast<size_t>(FPosition) / kChunk;
    if (c == FLastIndex)
        return FLast;
    auto kept = FChunks.find(c);
    if (kept == FChunks.end()) {
        if (wanted >= kChunk)
            return nullptr;
        Load(c, 1);
        kept = FChunks.find(c);
    }
    FLastIndex = c;
    FLast = &kept->second;
    return FLast;
}

size_t TFileStream::Read(void* buffer, size_t count) {
    if (FMap) {
        const unsigned char* data = nullptr;
        const size_t n = ReadView(data, count, nullptr);
        if (n > 0) {
            std::memcpy(buffer, data, n);
            CheckWhole();
        }
        return n;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count && FPosition < FSize) {
        const TChunk* chunk = ChunkAt(count - done);
        if (chunk == nullptr) {
            // Large reads of what is not kept go straight to the caller, and are not kept.
            const size_t want = std::min(count - done, static_cast<size_t>(FSize - FPosition));
            const size_t n = ReadDirect(out + done, want, FPosition);
            done += n;
            FPosition += static_cast<int64_t>(n);
            break;
        }
        const size_t offset = static_cast<size_t>(FPosition) - FLastIndex * kChunk;
        if (offset >= chunk->Length)
            break;
        const size_t n = std::min(count - done, chunk->Length - offset);
        std::memcpy(out + done, chunk->Bytes.get() + offset, n);
        done += n;
        FPosition += static_cast<int64_t>(n);
    }
    return done;
}

size_t TFileStream::ReadView(const unsigned char*& data, size_t count, unsigned char* scratch) {
    if (FMap) {
        CheckWhole();
        const size_t n =
            FPosition < FSize ? std::min(count, static_cast<size_t>(FSize - FPosition)) : 0;
        data = FMap->Data() + (n > 0 ? FPosition : 0);
        FPosition += static_cast<int64_t>(n);
        return n;
    }
    if (count > 0 && FPosition < FSize) {
        // Bytes that lie whole in one kept chunk are not copied.
        const TChunk* chunk = ChunkAt(count);
        const size_t offset = static_cast<size_t>(FPosition) - FLastIndex * kChunk;
        if (chunk != nullptr && offset + count <= chunk->Length) {
            data = chunk->Bytes.get() + offset;
            FPosition += static_cast<int64_t>(count);
            return count;
        }
    }
    data = scratch;
    return Read(scratch, count);
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const unsigned char* data = nullptr;
    const size_t n = ReadView(data, count, static_cast<unsigned char*>(buffer));
    if (n > 0)
        std::memcpy(buffer, data, n);
    return n;
}

size_t TMemoryStream::ReadView(const unsigned char*& data, size_t count, unsigned char* scratch) {
    const int64_t size = static_cast<int64_t>(FBytes.size());
    if (count == 0 || FPosition >= size) {
        data = scratch;
        return 0;
    }
    const size_t n = std::min(count, static_cast<size_t>(size - FPosition));
    data = FBytes.data() + FPosition;
    FPosition += static_cast<int64_t>(n);
    return n;
}

} // namespace tandrel
