#pragma once
// The data chains of a library's listed entries, checked once while the library is listed,
// so that reading a source later never follows a chain further than it is sound.

#include "PbFuncs.h"
#include "Stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tandrel {

// Follows the data chain of every listed entry once, in listing order, and records in its
// ChainBlocks how many blocks are sound; the first fault met goes into the damage record.
// Every chain PowerBuilder writes, in either form, starts each block on a 512-byte
// boundary, holds at most 502 data bytes a block, owns its blocks alone and ends (a
// next-block offset of 0) exactly where its DataSize bytes are complete. So no block is
// read for two entries nor beyond its own 512 bytes, and the sources of a library never add
// up to more bytes than the file holds, however its chains are damaged.
class TChainChecker {
public:
    TChainChecker(TStream& stream, bool isUnicode, TPblDamage& damage);

    // `link` is the file offset of the entry's DataOffset field; DataSize, TimeStamp and
    // CommentLen follow it.
    void Check(TPblEntry& entry, int64_t link);

private:
    void Fail(int64_t offset, std::string reason);
    void FailBlock(int64_t offset, int32_t block, const char* what);

    TStream& FStream;
    bool FUnicode;
    int64_t FFileSize;
    TPblDamage& FDamage;
    std::vector<bool> FTaken; // per 512-byte block of the file
};

} // namespace tandrel
