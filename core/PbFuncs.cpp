#include "PbFuncs.h"

#include "ChainChecker.h"
#include "CodePage.h"
#include "LineCursor.h"
#include "PblFormat.h"
#include "Utf16Decoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_set>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandrel {

const char* const StatusNames[4] = {"相同", "增加", "减少", "更改"};

namespace {

using namespace pbl;

constexpr char kHeaderText[] = "HDR*PowerBuilder";

// Offsets met on one walk or chain. Chains written by PowerBuilder mostly ascend, so a
// set is only built once an offset is not above all earlier ones.
class TVisitedOffsets {
public:
    explicit TVisitedOffsets(size_t limit) : FLimit(limit) {}

    // False when the offset was met before or the walk is longer than the limit.
    bool Add(int32_t offset) {
        if (FSeen.size() >= FLimit)
            return false;
        if (FSet.empty() && (FSeen.empty() || offset > FSeen.back())) {
            FSeen.push_back(offset);
            return true;
        }
        if (FSet.empty())
            FSet.insert(FSeen.begin(), FSeen.end());
        if (!FSet.insert(offset).second)
            return false;
        FSeen.push_back(offset);
        return true;
    }

private:
    size_t FLimit;
    std::vector<int32_t> FSeen;
    std::unordered_set<int32_t> FSet;
};

// The byte length of the longest prefix of `text` that is at most `limit` bytes and ends
// on a character boundary of the code page.
size_t CharBoundaryPrefix(std::string_view text, size_t limit) {
    const CodePage& page = SystemCodePage();
    size_t end = 0;
    while (end < text.size()) {
        const size_t step = page.IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > limit || end + step > text.size())
            break;
        end += step;
    }
    return end;
}

// Walks a directory tree in stored order: a node's entries, its left subtree, its right
// subtree. An explicit stack keeps a deep (damaged) tree from exhausting the call stack;
// an implausible link or entry ends the whole walk, keeping the entries appended before it.
class TNodeWalker {
public:
    TNodeWalker(TStream& stream, TEntryList& entries, bool isUnicode, TPblDamage& damage)
        : FStream(stream), FEntries(entries), FUnicode(isUnicode), FFileSize(stream.Size()),
          FVisited(MaxBlocks(FFileSize)), FDamage(damage), FChains(stream, isUnicode, damage) {}

    // `root` is read from the file's fixed layout, so its own place names it.
    void Walk(int32_t root) {
        std::vector<TLink> pending{{root, root, -1}};
        while (!pending.empty()) {
            const TLink link = pending.back();
            pending.pop_back();
            int32_t left = 0;
            int32_t right = 0;
            if (!ReadNode(link, left, right))
                return;
            if (right != 0)
                pending.push_back({right, int64_t{link.Node} + 12, link.Node});
            if (left != 0)
                pending.push_back({left, int64_t{link.Node} + 4, link.Node});
        }
    }

private:
    bool Fail(int64_t offset, std::string reason) {
        if (!FDamage.Found())
            FDamage = {offset, std::move(reason)};
        return false;
    }

    // A node to read, the file offset of the link that led to it and the node that link
    // lies in (-1 for the node the walk starts at).
    struct TLink {
        int32_t Node;
        int64_t From;
        int64_t Parent;
    };

    bool FailNode(int64_t from, int32_t node, const std::string& what) {
        return Fail(from, "directory node " + std::to_string(node) + " " + what);
    }

    // PowerBuilder keeps in every node the node that links to it and the bytes its entries
    // leave free, so a link or an entry count that was changed shows against them.
    bool ReadNode(const TLink& link, int32_t& left, int32_t& right) {
        const int32_t node = link.Node;
        if (node < 0 || node + static_cast<int64_t>(kNodeHeaderSize) > FFileSize)
            return FailNode(link.From, node, "outside the file");
        if (node % kBlockSize != 0)
            return FailNode(link.From, node, "not on a block boundary");
        if (!FVisited.Add(node))
            return FailNode(link.From, node, "reached again");
        const size_t want =
            static_cast<size_t>(std::min<int64_t>(kNodeBlockSize, FFileSize - node));
        FBlock.assign(want, 0);
        FStream.Seek(node);
        const size_t got = FStream.Read(FBlock.data(), want);
        if (got < kNodeHeaderSize)
            return Fail(node, "directory node cut short");
        FBlock.resize(got);
        FNode = node;
        if (link.Parent >= 0 && GetInt32(&FBlock[8]) != link.Parent)
            return FailNode(link.From, node,
                            "does not name node " + std::to_string(link.Parent) + " as its parent");
        left = GetInt32(&FBlock[4]);
        right = GetInt32(&FBlock[12]);
        const unsigned count = GetUInt16(&FBlock[20]);
        size_t pos = kNodeEntriesStart;
        for (unsigned i = 0; i < count; ++i)
            if (!(FUnicode ? ReadUnicodeEntry(pos) : ReadAnsiEntry(pos)))
                return false;
        // The node's entries are listed all the same; its subtrees may still be sound.
        const size_t free = GetUInt16(&FBlock[16]);
        if (pos + free != static_cast<size_t>(kNodeBlockSize))
            Fail(At(20), "entry count " + std::to_string(count) + " leaves " +
                             std::to_string(kNodeBlockSize - static_cast<int64_t>(pos)) +
                             " bytes free, the node says " + std::to_string(free));
        return true;
    }

