// Data chains that PowerBuilder could not have written: the source is cut where the chain
// turns implausible and the listing reports the damage, in both forms alike, and no damaged
// chain makes the sources add up to more text than the file holds.

#include "ReaderTestUtil.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace tandrel::test {
namespace {

using Strings = std::vector<std::string>;

struct Read {
    TPblDamage Damage;
    std::vector<Strings> Sources; // in listing order
    size_t Text = 0;              // bytes of all export lines together
};

Read ReadAll(const PblImage& image) {
    TMemoryStream stream = image.Stream();
    TEntryList entries;
    Read read;
    GetPblEntries(stream, entries, &read.Damage);
    for (const auto& item : entries) {
        Strings lines;
        GetEntrySource(stream, *item.Object, lines);
        for (const std::string& line : lines)
            read.Text += line.size();
        read.Sources.push_back(std::move(lines));
    }
    return read;
}

bool Mentions(const TPblDamage& damage, const std::string& words) {
    return damage.Reason.find(words) != std::string::npos;
}

class ReaderChain : public ::testing::TestWithParam<PblForm> {
protected:
    bool Unicode() const { return GetParam() == PblForm::Unicode; }

    // Two objects whose sources take five 100-byte blocks each.
    PblImage TwoChains() const {
        PblWriter writer(GetParam());
        writer.SetBlockData(100);
        for (char c : {'a', 'b'})
            writer.Add({std::string("u_") + c + ".sru",
                        std::string(Unicode() ? 235 : 470, c) + "\r\nend of " + c + "\r\n"});
        return writer.Build();
    }

