#pragma once
// Seekable read-only byte streams. A library stays open through one of these while its
// objects are listed, so that their sources can be read later.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tandrel {

class TMappedFile;

class TStream {
public:
    virtual ~TStream() = default;
    // The file the bytes come from, for messages; empty for bytes held in memory.
    virtual std::string Name() const { return {}; }
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;
    // Positions past the end are allowed; reads there deliver nothing.
    virtual void Seek(int64_t position) = 0;
    // Returns the number of bytes read: fewer than asked at the end of the data.
    // Errors of the underlying file raise std::runtime_error.
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Reads as Read does, but may point `data` at the stream's own copy of the bytes rather
    // than copy them: it points into `scratch` (room for `count` bytes) or at bytes the
    // stream holds, valid until the stream is next used.
    virtual size_t ReadView(const unsigned char*& data, size_t count, unsigned char* scratch) {
        data = scratch;
        return Read(scratch, count);
    }
    // A hint that the bytes from `position` on are about to be read, about `count` of them,
    // so that a buffered stream fetches them at once. Changes no position; may do nothing.
    virtual void WillRead(int64_t position, size_t count) {
        (void)position;
        (void)count;
    }
    // Throws std::runtime_error when bytes this stream handed out were not the file's (it
    // was shortened while they were read): a caller that kept views checks before it
    // trusts what it built from them.
    virtual void CheckWhole() const {}
};

// A file opened read-only, denying nobody, read in aligned chunks. Up to `keepMax` bytes of
// what was read are kept, so that a caller who lists a library (its directory and every
// data chain) and then reads its sources fetches each part of the file once; past that
// bound the chunks are let go and gathered anew. With the default of 0 only the last read
// is kept, as a buffer: a stream that stays open long holds no more. A `mapped` stream
// reads the file in place through a memory map instead, when the file can be mapped: no
// copy, and no chunk to keep; bytes written over in place then read as they are now.
class TFileStream : public TStream {
public:
    static constexpr size_t kChunk = 16 * 1024;
    // What a caller reading a whole library at once may keep.
    static constexpr size_t kKeepMax = 32 * 1024 * 1024;

    // Throws std::runtime_error "Cannot open file "<path>". <reason>".
    explicit TFileStream(const std::string& path, size_t keepMax = 0, bool mapped = false);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    const std::string& Path() const { return FPath; }
    std::string Name() const override { return FPath; }
    // The file's last-write time when it was opened, nanoseconds since 1970 UTC.
    int64_t ModifiedNs() const { return FModifiedNs; }
    int64_t Size() const override { return FSize; }
    int64_t Position() const override { return FPosition; }
    void Seek(int64_t position) override;
    size_t Read(void* buffer, size_t count) override;
    size_t ReadView(const unsigned char*& data, size_t count, unsigned char* scratch) override;
    void WillRead(int64_t position, size_t count) override;
    void CheckWhole() const override;

private:
    struct TChunk {
        std::unique_ptr<unsigned char[]> Bytes;
        size_t Length = 0; // short at the end of the file, or where it was shortened
    };
    // Fetches the chunks first .. first+count-1 that are not kept, each run with one call.
    void Load(size_t first, size_t count);
    // The kept chunk at FPosition, fetched when it is not kept yet; null when too many bytes
    // are asked for at once to be worth keeping (they are read straight to the caller).
    const TChunk* ChunkAt(size_t wanted);
    // Reads straight into the caller's buffer; returns how many bytes came.
    size_t ReadDirect(unsigned char* out, size_t count, int64_t position);
    [[noreturn]] void ReadError() const;

    std::string FPath;
    int FHandle = -1;
    int64_t FSize = 0;
    int64_t FModifiedNs = 0;
    int64_t FPosition = 0;
    size_t FKeepMax;
    std::unordered_map<size_t, TChunk> FChunks; // by index: chunk k starts at k * kChunk
    size_t FKept = 0;                           // bytes held by FChunks
    // The chunk the last read took its bytes from: reads mostly follow one another in it.
    size_t FLastIndex = SIZE_MAX;
    const TChunk* FLast = nullptr;
    std::unique_ptr<TMappedFile> FMap; // null unless mapped
};

// Bytes held in memory (tests, fuzzing).
class TMemoryStream : public TStream {
public:
    explicit TMemoryStream(std::vector<unsigned char> bytes) : FBytes(std::move(bytes)) {}
    TMemoryStream(const void* data, size_t size)
        : FBytes(static_cast<const unsigned char*>(data),
                 static_cast<const unsigned char*>(data) + size) {}
    int64_t Size() const override { return static_cast<int64_t>(FBytes.size()); }
    int64_t Position() const override { return FPosition; }
    void Seek(int64_t position) override { FPosition = position < 0 ? 0 : position; }
    size_t Read(void* buffer, size_t count) override;
    size_t ReadView(const unsigned char*& data, size_t count, unsigned char* scratch) override;

private:
    std::vector<unsigned char> FBytes;
    int64_t FPosition = 0;
};

} // namespace tandrel
