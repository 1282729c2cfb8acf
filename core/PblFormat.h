#pragma once
// The library container's fixed layout and its little-endian numbers, shared by the parts
// of the reader.

#include <cstddef>
#include <cstdint>

namespace tandrel::pbl {

// A directory node occupies six 512-byte blocks; its entries start 32 bytes in and never
// run past the node's end in a library written by PowerBuilder.
constexpr int32_t kAnsiRootNode = 1024;
constexpr int32_t kUnicodeRootNode = 1536;
constexpr int64_t kNodeBlockSize = 3072;
constexpr size_t kNodeHeaderSize = 22;
constexpr size_t kNodeEntriesStart = 32;
constexpr size_t kAnsiEntryFixed = 24;
constexpr size_t kUnicodeEntryFixed = 28;
constexpr size_t kUnicodeNameBuffer = 250;
// The file is made of 512-byte blocks; a data block is a 10-byte header and its data.
constexpr int64_t kBlockSize = 512;
constexpr size_t kBlockHeaderSize = 10;
constexpr size_t kBlockDataMax = 502;

inline int32_t GetInt32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

inline uint16_t GetUInt16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// A damaged file may hold more nodes or blocks than distinct 512-byte blocks exist only
// when they overlap; no real chain or tree is longer, and the bound keeps the work and
// the memory of a listing proportional to the file's size.
inline size_t MaxBlocks(int64_t fileSize) {
    return static_cast<size_t>(fileSize / kBlockSize) + 1;
}

// The bytes a chain of `dataSize` bytes occupies when its blocks follow one another, as they
// mostly do: told to a stream, which then fetches the chain with one read.
inline size_t ChainSpan(int64_t dataSize, int64_t fileSize) {
    const int64_t size = dataSize < 0 ? 0 : dataSize > fileSize ? fileSize : dataSize;
    return static_cast<size_t>((size / static_cast<int64_t>(kBlockDataMax) + 1) * kBlockSize);
}

} // namespace tandrel::pbl