    static int32_t DataSizeOf(const PblImage& image, size_t object) {
        TMemoryStream stream = image.Stream();
        TEntryList entries;
        GetPblEntries(stream, entries);
        return entries.at(object).Object->DataSize;
    }
};

TEST_P(ReaderChain, SoundChainsReadWholeWithoutDamage) {
    const Read read = ReadAll(TwoChains());
    EXPECT_FALSE(read.Damage.Found()) << read.Damage.Reason;
    ASSERT_EQ(read.Sources.size(), 2u);
    EXPECT_EQ(read.Sources[1].back(), "end of b");
}

TEST_P(ReaderChain, DataSizeShorterThanTheChainIsDamage) {
    const PblImage whole = TwoChains();
    const int32_t size = DataSizeOf(whole, 0);
    const int32_t lastBlockStart = 400;
    struct Case {
        int32_t Size;
        int64_t Offset; // where the damage is recorded
        const char* Words;
    };
    const auto& blocks = whole.Layout.Blocks[0];
    for (Case c : {Case{size - 2, whole.Layout.Entries[0] + (Unicode() ? 16 : 12), "holds"},
                   Case{lastBlockStart, blocks[3] + 4, "runs on past its size of 400"},
                   Case{250, blocks[2] + 4, "runs on past"}, Case{2, blocks[0] + 4, "runs on"},
                   Case{0, blocks[0] + 4, "runs on"}}) {
        PblImage lib = whole;
        lib.SetDataSize(0, c.Size);
        const Read read = ReadAll(lib);
        EXPECT_EQ(read.Damage.Offset, c.Offset) << c.Size << " " << read.Damage.Reason;
        EXPECT_TRUE(Mentions(read.Damage, c.Words)) << c.Size << " " << read.Damage.Reason;
        // The other object is still whole.
        ASSERT_EQ(read.Sources.size(), 2u);
        EXPECT_EQ(read.Sources[1], ReadAll(whole).Sources[1]);
    }
}

TEST_P(ReaderChain, BlockClaimingMoreThanABlockHoldsEndsTheChain) {
    for (uint16_t length : {uint16_t{503}, uint16_t{512}, uint16_t{0xFFFF}}) {
        PblImage lib = TwoChains();
        lib.SetBlockLength(0, 1, length);
        const Read read = ReadAll(lib);
        EXPECT_EQ(read.Damage.Offset, lib.Layout.Blocks[0][1] + 8) << length;
        EXPECT_EQ(read.Damage.Reason, "block length " + std::to_string(length) + " over 502");
        // Only the first block's text, never bytes of the blocks behind the long one.
        ASSERT_EQ(read.Sources[0].size(), 2u);
        EXPECT_EQ(read.Sources[0][1], std::string(Unicode() ? 50 : 100, 'a'));
    }
}

TEST_P(ReaderChain, BlocksOffTheBlockGridOverlapOthersAndAreDamage) {
    const PblImage whole = TwoChains();
    const auto& a = whole.Layout.Blocks[0];
    const auto& b = whole.Layout.Blocks[1];
    struct Case {
        const char* What;
        std::function<void(PblImage&)> Break;
    };
    const std::vector<Case> cases = {
        {"first block shifted", [&](PblImage& lib) { lib.SetDataOffset(1, b[0] + 2); }},
        {"into the middle of another chain's block",
         [&](PblImage& lib) { lib.SetNextBlock(1, 0, a[2] + 100); }},
        {"shifted onto its own next block",
         [&](PblImage& lib) { lib.SetNextBlock(1, 1, b[2] + 2); }},
        {"back into the middle of itself",
         [&](PblImage& lib) { lib.SetNextBlock(1, 3, b[1] - 6); }},
    };
    for (const Case& c : cases) {
        PblImage lib = whole;
        c.Break(lib);
        const Read read = ReadAll(lib);
        EXPECT_TRUE(Mentions(read.Damage, "not on a block boundary"))
            << c.What << ": " << read.Damage.Reason;
        EXPECT_EQ(read.Sources[0], ReadAll(whole).Sources[0]) << c.What;
        EXPECT_LT(read.Text, ReadAll(whole).Text) << c.What;
    }
}

// Every block claims as many bytes as the file still holds behind it, and each size is
// set to match: read as claimed, every byte would be read again for each block before it.
TEST_P(ReaderChain, BlocksClaimingLongDataDoNotMultiplyTheText) {
    PblWriter writer(GetParam());
    for (int i = 0; i < 60; ++i)
        writer.Add({"u_" + std::to_string(i) + ".sru", std::string(1200, 'x')});
    PblImage lib = writer.Build();
    const auto fileSize = static_cast<int64_t>(lib.Bytes.size());
    for (size_t object = 0; object < lib.Layout.Blocks.size(); ++object) {
        int64_t claimed = 0;
        for (size_t block = 0; block < lib.Layout.Blocks[object].size(); ++block) {
            const int64_t room = fileSize - lib.Layout.Blocks[object][block] - 10;
            const auto length = static_cast<uint16_t>(std::min<int64_t>({30000, room, 0xFFFF}));
            lib.SetBlockLength(object, block, length);
            claimed += length;
        }
        lib.SetDataSize(object, static_cast<int32_t>(std::min(claimed, fileSize)));
    }
    const Read read = ReadAll(lib);
    EXPECT_TRUE(Mentions(read.Damage, "over 502")) << read.Damage.Reason;
    EXPECT_EQ(read.Sources.size(), 60u);
    EXPECT_LT(read.Text, lib.Bytes.size());
}

// Such a comment still takes all of the data, but no library holds one.
TEST_P(ReaderChain, CommentLongerThanTheDataIsDamage) {
    PblImage lib = PblWriter(GetParam()).Add({"w_a.srw", "src", "note", 0, {}, 500}).Build();
    const Read read = ReadAll(lib);
    EXPECT_EQ(read.Damage.Offset, lib.Layout.Entries[0] + (Unicode() ? 24 : 20));
    EXPECT_EQ(read.Damage.Reason,
              "comment length 500 over the data size " + std::to_string(Unicode() ? 14 : 7));
    EXPECT_EQ(read.Sources[0], (Strings{"$PBExportHeader$w_a.srw", "$PBExportComments$notesrc"}));
    lib = PblWriter(GetParam()).Add({"w_a.srw", "", "note"}).Build();
    EXPECT_FALSE(ReadAll(lib).Damage.Found());
}

TEST_P(ReaderChain, AnUncheckedChainThatRunsInACircleIsReadOnce) {
    // The last block of the first chain leads back to its first. The listing cuts the chain
    // where it repeats; an entry whose chain nobody checked is watched while it is read.
    PblImage image = TwoChains();
    image.SetNextBlock(0, 4, image.Layout.Blocks[0][0]);
    TMemoryStream stream = image.Stream();
    TEntryList entries;
    GetPblEntries(stream, entries);
    ASSERT_EQ(entries.at(0).Object->ChainBlocks, 5);
    TPblEntry unchecked = *entries.at(0).Object;
    unchecked.ChainBlocks = -1;
    // A DataSize that the circle could fill many times over.
    unchecked.DataSize = static_cast<int32_t>(image.Bytes.size());
    Strings once, unwatched;
    GetEntrySource(stream, *entries.at(0).Object, once);
    GetEntrySource(stream, unchecked, unwatched);
    EXPECT_EQ(unwatched, once);
    EXPECT_EQ(once.back(), "end of a");
}

INSTANTIATE_TEST_SUITE_P(Forms, ReaderChain, ::testing::Values(PblForm::Ansi, PblForm::Unicode),
                         FormName);

TEST(ReaderChainUnicode, OddDataSizeWouldLoseAByteAndIsDamage) {
    PblImage lib = PblWriter(PblForm::Unicode).Add({"w_a.srw", "abc"}).Build();
    lib.SetBlockLength(0, 0, 5);
    lib.SetDataSize(0, 5);
    const Read read = ReadAll(lib);
    EXPECT_EQ(read.Damage.Offset, lib.Layout.Entries[0] + 16);
    EXPECT_EQ(read.Damage.Reason, "data size 5 odd for UTF-16 text");
    EXPECT_EQ(read.Sources[0], (Strings{"$PBExportHeader$w_a.srw", "ab"}));
}

} // namespace
} // namespace tandrel::test
