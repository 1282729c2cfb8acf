// Rebuilding the export lines of an entry from its block chain.

#include "ReaderTestUtil.h"
#include "TestFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace tandrel::test {
namespace {

using Strings = std::vector<std::string>;

class ReaderSource : public ::testing::TestWithParam<PblForm> {};

TEST_P(ReaderSource, WithoutCommentTheSourceFollowsTheHeaderLine) {
    const PblImage lib =
        PblWriter(GetParam()).Add({"w_a.srw", "forward\r\nend forward\r\n"}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"),
              (Strings{"$PBExportHeader$w_a.srw", "forward", "end forward"}));
}

TEST_P(ReaderSource, CommentBecomesTheSecondLine) {
    const PblImage lib = PblWriter(GetParam()).Add({"w_a.srw", "line 1\r\nline 2", "abc"}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"),
              (Strings{"$PBExportHeader$w_a.srw", "$PBExportComments$abc", "line 1", "line 2"}));
}

TEST_P(ReaderSource, CommentWithLineBreaksGivesSeveralLinesOnlyTheFirstPrefixed) {
    const PblImage lib = PblWriter(GetParam()).Add({"w_a.srw", "body", "one\r\ntwo"}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"),
              (Strings{"$PBExportHeader$w_a.srw", "$PBExportComments$one", "two", "body"}));
}

TEST_P(ReaderSource, CommentLongerThanTheDataTakesAllOfIt) {
    const PblImage lib = PblWriter(GetParam()).Add({"w_a.srw", "", "short", 0, {}, 40}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"),
              (Strings{"$PBExportHeader$w_a.srw", "$PBExportComments$short"}));
}

TEST_P(ReaderSource, LineBreaksOfEveryKindAndNoEmptyLastLine) {
    const PblImage lib = PblWriter(GetParam()).Add({"w_a.srw", "a\rb\nc\r\n\r\nd\n\n"}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"),
              (Strings{"$PBExportHeader$w_a.srw", "a", "b", "c", "", "d", ""}));
}

TEST_P(ReaderSource, LongSourceSpansChainedBlocks) {
    std::string text;
    Strings expected{"$PBExportHeader$u_long.sru", "$PBExportComments$note"};
    for (int i = 0; i < 400; ++i) {
        const std::string line =
            "line " + std::to_string(i) + " " + std::string(static_cast<size_t>(i % 37), 'x');
        text += line + "\r\n";
        expected.push_back(line);
    }
    for (size_t blockData : {502u, 97u, 1u}) {
        const PblImage lib =
            PblWriter(GetParam()).SetBlockData(blockData).Add({"u_long.sru", text, "note"}).Build();
        EXPECT_EQ(Source(lib, "u_long.sru"), expected) << blockData;
    }
}

TEST_P(ReaderSource, EmptyEntryGivesOnlyTheHeaderLine) {
    const PblImage lib = PblWriter(GetParam()).Add({"s_a.srs", ""}).Build();
    EXPECT_EQ(Source(lib, "s_a.srs"), (Strings{"$PBExportHeader$s_a.srs"}));
}

INSTANTIATE_TEST_SUITE_P(Forms, ReaderSource, ::testing::Values(PblForm::Ansi, PblForm::Unicode),
                         FormName);

TEST(ReaderSourceAnsi, NulByteEndsOnlyItsOwnBlock) {
    // Blocks of 4 bytes: "ab\0c" "def\n" — the block with the NUL contributes "ab".
    const PblImage lib = PblWriter(PblForm::Ansi)
                             .SetBlockData(4)
                             .Add({"w_a.srw", std::string("ab\0cdef\n", 8)})
                             .Build();
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw", "abdef"}));
}

TEST(ReaderSourceAnsi, DoubleByteTextStaysAsStored) {
    const std::string text = Cp("// 说明\r\n");
    const PblImage lib = PblWriter(PblForm::Ansi).Add({"w_a.srw", text, Cp("窗口")}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw",
                                               "$PBExportComments$" + Cp("窗口"), Cp("// 说明")}));
}

TEST(ReaderSourceUnicode, CommentLengthCountsCodePageBytes) {
    // Two characters of comment are four GBK bytes; CommentLen 4 takes exactly them.
    const PblImage lib = PblWriter(PblForm::Unicode).Add({"w_a.srw", "body", Cp("窗口")}).Build();
    EXPECT_EQ(Source(lib, "w_a.srw"),
              (Strings{"$PBExportHeader$w_a.srw", "$PBExportComments$" + Cp("窗口"), "body"}));
}