    int64_t At(size_t pos) const { return int64_t{FNode} + static_cast<int64_t>(pos); }

    bool EntryPastNode(size_t pos) {
        return Fail(At(pos), "directory entry runs past the end of its node");
    }

    bool CheckData(int32_t dataSize, size_t fieldPos) {
        if (dataSize >= 0 && dataSize <= FFileSize)
            return true;
        return Fail(At(fieldPos), "data size " + std::to_string(dataSize) + " implausible");
    }

    bool CheckNameLen(size_t nameLen, size_t limit, size_t fieldPos) {
        if (nameLen <= limit)
            return true;
        return Fail(At(fieldPos), "name length " + std::to_string(nameLen) + " implausible");
    }

    bool ReadAnsiEntry(size_t& pos) {
        if (pos + kAnsiEntryFixed > FBlock.size())
            return EntryPastNode(pos);
        const unsigned char* fixed = &FBlock[pos];
        const size_t nameLen = GetUInt16(fixed + 22);
        if (!CheckNameLen(nameLen, sizeof(TPblEntry::Name), pos + 22))
            return false;
        if (pos + kAnsiEntryFixed + nameLen > FBlock.size())
            return EntryPastNode(pos);
        const int32_t dataSize = GetInt32(fixed + 12);
        if (!CheckData(dataSize, pos + 12))
            return false;
        const char* name = reinterpret_cast<const char*>(fixed + kAnsiEntryFixed);
        pos += kAnsiEntryFixed + nameLen;
        const std::string_view text(name, strnlen(name, nameLen));
        if (!IsSourceEntryName(text))
            return true;
        auto entry = std::make_unique<TPblEntry>();
        std::memcpy(entry->Magic, fixed, 4);
        std::memcpy(entry->Version, fixed + 4, 4);
        Append(std::move(entry), fixed + 8, nameLen, text);
        return true;
    }

    bool ReadUnicodeEntry(size_t& pos) {
        if (pos + kUnicodeEntryFixed > FBlock.size())
            return EntryPastNode(pos);
        const unsigned char* fixed = &FBlock[pos];
        const size_t nameLen = GetUInt16(fixed + 26);
        if (!CheckNameLen(nameLen, kUnicodeNameBuffer, pos + 26))
            return false;
        if (pos + kUnicodeEntryFixed + nameLen > FBlock.size())
            return EntryPastNode(pos);
        const int32_t dataSize = GetInt32(fixed + 16);
        if (!CheckData(dataSize, pos + 16))
            return false;
        // An odd length leaves the last character's high byte zero, as in a zeroed buffer.
        unsigned char nameBytes[kUnicodeNameBuffer] = {};
        std::memcpy(nameBytes, fixed + kUnicodeEntryFixed, nameLen);
        pos += kUnicodeEntryFixed + nameLen;
        size_t nameUnits = 0;
        while (nameUnits < (nameLen + 1) / 2 &&
               (nameBytes[2 * nameUnits] | nameBytes[2 * nameUnits + 1]) != 0)
            ++nameUnits;
        const std::string name = Utf16BytesToCodePage(nameBytes, nameUnits);
        if (!IsSourceEntryName(name))
            return true;
        auto entry = std::make_unique<TPblEntry>();
        std::memcpy(entry->Magic, fixed, 4);
        const std::string version = Utf16BytesToCodePage(fixed + 4, 4);
        std::memcpy(entry->Version, version.data(), std::min<size_t>(4, version.size()));
        Append(std::move(entry), fixed + 12, nameLen, name);
        return true;
    }

