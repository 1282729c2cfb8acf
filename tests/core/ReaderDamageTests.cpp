// Damaged and foreign libraries: the reader keeps what it read before the first
// implausible value, never reads or writes outside its buffers and always finishes.

#include "ReaderTestUtil.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace tandrel::test {
namespace {

using Strings = std::vector<std::string>;

class ReaderDamage : public ::testing::TestWithParam<PblForm> {
protected:
    // Seven objects, one per node: node i holds u_i; children of i are 2i+1 and 2i+2.
    PblImage SevenNodes() const {
        PblWriter writer(GetParam());
        for (int i = 0; i < 7; ++i)
            writer.Add({"u_" + std::to_string(i) + ".sru", "source " + std::to_string(i) + "\r\n"});
        return writer.SetEntriesPerNode(1).Build();
    }

    // Three objects with sources over several blocks each, in one node.
    PblImage ThreeChains() const {
        PblWriter writer(GetParam());
        writer.SetBlockData(100);
        for (int i = 0; i < 3; ++i)
            writer.Add({"u_" + std::to_string(i) + ".sru",
                        std::string(350, static_cast<char>('a' + i)) + "\r\nend"});
        return writer.Build();
    }
};

TEST_P(ReaderDamage, NodeCyclesAreWalkedOnce) {
    PblImage lib = SevenNodes();
    lib.SetLeftChild(3, lib.Layout.RootNode);  // back to the root
    lib.SetRightChild(4, lib.Layout.Nodes[4]); // to itself
    lib.SetRightChild(6, lib.Layout.Nodes[1]); // into a visited subtree
    EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0", "uu_1", "uu_3"}));
}

TEST_P(ReaderDamage, ChildOutsideTheFileEndsTheListing) {
    for (int32_t bad : {-1, INT32_MIN, 1 << 30}) {
        PblImage lib = SevenNodes();
        lib.SetRightChild(1, static_cast<int32_t>(lib.Bytes.size()) - 10);
        lib.SetLeftChild(4, bad);
        EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0", "uu_1", "uu_3"})) << bad;
    }
}

TEST_P(ReaderDamage, EntryCountRunningPastTheNodeStopsAtTheNodeEnd) {
    PblImage lib = SevenNodes();
    lib.SetEntryCount(0, 0xFFFF);
    // The zeroed rest of the root node reads as nameless entries until the node ends there.
    EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0"}));
}

TEST_P(ReaderDamage, OversizeNameLengthEndsTheListing) {
    const bool unicode = GetParam() == PblForm::Unicode;
    for (uint16_t length :
         {static_cast<uint16_t>(unicode ? 251 : 52), static_cast<uint16_t>(0xFFFF)}) {
        PblImage lib = SevenNodes();
        lib.SetNameLen(2, length);
        EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0", "uu_1", "uu_3", "uu_4"})) << length;
    }
}

TEST_P(ReaderDamage, DataSizeLargerThanTheFileOrNegativeEndsTheListing) {
    for (int32_t size : {-1, INT32_MAX}) {
        PblImage lib = SevenNodes();
        lib.SetDataSize(1, size);
        EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0"})) << size;
    }
}

TEST_P(ReaderDamage, TruncationAnywhereFinishesWithWhatIsLeft) {
    const PblImage whole = ThreeChains();
    const size_t dataStart = static_cast<size_t>(whole.Layout.Blocks[0][0]);
    const Strings complete = Source(whole, "u_2.sru");
    for (size_t cut = 0; cut <= whole.Bytes.size(); cut += cut < dataStart + 1024 ? 1 : 37) {
        PblImage lib = whole;
        lib.Truncate(cut);
        TMemoryStream stream = lib.Stream();
        TEntryList entries;
        GetPblEntries(stream, entries);
        ASSERT_LE(entries.size(), 3u);
        for (const auto& item : entries) {
            Strings lines;
            GetEntrySource(stream, *item.Object, lines);
            ASSERT_FALSE(lines.empty());
        }
        if (cut >= dataStart) {
            EXPECT_EQ(entries.size(), 3u) << cut;
        }
    }
    // Cut at every block boundary of the last chain: its lines come from the blocks present.
    for (size_t block = 0; block < whole.Layout.Blocks[2].size(); ++block) {
        PblImage lib = whole;
        lib.Truncate(static_cast<size_t>(whole.Layout.Blocks[2][block]) + 512);
        const Strings lines = Source(lib, "u_2.sru");
        if (block + 1 == whole.Layout.Blocks[2].size())
            EXPECT_EQ(lines, complete);
        else
            EXPECT_EQ(lines.size(), 2u) << block; // header and the first part of the long line
    }
}

TEST_P(ReaderDamage, BlockChainLoopsAndExitsStopTheSource) {
    const Strings complete = Source(ThreeChains(), "u_1.sru");
    const std::string first(100 / (GetParam() == PblForm::Unicode ? 2 : 1), 'b');
    struct Case {
        size_t Block;
        int32_t Next;
    };
    PblImage probe = ThreeChains();
    const auto& blocks = probe.Layout.Blocks[1];
    for (Case c : {Case{0, blocks[0]}, Case{1, blocks[0]}, Case{0, -512},
                   Case{0, static_cast<int32_t>(probe.Bytes.size())},
                   Case{0, static_cast<int32_t>(probe.Bytes.size()) - 5}}) {
        PblImage lib = ThreeChains();
        lib.SetNextBlock(1, c.Block, c.Next);
        const Strings lines = Source(lib, "u_1.sru");
        ASSERT_EQ(lines.size(), 2u) << c.Block << " " << c.Next;
        EXPECT_EQ(lines[1].substr(0, first.size()), first);
        EXPECT_LT(lines[1].size(), complete[1].size());
    }
}

TEST_P(ReaderDamage, DataOffsetOutsideTheFileGivesOnlyTheHeaderLine) {
    for (int32_t offset : {-1, 1 << 30}) {
        PblImage lib = ThreeChains();
        lib.SetDataOffset(0, offset);
        EXPECT_EQ(Source(lib, "u_0.sru"), (Strings{"$PBExportHeader$u_0.sru"}));
        EXPECT_EQ(Source(lib, "u_1.sru").size(), 3u);
    }
}

TEST_P(ReaderDamage, DeepTreeWithoutCycleIsWalkedWhole) {
    // A chain of left children as long as the file allows, far deeper than a call stack.
    PblImage lib = PblWriter(GetParam()).Add({"u_0.sru", "x"}).Build();
    const size_t root = static_cast<size_t>(lib.Layout.RootNode);
    const size_t nodes = 30000;
    lib.Bytes.resize(root + nodes * 512 + 3072, 0);
    const size_t entrySize = GetParam() == PblForm::Unicode ? 28 + 16 : 24 + 8;
    std::vector<unsigned char> entry(lib.Bytes.begin() + lib.Layout.Entries[0],
                                     lib.Bytes.begin() + lib.Layout.Entries[0] +
                                         static_cast<long>(entrySize));
    for (size_t n = 0; n < nodes; ++n) {
        const size_t at = root + n * 512;
        std::copy(entry.begin(), entry.end(), lib.Bytes.begin() + static_cast<long>(at + 32));
        lib.PutInt32(at + 4, n + 1 < nodes ? static_cast<int32_t>(at + 512) : 0);
        lib.PutInt32(at + 8, n > 0 ? static_cast<int32_t>(at - 512) : 0);
        lib.PutInt32(at + 12, 0);
        lib.PutUInt16(at + 16, static_cast<uint16_t>(3072 - 32 - entrySize));
        lib.PutUInt16(at + 20, 1);
    }
    EXPECT_EQ(List(lib).size(), nodes);
}

// The listing's damage record: the file offset of the implausible value and what it was.
TPblDamage DamageOf(const PblImage& image) {
    TMemoryStream stream = image.Stream();
    TEntryList entries;
    TPblDamage damage;
    GetPblEntries(stream, entries, &damage);
    return damage;
}

bool Mentions(const TPblDamage& damage, const std::string& words) {
    return damage.Reason.find(words) != std::string::npos;
}

TEST_P(ReaderDamage, SoundLibrariesHaveNoDamage) {
    EXPECT_FALSE(DamageOf(SevenNodes()).Found());
    EXPECT_FALSE(DamageOf(ThreeChains()).Found());
    EXPECT_FALSE(DamageOf(PblWriter(GetParam()).Build()).Found());
}

TEST_P(ReaderDamage, TreeDamageIsRecordedWhereTheBadValueLies) {
    const bool unicode = GetParam() == PblForm::Unicode;
    PblImage lib = SevenNodes();
    lib.SetRightChild(1, 1 << 30);
    TPblDamage damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Nodes[1] + 12);
    EXPECT_TRUE(Mentions(damage, "outside the file")) << damage.Reason;