TEST(ReaderSourceUnicode, CharactersSplitBetweenBlocksAreJoined) {
    // Blocks of every small length split characters after an odd byte and between the
    // halves of a surrogate pair (U+1F600, no GBK form: one "?"); the text stays the same.
    PblObject object{"w_a.srw"};
    object.Data16 = u"ab\u7A97\u53E3\U0001F600cd\r\n\u8BF4\u660E";
    const Strings expected{"$PBExportHeader$w_a.srw", Cp("ab窗口") + "?cd", Cp("说明")};
    for (size_t blockData : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 9u, 502u})
        EXPECT_EQ(Source(PblWriter(PblForm::Unicode).SetBlockData(blockData).Add(object).Build(),
                         "w_a.srw"),
                  expected)
            << blockData;
}

TEST(ReaderSourceUnicode, AFileGivesTheSameTextWhetherItsChunksAreKeptOrNot) {
    // Read from a file, a block's bytes come from the kept chunks without a copy, or through a
    // buffer when only the last read is kept: the same text either way, also where blocks of
    // odd length cut characters in two.
    PblObject object{"w_a.srw"};
    object.Data16 = u"ab\u7A97\u53E3\U0001F600cd\r\n\u8BF4\u660E";
    for (int i = 0; i < 200; ++i)
        object.Data16 += u"line\u7A97 of text\r\n";
    const std::filesystem::path path = TestFolderPath("tandrel-kept-source");
    for (size_t blockData : {3u, 7u, 502u}) {
        const PblImage lib =
            PblWriter(PblForm::Unicode).SetBlockData(blockData).Add(object).Build();
        const Strings expected = Source(lib, "w_a.srw");
        ASSERT_EQ(expected.size(), 202u);
        lib.WriteFile(path.string());
        for (const size_t keep : {TFileStream::kKeepMax, size_t{0}}) {
            TFileStream file(path.string(), keep);
            TEntryList entries;
            GetPblEntries(file, entries);
            ASSERT_EQ(entries.size(), 1u);
            Strings lines;
            GetEntrySource(file, *entries[0].Object, lines);
            EXPECT_EQ(lines, expected) << blockData << " " << keep;
        }
    }
    std::filesystem::remove(path);
}

TEST(ReaderSourceUnicode, NulCharacterEndsTheText) {
    const PblImage lib = PblWriter(PblForm::Unicode)
                             .Add({"w_a.srw", std::string("one\r\ntwo\0three\r\n", 17)})
                             .Build();
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw", "one", "two"}));
}

TEST(ReaderSourceUnicode, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    PblObject object{"w_a.srw", "", "", 0};
    PblImage lib = PblWriter(PblForm::Unicode).Add(object).Build();
    // Store "a", U+0E01, a surrogate pair and a lone surrogate by hand: 5 units.
    const char16_t units[] = {u'a', 0x0E01, 0xD83D, 0xDE00, 0xDC00};
    const int32_t block = lib.Layout.Blocks[0][0];
    for (size_t i = 0; i < 5; ++i)
        lib.PutUInt16(static_cast<size_t>(block) + 10 + 2 * i, units[i]);
    lib.SetBlockLength(0, 0, 10);
    lib.SetDataSize(0, 10);
    EXPECT_EQ(Source(lib, "w_a.srw"), (Strings{"$PBExportHeader$w_a.srw", "a???"}));
}

TEST(SplitLines, BreaksEndLinesAndNulEndsTheText) {
    auto split = [](std::string_view text) {
        Strings lines;
        SplitLines(text, lines);
        return lines;
    };
    EXPECT_EQ(split(""), Strings{});
    EXPECT_EQ(split("\r\n"), Strings{""});
    EXPECT_EQ(split("a"), Strings{"a"});
    EXPECT_EQ(split("a\n\rb"), (Strings{"a", "", "b"}));
    EXPECT_EQ(split("a\r\r\nb\r"), (Strings{"a", "", "b"}));
    EXPECT_EQ(split(std::string_view("a\nb\0c\nd", 7)), (Strings{"a", "b"}));
    // A NUL right after a line break ends the text there: the break adds no empty line.
    EXPECT_EQ(split(std::string_view("a\r\n\0b", 5)), Strings{"a"});
    EXPECT_EQ(split(std::string_view("a\n\0\nb", 5)), Strings{"a"});
    EXPECT_EQ(split(std::string_view("a\r\0\nb", 5)), Strings{"a"});
    EXPECT_EQ(split(std::string_view("\0a", 2)), Strings{});
    EXPECT_EQ(split(std::string_view("\r\n\0", 3)), Strings{""});
    std::vector<std::string_view> views;
    SplitLineViews(std::string_view("a\r\n\0b", 5), views);
    EXPECT_EQ(views, std::vector<std::string_view>{"a"});
    Strings appended{"kept"};
    SplitLines("x", appended);
    EXPECT_EQ(appended, (Strings{"kept", "x"}));
}