    // `numbers` points at DataOffset, DataSize, TimeStamp and CommentLen as stored.
    void Append(std::unique_ptr<TPblEntry> entry, const unsigned char* numbers, size_t nameLen,
                std::string_view name) {
        entry->DataOffset = GetInt32(numbers);
        entry->DataSize = GetInt32(numbers + 4);
        entry->TimeStamp = GetInt32(numbers + 8);
        entry->CommentLen = GetUInt16(numbers + 12);
        entry->NameLen = static_cast<uint16_t>(nameLen);
        entry->Status = csSame;
        entry->Unicode = FUnicode;
        const std::string fitted = FitEntryName(name);
        std::memcpy(entry->Name, fitted.data(), fitted.size());
        std::string key = EntryKey(fitted);
        FChains.Check(*entry, At(static_cast<size_t>(numbers - FBlock.data())));
        FEntries.push_back({std::move(key), std::move(entry)});
    }

    TStream& FStream;
    TEntryList& FEntries;
    bool FUnicode;
    int64_t FFileSize;
    TVisitedOffsets FVisited;
    TPblDamage& FDamage;
    TChainChecker FChains;
    std::vector<unsigned char> FBlock;
    int32_t FNode = 0; // file offset of FBlock
};

// Follows an entry's block chain, no further than the blocks the listing found sound: Next
// reads the header of the next block and tells its data length, Take then reads as many of
// those bytes as the caller accepts. The walk stops at a next-block offset of 0, after a block
// not taken whole, or at the first block that leaves the file, repeats, is longer than a block
// can be or is cut short.
class TChainWalk {
public:
    TChainWalk(TStream& stream, const TPblEntry& entry)
        : FStream(stream), FEntry(entry), FFileSize(stream.Size()), FOffset(entry.DataOffset) {
        // A chain the listing checked owns each of its blocks once (TChainChecker) and is read
        // no further than it was checked, so only an unchecked one is watched for running in
        // circles.
        if (entry.ChainBlocks < 0)
            FVisited.emplace(MaxBlocks(FFileSize));
    }

    bool Next(size_t& length) {
        if (FDone || (FEntry.ChainBlocks >= 0 && FBlocks >= FEntry.ChainBlocks))
            return false;
        ++FBlocks;
        FDone = true;
        if (FOffset < 0 || FOffset + static_cast<int64_t>(kBlockHeaderSize) > FFileSize)
            return false;
        if (FVisited && !FVisited->Add(FOffset))
            return false;
        FStream.Seek(FOffset);
        if (FStream.Read(FHeader, kBlockHeaderSize) < kBlockHeaderSize)
            return false;
        length = GetUInt16(FHeader + 8);
        if (length > kBlockDataMax)
            return false;
        FLength = length;
        return true;
    }

    // Points `data` at the first `accept` bytes of the block Next told of, or as many as
    // arrived; returns how many that is.
    size_t Take(size_t accept, const unsigned char*& data) {
        const size_t got = FStream.ReadView(data, accept, FScratch);
        FOffset = GetInt32(FHeader + 4);
        FDone = got < FLength || FOffset == 0;
        return got;
    }

private:
    TStream& FStream;
    const TPblEntry& FEntry;
    int64_t FFileSize;
    int32_t FOffset;
    int32_t FBlocks = 0;
    bool FDone = false;
    size_t FLength = 0;
    std::optional<TVisitedOffsets> FVisited;
    unsigned char FHeader[kBlockHeaderSize];
    unsigned char FScratch[kBlockDataMax];
};

// Hands each block's data to `sink`: `sink.Accept(length)` tells how many of a block's
// `length` data bytes it takes, `sink.Took(data, got)` receives the bytes that arrived.
template <class Sink> void ReadBlockChain(TStream& stream, const TPblEntry& entry, Sink& sink) {
    TChainWalk walk(stream, entry);
    for (size_t length = 0; walk.Next(length);) {
        const unsigned char* data = nullptr;
        const size_t got = walk.Take(sink.Accept(length), data);
        sink.Took(data, got);
    }
}

void HintChain(TStream& stream, const TPblEntry& entry) {
    stream.WillRead(entry.DataOffset, ChainSpan(entry.DataSize, stream.Size()));
}

// ANSI data, appended to `text`: each block's bytes up to its first NUL.
void GatherAnsiData(TStream& stream, const TPblEntry& entry, std::string& text) {
    struct Sink {
        std::string& Text;
        size_t Accept(size_t length) { return length; }
        void Took(const unsigned char* data, size_t got) {
            const char* chars = reinterpret_cast<const char*>(data);
            Text.append(chars, strnlen(chars, got));
        }
    } sink{text};
    HintChain(stream, entry);
    ReadBlockChain(stream, entry, sink);
}