    lib = SevenNodes();
    lib.SetDataSize(2, -7);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Entries[2] + (unicode ? 16 : 12));
    EXPECT_EQ(damage.Reason, "data size -7 implausible");
    EXPECT_EQ(DamageText(damage), "damaged at offset " + std::to_string(damage.Offset) +
                                      " (data size -7 implausible); the listing is incomplete");

    lib = SevenNodes();
    lib.SetNameLen(3, 0xFFFF);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Entries[3] + (unicode ? 26 : 22));

    lib = SevenNodes();
    lib.SetLeftChild(3, lib.Layout.RootNode);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Nodes[3] + 4);
    EXPECT_TRUE(Mentions(damage, "reached again")) << damage.Reason;

    lib = SevenNodes();
    lib.SetEntryCount(0, 0xFFFF);
    EXPECT_TRUE(Mentions(DamageOf(lib), "past the end of its node"));
    // Only the first damage is kept.
    lib.SetDataSize(0, -1);
    EXPECT_EQ(DamageOf(lib).Offset, lib.Layout.Entries[0] + (unicode ? 16 : 12));
}

TEST_P(ReaderDamage, EntryCountAgainstTheNodesFreeSpaceIsRecorded) {
    const size_t entrySize = GetParam() == PblForm::Unicode ? 28 + 16 : 24 + 8;
    PblImage lib = SevenNodes();
    lib.SetEntryCount(2, 0);
    TMemoryStream stream = lib.Stream();
    TEntryList entries;
    TPblDamage damage;
    GetPblEntries(stream, entries, &damage);
    EXPECT_EQ(damage.Offset, lib.Layout.Nodes[2] + 20);
    EXPECT_EQ(damage.Reason, "entry count 0 leaves 3040 bytes free, the node says " +
                                 std::to_string(3040 - entrySize));
    // The subtrees are listed all the same.
    EXPECT_EQ(Keys(entries), (Strings{"uu_0", "uu_1", "uu_3", "uu_4", "uu_5", "uu_6"}));

    // A second, nameless entry of zeros behind the first.
    lib = SevenNodes();
    lib.SetEntryCount(2, 2);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Nodes[2] + 20);
    EXPECT_TRUE(Mentions(damage, "entry count 2 leaves")) << damage.Reason;
}

