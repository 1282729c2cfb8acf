#include "ChainChecker.h"

#include "PblFormat.h"

namespace tandrel {

using namespace pbl;

TChainChecker::TChainChecker(TStream& stream, bool isUnicode, TPblDamage& damage)
    : FStream(stream), FUnicode(isUnicode), FFileSize(stream.Size()), FDamage(damage),
      FTaken(MaxBlocks(FFileSize), false) {}

void TChainChecker::Check(TPblEntry& entry, int64_t link) {
    entry.ChainBlocks = 0;
    const int64_t size = entry.DataSize;
    const int64_t sizeField = link + 4;
    // UTF-16 text has an even length; an odd one would silently lose its last byte.
    if (FUnicode && size % 2 != 0)
        Fail(sizeField, "data size " + std::to_string(size) + " odd for UTF-16 text");
    // The comment is the head of the data, so it cannot be longer than all of it.
    if (entry.CommentLen > size)
        Fail(link + 12, "comment length " + std::to_string(entry.CommentLen) +
                            " over the data size " + std::to_string(size));
    // Listing a library checks every chain, so it reads (nearly) the whole file: a chain at a
    // time rather than a chunk at a time.
    FStream.WillRead(entry.DataOffset, ChainSpan(size, FFileSize));
    int64_t total = 0;
    int32_t offset = entry.DataOffset;
    while (true) {
        if (offset < 0 || offset + static_cast<int64_t>(kBlockHeaderSize) > FFileSize)
            return FailBlock(link, offset, "outside the file");
        if (offset % kBlockSize != 0)
            return FailBlock(link, offset, "not on a block boundary");
        const size_t slot = static_cast<size_t>(offset / kBlockSize);
        if (FTaken[slot])
            return FailBlock(link, offset, "already used by a chain");
        FTaken[slot] = true;
        unsigned char header[kBlockHeaderSize];
        FStream.Seek(offset);
        if (FStream.Read(header, kBlockHeaderSize) < kBlockHeaderSize)
            return FailBlock(offset, offset, "cut short");
        const size_t length = GetUInt16(header + 8);
        if (length > kBlockDataMax)
            return Fail(int64_t{offset} + 8, "block length " + std::to_string(length) + " over " +
                                                 std::to_string(kBlockDataMax));
        if (offset + static_cast<int64_t>(kBlockHeaderSize + length) > FFileSize)
            return FailBlock(offset, offset, "cut short");
        ++entry.ChainBlocks;
        total += static_cast<int64_t>(length);
        const int32_t next = GetInt32(header + 4);
        if (next == 0) {
            if (total != size)
                Fail(sizeField, "data chain holds " + std::to_string(total) +
                                    " bytes, its size says " + std::to_string(size));
            return;
        }
        if (total >= size)
            return Fail(int64_t{offset} + 4,
                        "data chain runs on past its size of " + std::to_string(size) + " bytes");
        link = int64_t{offset} + 4;
        offset = next;
    }
}

void TChainChecker::Fail(int64_t offset, std::string reason) {
    if (!FDamage.Found())
        FDamage = {offset, std::move(reason)};
}

void TChainChecker::FailBlock(int64_t offset, int32_t block, const char* what) {
    Fail(offset, "data block " + std::to_string(block) + " " + what);
}

} // namespace tandrel