// Unicode data, appended to `text`: the blocks' bytes up to DataSize, decoded from UTF-16LE.
void GatherUnicodeData(TStream& stream, const TPblEntry& entry, std::string& text) {
    if (entry.DataSize <= 0 || entry.DataSize > stream.Size())
        return;
    struct Sink {
        size_t Left;
        TUtf16Decoder Decoder;
        size_t Accept(size_t length) { return std::min(length, Left); }
        void Took(const unsigned char* data, size_t got) {
            Decoder.Add(data, got);
            Left -= got;
        }
    } sink{static_cast<size_t>(entry.DataSize), {text, static_cast<size_t>(entry.DataSize) / 2}};
    HintChain(stream, entry);
    ReadBlockChain(stream, entry, sink);
    sink.Decoder.Finish();
}

// Runs a reader's work on `stream`. Running out of memory (or meeting a size no container
// can hold) is told as what was being done, `doing()`, with which file: the bare exception
// names neither.
template <class Doing, class Work>
void TellingExhaustion(const TStream& stream, Doing&& doing, Work&& work) {
    try {
        work();
        return;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    const std::string name = stream.Name();
    throw std::runtime_error(
        "Out of memory while " + doing() +
        (name.empty() ? std::string(" a library in memory") : " \"" + name + "\""));
}

std::string ListingObjects() {
    return "listing the objects of";
}

} // namespace

bool IsSourceEntryName(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && name.substr(dot, 3) == ".sr";
}

std::string EntryKey(std::string_view name) {
    if (name.empty())
        return {};
    std::string key(1, name.back());
    key += name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
    return key;
}

std::string FitEntryName(std::string_view name) {
    if (name.size() <= kPblNameMax)
        return std::string(name);
    const size_t dot = name.rfind('.');
    const std::string_view extension =
        dot == std::string_view::npos || name.size() - dot > kPblNameMax ? std::string_view()
                                                                         : name.substr(dot);
    const std::string_view stem = name.substr(0, name.size() - extension.size());
    std::string fitted(stem.substr(0, CharBoundaryPrefix(stem, kPblNameMax - extension.size())));
    fitted += extension;
    return fitted;
}

std::string DamageText(const TPblDamage& damage) {
    return "damaged at offset " + std::to_string(damage.Offset) + " (" + damage.Reason +
           "); the listing is incomplete";
}

void GetPblEntries(TStream& stream, TEntryList& entries, TPblDamage* damage) {
    TellingExhaustion(stream, ListingObjects, [&] {
        char header[16] = {};
        stream.Seek(0);
        const size_t got = stream.Read(header, sizeof header);
        const std::string_view text(header, strnlen(header, got));
        bool ansi = text.size() == sizeof header;
        for (size_t i = 0; ansi && i < text.size(); ++i)
            ansi = std::tolower(static_cast<unsigned char>(text[i])) ==
                   std::tolower(static_cast<unsigned char>(kHeaderText[i]));
        ReadPblNode(stream, ansi ? kAnsiRootNode : kUnicodeRootNode, entries, !ansi, damage);
    });
}

void ReadPblNode(TStream& stream, int32_t nodeOffset, TEntryList& entries, bool isUnicode,
                 TPblDamage* damage) {
    TellingExhaustion(stream, ListingObjects, [&] {
        TPblDamage found;
        TNodeWalker(stream, entries, isUnicode, found).Walk(nodeOffset);
        if (damage != nullptr && !damage->Found())
            *damage = std::move(found);
    });
}

void SplitLines(std::string_view text, std::vector<std::string>& lines) {
    TLineCursor cursor(text);
    for (std::string_view line; cursor.Next(line);)
        lines.emplace_back(line);
}

void SplitLineViews(std::string_view text, std::vector<std::string_view>& lines) {
    TLineCursor cursor(text);
    for (std::string_view line; cursor.Next(line);)
        lines.push_back(line);
}