TEST_P(ReaderDamage, ChildLinkToWhatIsNoChildOfTheNodeEndsTheListing) {
    PblImage lib = SevenNodes();
    lib.SetLeftChild(1, lib.Layout.Blocks[0][0]);
    TPblDamage damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Nodes[1] + 4);
    EXPECT_EQ(damage.Reason, "directory node " + std::to_string(lib.Layout.Blocks[0][0]) +
                                 " does not name node " + std::to_string(lib.Layout.Nodes[1]) +
                                 " as its parent");
    EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0", "uu_1"}));

    lib = SevenNodes();
    lib.SetRightChild(1, lib.Layout.Nodes[4] + 2);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Nodes[1] + 12);
    EXPECT_TRUE(Mentions(damage, "not on a block boundary")) << damage.Reason;
}

TEST_P(ReaderDamage, ChainIntoAnotherEntrysBlocksIsCutThere) {
    const Strings complete0 = Source(ThreeChains(), "u_0.sru");
    const Strings complete2 = Source(ThreeChains(), "u_2.sru");
    PblImage lib = ThreeChains();
    // u_1 starts in the middle of u_0's chain: each block is read for u_0 only.
    lib.SetDataOffset(1, lib.Layout.Blocks[0][1]);
    TPblDamage damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Entries[1] + (GetParam() == PblForm::Unicode ? 12 : 8));
    EXPECT_TRUE(Mentions(damage, "already used")) << damage.Reason;
    EXPECT_EQ(Source(lib, "u_0.sru"), complete0);
    EXPECT_EQ(Source(lib, "u_1.sru"), (Strings{"$PBExportHeader$u_1.sru"}));
    EXPECT_EQ(Source(lib, "u_2.sru"), complete2);

    // u_2's chain runs on into u_0's past its DataSize bytes: cut at the link that leads there.
    lib = ThreeChains();
    const auto& blocks2 = lib.Layout.Blocks[2];
    lib.SetNextBlock(2, blocks2.size() - 1, lib.Layout.Blocks[0][0]);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, blocks2.back() + 4);
    EXPECT_TRUE(Mentions(damage, "runs on past its size")) << damage.Reason;
    EXPECT_EQ(Source(lib, "u_0.sru"), complete0);
    EXPECT_EQ(Source(lib, "u_2.sru"), complete2);
}