// The lines of one part of a source by the rule, a character at a time.
Strings ReferenceLines(std::string_view text) {
    Strings lines;
    std::string line;
    size_t i = 0;
    for (; i < text.size() && text[i] != '\0'; ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        lines.push_back(line);
        line.clear();
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

TEST(EntryLines, WalkTheHeaderCommentAndSourceLinesOfRandomTexts) {
    std::mt19937 rng(20261208);
    const char alphabet[] = {'a', 'b', ' ', '\r', '\n', '\0'};
    for (int round = 0; round < 3000; ++round) {
        TEntrySource source;
        // Long enough now and then for the sixteen-byte steps of the line end search.
        source.Text.resize(rng() % (round % 10 == 0 ? 90 : 14));
        for (char& c : source.Text)
            c = alphabet[rng() % (rng() % 4 == 0 ? 6 : 3)];
        const size_t size = source.Text.size();
        source.CommentStart = round % 5 == 0 ? 0 : rng() % (size + 1);
        source.SourceStart = source.CommentStart + rng() % (size - source.CommentStart + 1);
        Strings expected;
        const std::string_view text = source.Text;
        if (source.CommentStart > 0)
            expected.emplace_back(text.substr(0, source.CommentStart));
        for (const std::string_view part :
             {text.substr(source.CommentStart, source.SourceStart - source.CommentStart),
              text.substr(source.SourceStart)})
            for (std::string& line : ReferenceLines(part))
                expected.push_back(std::move(line));

        TEntryLines walk(source);
        const TEntryLines again = walk;
        Strings walked;
        for (std::string_view line; walk.Next(line);)
            walked.emplace_back(line);
        std::string_view untouched = "untouched";
        EXPECT_FALSE(walk.Next(untouched));
        EXPECT_EQ(untouched, "untouched");
        ASSERT_EQ(walked, expected) << ::testing::PrintToString(source.Text) << " comment at "
                                    << source.CommentStart << ", source at " << source.SourceStart;
        SplitEntryLines(source);
        EXPECT_EQ(Strings(source.Lines.begin(), source.Lines.end()), expected);
        TEntryLines copy = again;
        std::string_view first;
        EXPECT_EQ(copy.Next(first), !expected.empty());
        if (!expected.empty()) {
            EXPECT_EQ(first, expected.front());
        }
    }
}

TEST(SameStoredData, SaysSameOnlyOfEntriesWhoseTextsAreTheSame) {
    // Two libraries of one form, the object stored at other places in each (another object
    // before it, other block sizes), now and then changed by a byte, its name, its comment or
    // a NUL that ends an ANSI block early.
    std::mt19937 rng(31);
    int same = 0;
    for (int round = 0; round < 600; ++round) {
        const PblForm form = round % 2 == 0 ? PblForm::Ansi : PblForm::Unicode;
        std::string source(rng() % 1500, 'a');
        for (char& c : source)
            c = "ab\r\n \xB4\xB0"[rng() % 7];
        PblObject object{"w_a.srw", source, rng() % 3 == 0 ? "note" : ""};
        PblObject other = object;
        switch (rng() % 6) {
        case 0:
            if (!other.Source.empty())
                other.Source[rng() % other.Source.size()] ^= 1;
            break;
        case 1:
            other.Name = "w_b.srw";
            break;
        case 2:
            // The same data, with or without the comment marker line.
            other.CommentLen = static_cast<uint16_t>(other.Comment.empty() ? 2 : 0);
            break;
        case 3:
            other.Source += std::string(1, '\0') + "tail";
            break;
        default:
            break;
        }
        const PblImage image1 = PblWriter(form).Add(object).Build();
        const PblImage image2 = PblWriter(form)
                                    .SetBlockData(rng() % 2 == 0 ? 502 : 100 + rng() % 402)
                                    .Add({"u_first.sru", "first"})
                                    .Add(other)
                                    .Build();
        TMemoryStream stream1 = image1.Stream();
        TMemoryStream stream2 = image2.Stream();
        TEntryList entries1, entries2;
        GetPblEntries(stream1, entries1);
        GetPblEntries(stream2, entries2);
        const TPblEntry& entry1 = *entries1.at(0).Object;
        const TPblEntry& entry2 = *entries2.at(1).Object;
        TEntrySource text1, text2;
        GetEntryText(stream1, entry1, text1);
        GetEntryText(stream2, entry2, text2);
        if (SameStoredData(stream1, entry1, stream2, entry2)) {
            ASSERT_EQ(text1.Text, text2.Text) << "round " << round;
            ++same;
        }
        EXPECT_FALSE(SameStoredData(stream1, entry1, stream1, entry1)) << "one stream";
    }
    // Unchanged objects stored in blocks of the same size are found the same.
    EXPECT_GT(same, 100);
}

} // namespace
} // namespace tandrel::test