namespace {

// Only built when needed: converting the name costs more than a small source.
auto ReadingSourceOf(const TPblEntry& entry) {
    return [&entry] {
        const std::string_view name(entry.Name, strnlen(entry.Name, sizeof entry.Name));
        return "reading the source of " + SystemCodePage().ToUtf8(name) + " from";
    };
}

// A source file of a folder is its text already.
void GetPlainSource(TStream& stream, const TPblEntry& entry, TEntrySource& source) {
    source.Text.assign(static_cast<size_t>(std::max(entry.DataSize, 0)), '\0');
    stream.Seek(entry.DataOffset);
    source.Text.resize(stream.Read(source.Text.data(), source.Text.size()));
    source.Lines.clear();
    source.CommentStart = 0;
    source.SourceStart = 0;
}

void BuildEntrySource(TStream& stream, const TPblEntry& entry, TEntrySource& source) {
    // The lines of the last entry would point into a text about to change.
    source.Lines.clear();
    if (entry.PlainText) {
        GetPlainSource(stream, entry, source);
        return;
    }
    constexpr std::string_view header = "$PBExportHeader$";
    constexpr std::string_view comments = "$PBExportComments$";
    const std::string_view name(entry.Name, strnlen(entry.Name, sizeof entry.Name));
    // The data goes straight behind its header lines: the comment is its head.
    std::string& text = source.Text;
    text.clear();
    text.append(header).append(name);
    const size_t commentStart = text.size();
    if (entry.CommentLen > 0)
        text.append(comments);
    const size_t dataStart = text.size();
    if (entry.Unicode)
        GatherUnicodeData(stream, entry, text);
    else
        GatherAnsiData(stream, entry, text);
    source.CommentStart = commentStart;
    source.SourceStart = dataStart + std::min<size_t>(entry.CommentLen, text.size() - dataStart);
}

} // namespace

TEntryLines::TEntryLines(const TEntrySource& source) {
    const std::string_view all = source.Text;
    FHeader = all.substr(0, source.CommentStart);
    FHeaderDue = source.CommentStart > 0;
    FParts[0] =
        TLineCursor(all.substr(source.CommentStart, source.SourceStart - source.CommentStart));
    FParts[1] = TLineCursor(all.substr(source.SourceStart));
}

void SplitEntryLines(TEntrySource& source) {
    // The text is complete before any line is taken, so the views never see it move.
    source.Lines.clear();
    TEntryLines lines(source);
    for (std::string_view line; lines.Next(line);)
        source.Lines.push_back(line);
}

bool SameStoredData(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                    const TPblEntry& entry2) {
    // The export text is the header line, the comment marker when there is a comment, and
    // the data; only bytes read from two streams at once can be compared in place.
    if (&stream1 == &stream2 || entry1.PlainText || entry2.PlainText ||
        entry1.Unicode != entry2.Unicode || entry1.DataSize != entry2.DataSize ||
        (entry1.CommentLen > 0) != (entry2.CommentLen > 0) ||
        std::strncmp(entry1.Name, entry2.Name, sizeof entry1.Name) != 0)
        return false;
    bool same = false;
    TellingExhaustion(stream1, ReadingSourceOf(entry1), [&] {
        HintChain(stream1, entry1);
        HintChain(stream2, entry2);
        TChainWalk walk1(stream1, entry1);
        TChainWalk walk2(stream2, entry2);
        // What a Unicode entry's data takes of its blocks; an ANSI entry takes them whole.
        size_t left = static_cast<size_t>(std::max(entry1.DataSize, 0));
        for (;;) {
            size_t length1 = 0;
            size_t length2 = 0;
            const bool more = walk1.Next(length1);
            if (more != walk2.Next(length2) || length1 != length2)
                return;
            if (!more)
                break;
            const size_t accept = entry1.Unicode ? std::min(length1, left) : length1;
            const unsigned char* data1 = nullptr;
            const unsigned char* data2 = nullptr;
            const size_t got = walk1.Take(accept, data1);
            if (walk2.Take(accept, data2) != got || std::memcmp(data1, data2, got) != 0)
                return;
            left -= got;
        }
        same = true;
    });
    return same;
}

void GetEntryText(TStream& stream, const TPblEntry& entry, TEntrySource& source) {
    TellingExhaustion(stream, ReadingSourceOf(entry),
                      [&] { BuildEntrySource(stream, entry, source); });
}

void GetEntrySource(TStream& stream, const TPblEntry& entry, TEntrySource& source) {
    TellingExhaustion(stream, ReadingSourceOf(entry), [&] {
        BuildEntrySource(stream, entry, source);
        SplitEntryLines(source);
    });
}

void GetEntrySource(TStream& stream, const TPblEntry& entry, std::vector<std::string>& lines) {
    TellingExhaustion(stream, ReadingSourceOf(entry), [&] {
        TEntrySource source;
        BuildEntrySource(stream, entry, source);
        SplitEntryLines(source);
        lines.insert(lines.end(), source.Lines.begin(), source.Lines.end());
    });
}

} // namespace tandrel