TEST_P(ReaderDamage, ChainLoopsTruncationAndSizeMismatchAreRecorded) {
    PblImage lib = ThreeChains();
    lib.SetNextBlock(1, 1, lib.Layout.Blocks[1][0]);
    TPblDamage damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Blocks[1][1] + 4);

    lib = ThreeChains();
    lib.Truncate(static_cast<size_t>(lib.Layout.Blocks[2][1]) + 20);
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Blocks[2][1]);
    EXPECT_TRUE(Mentions(damage, "cut short")) << damage.Reason;

    lib = ThreeChains();
    lib.Truncate(static_cast<size_t>(lib.Layout.Blocks[2][1]));
    damage = DamageOf(lib);
    EXPECT_EQ(damage.Offset, lib.Layout.Blocks[2][0] + 4);
    EXPECT_TRUE(Mentions(damage, "outside the file")) << damage.Reason;

    lib = ThreeChains();
    TMemoryStream stream = lib.Stream();
    TEntryList entries;
    GetPblEntries(stream, entries);
    lib.SetDataSize(0, entries[0].Object->DataSize + 2);
    damage = DamageOf(lib);
    EXPECT_TRUE(Mentions(damage, "data chain holds")) << damage.Reason;
}

TEST_P(ReaderDamage, EntriesSharingOneChainGiveTextBoundedByTheFileSize) {
    PblWriter writer(GetParam());
    writer.Add({"u_long.sru", std::string(20000, 'x') + "\r\n"});
    for (int i = 0; i < 300; ++i)
        writer.Add({"u_" + std::to_string(i) + ".sru", "y\r\n"});
    PblImage lib = writer.Build();
    for (size_t i = 1; i < lib.Layout.Entries.size(); ++i) {
        lib.SetDataOffset(i, lib.Layout.Blocks[0][i % lib.Layout.Blocks[0].size()]);
        lib.SetDataSize(i, static_cast<int32_t>(lib.Bytes.size()));
    }
    TMemoryStream stream = lib.Stream();
    TEntryList entries;
    TPblDamage damage;
    GetPblEntries(stream, entries, &damage);
    ASSERT_EQ(entries.size(), 301u);
    EXPECT_TRUE(damage.Found());
    size_t text = 0;
    for (const auto& item : entries) {
        Strings lines;
        GetEntrySource(stream, *item.Object, lines);
        for (const std::string& line : lines)
            text += line.size() + 2;
    }
    EXPECT_LT(text, 2 * lib.Bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Forms, ReaderDamage, ::testing::Values(PblForm::Ansi, PblForm::Unicode),
                         FormName);

TEST(ReaderDamageAnsi, BlockLongerThan502BytesEndsTheChain) {
    PblWriter writer(PblForm::Ansi);
    PblImage lib = writer.SetBlockData(10).Add({"w_a.srw", "0123456789abcdefghij\r\nnext"}).Build();
    lib.SetBlockLength(0, 1, 503);
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw", "0123456789"}));
}

TEST(ReaderDamageUnicode, ChainDeliveringMoreThanDataSizeIsCutThere) {
    PblImage lib =
        PblWriter(PblForm::Unicode).SetBlockData(10).Add({"w_a.srw", "0123456789"}).Build();
    lib.SetDataSize(0, 14);
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw", "0123456"}));
    lib.SetDataSize(0, 0);
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw"}));
}

TEST(ReaderDamageUnicode, RecordWithImplausibleDataSizeReadsNothing) {
    const PblImage lib = PblWriter(PblForm::Unicode).Add({"w_a.srw", "text"}).Build();
    TMemoryStream stream = lib.Stream();
    TEntryList entries;
    GetPblEntries(stream, entries);
    ASSERT_EQ(entries.size(), 1u);
    for (int32_t size : {-2, INT32_MAX}) {
        TPblEntry entry = *entries[0].Object;
        entry.DataSize = size;
        Strings lines;
        GetEntrySource(stream, entry, lines);
        EXPECT_EQ(lines, (Strings{"$PBExportHeader$w_a.srw"}));
    }
}

// A library file whose reads run out of memory after `readsLeft` reads.
class ExhaustingStream : public TStream {
public:
    ExhaustingStream(const PblImage& image, int readsLeft)
        : FBytes(image.Stream()), FReadsLeft(readsLeft) {}
    std::string Name() const override { return "/libs/\xE7\xAA\x97.pbl"; }
    int64_t Size() const override { return FBytes.Size(); }
    int64_t Position() const override { return FBytes.Position(); }
    void Seek(int64_t position) override { FBytes.Seek(position); }
    size_t Read(void* buffer, size_t count) override {
        if (FReadsLeft-- <= 0)
            throw std::bad_alloc();
        return FBytes.Read(buffer, count);
    }

private:
    TMemoryStream FBytes;
    int FReadsLeft;
};

// The message of the runtime_error `work` throws; empty when it throws none.
template <class Work> std::string ErrorOf(Work&& work) {
    try {
        work();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

TEST(ReaderDamageMemory, RunningOutTellsWhatWasReadFromWhichFile) {
    const PblImage lib = PblWriter(PblForm::Unicode).Add({"w_\xB4\xB0.srw", "text"}).Build();
    const std::string path = "\"/libs/\xE7\xAA\x97.pbl\"";
    for (int reads : {0, 1, 2}) {
        ExhaustingStream stream(lib, reads);
        TEntryList entries;
        EXPECT_EQ(ErrorOf([&] { GetPblEntries(stream, entries); }),
                  "Out of memory while listing the objects of " + path)
            << reads;
    }
    TMemoryStream whole = lib.Stream();
    TEntryList entries;
    GetPblEntries(whole, entries);
    ASSERT_EQ(entries.size(), 1u);
    const std::string reading =
        "Out of memory while reading the source of w_\xE7\xAA\x97.srw from ";
    ExhaustingStream stream(lib, 1);
    std::vector<std::string> lines;
    EXPECT_EQ(ErrorOf([&] { GetEntrySource(stream, *entries[0].Object, lines); }), reading + path);
    ExhaustingStream again(lib, 0);
    TEntrySource source;
    EXPECT_EQ(ErrorOf([&] { GetEntrySource(again, *entries[0].Object, source); }), reading + path);
}

TEST(ReaderDamageForeign, ShortOrEmptyFilesListNothing) {
    for (size_t size : {0, 1, 16, 1536, 1557}) {
        TMemoryStream stream(std::vector<unsigned char>(size, 0xFF));
        TEntryList entries;
        GetPblEntries(stream, entries);
        EXPECT_TRUE(entries.empty()) << size;
    }
}

} // namespace
} // namespace tandrel::test
