// Loading text files: line breaks of every kind, a NUL ending the text, errors naming
// the file. Source files in every encoding: read into the code page and written back byte
// for byte, or marked with what they lost.

#include "TestFolder.h"
#include "TextFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string_view>;

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = test::TestFolderPath("tandrel-textfile");
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = FDir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path FDir;
};

TEST_F(TextFileTest, EveryLineBreakKind) {
    EXPECT_EQ(LoadTextFile(Write("a", "a\r\nb\rc\nd")).Lines, (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(LoadTextFile(Write("b", "a\n\nb\r\n")).Lines, (Lines{"a", "", "b"}));
    EXPECT_EQ(LoadTextFile(Write("c", "a\n\r\n")).Lines, (Lines{"a", ""}));
    EXPECT_EQ(LoadTextFile(Write("d", "a\r\r\n")).Lines, (Lines{"a", ""}));
    EXPECT_EQ(LoadTextFile(Write("e", "")).Lines, Lines{});
    EXPECT_EQ(LoadTextFile(Write("f", "\t x \f\n")).Lines, (Lines{"\t x \f"}));
}

TEST_F(TextFileTest, NulEndsTheText) {
    EXPECT_EQ(LoadTextFile(Write("a", std::string("ab\ncd\0ef\ngh", 11))).Lines,
              (Lines{"ab", "cd"}));
}

TEST_F(TextFileTest, KeepsBytesAndModificationTime) {
    const std::string path = Write("gbk", "\xD6\xD0\xCE\xC4\r\n");
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(50);
    fs::last_write_time(path, when);
    const TTextFile file = LoadTextFile(path);
    EXPECT_EQ(file.Lines, (Lines{"\xD6\xD0\xCE\xC4"}));
    const auto expected = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::file_clock::to_sys(when).time_since_epoch())
                              .count();
    EXPECT_EQ(file.ModifiedTime, expected);
}

TEST_F(TextFileTest, ErrorsNameTheFile) {
    const std::string missing = (FDir / "missing.txt").string();
    try {
        LoadTextFile(missing);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + missing + "\""), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
    }
    EXPECT_THROW(LoadTextFile(FDir.string()), std::runtime_error);
    // A FIFO is refused at once instead of blocking the open.
    const std::string fifo = (FDir / "fifo.txt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(LoadTextFile(fifo), std::runtime_error);
}

// Reads a source file and writes its lines back in the form it came in.
std::string RoundTrip(const std::string& path, TSourceFile* loaded = nullptr) {
    TSourceFile file = LoadSourceFile(path);
    std::string bytes = EncodeSourceText(file.Text.Lines, file.Form);
    if (loaded != nullptr)
        *loaded = std::move(file);
    return bytes;
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = char(unit >> 8);
        const char low = char(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// 中文 in GBK and in UTF-8.
const std::string ChineseGbk = "\xD6\xD0\xCE\xC4";
const std::string ChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

TEST_F(TextFileTest, EveryEncodingRoundTripsByteForByte) {
    // Real GBK text (a comment and a string of a script), which is not valid UTF-8.
    const std::string gbk = "// \xB8\xFC\xD0\xC2\xBF\xCD\xBB\xA7\xD0\xC5\xCF\xA2\r\n"
                            "ls_msg = \"\xB1\xA3\xB4\xE6\xB3\xC9\xB9\xA6\"\r\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"gbk.txt", gbk},
        {"utf8.txt", "a" + ChineseUtf8 + "\nb\n"},
        {"utf8bom.txt", "\xEF\xBB\xBF" + ChineseUtf8 + "\r\n"},
        {"utf16le.txt", Utf16(u"x\u4E2D\r\n\r\ny\r\n", false)},
        {"utf16be.txt", Utf16(u"x\u4E2D\n\ny", true)},
        {"cr.txt", "a" + ChineseUtf8 + "\rb\r"},
        {"nofinal.txt", ChineseGbk + "\r\nlast"},
        {"empty.txt", ""},
        {"ascii.txt", "plain\n"},
    };
    for (const auto& [name, bytes] : files) {
        TSourceFile loaded;
        EXPECT_EQ(RoundTrip(Write(name, bytes), &loaded), bytes) << name;
        EXPECT_FALSE(loaded.Loss.Any()) << name;
    }
    TSourceFile loaded;
    RoundTrip(Write("gbk.txt", gbk), &loaded);
    EXPECT_EQ(loaded.Form.Encoding, TTextEncoding::CodePage);
    EXPECT_EQ(loaded.Text.Lines[1], "ls_msg = \"\xB1\xA3\xB4\xE6\xB3\xC9\xB9\xA6\"");
}

TEST_F(TextFileTest, UnicodeIsReadIntoTheCodePage) {
    TSourceFile file = LoadSourceFile(Write("utf8.txt", "a" + ChineseUtf8 + "\nb\n"));
    EXPECT_EQ(file.Form.Encoding, TTextEncoding::Utf8);
    EXPECT_EQ(file.Form.LineBreak, "\n");
    EXPECT_EQ(file.Text.Lines, (Lines{"a" + ChineseGbk, "b"}));

    file = LoadSourceFile(Write("be.txt", Utf16(u"x\u4E2D\r\ny", true)));
    EXPECT_EQ(file.Form.Encoding, TTextEncoding::Utf16BeBom);
    EXPECT_EQ(file.Text.Lines, (Lines{"x\xD6\xD0", "y"}));
    EXPECT_FALSE(file.Form.FinalBreak);

    file = LoadSourceFile(Write("le.txt", Utf16(u"\U0001F600", false)));
    EXPECT_EQ(file.Form.Encoding, TTextEncoding::Utf16LeBom);
    EXPECT_EQ(file.Loss.Unshown, 1) << "a surrogate pair is one character";
    EXPECT_EQ(file.Text.Lines, (Lines{"?"}));
}

TEST_F(TextFileTest, CharactersWithoutAFormAreCountedWithTheirFirstLine) {
    // U+1F600 and U+0E01 have no GBK form; U+4E2D has one.
    const std::string text = "ok\r\n" + ChineseUtf8 +
                             "\r\nx\xF0\x9F\x98\x80y\xE0\xB8\x81\r\n"
                             "\xF0\x9F\x98\x80\r\n";
    for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text}) {
        const TSourceFile file = LoadSourceFile(Write("emoji.txt", bytes));
        EXPECT_EQ(file.Loss.Unshown, 3);
        EXPECT_EQ(file.Loss.FirstUnshownLine, 3);
        EXPECT_TRUE(file.Loss.Any());
        EXPECT_EQ(file.Text.Lines[2], "x?y?");
        EXPECT_EQ(LossText(file.Loss), "3 characters cannot be shown in GBK, the first on line 3");
    }
    // A surrogate without its partner is no character either.
    std::string lone = Utf16(u"ab\n", false);
    lone += std::string("\x00\xD8", 2);
    const TSourceFile file = LoadSourceFile(Write("lone.txt", lone));
    EXPECT_EQ(file.Loss.Unshown, 1);
    EXPECT_EQ(file.Loss.FirstUnshownLine, 2);
}

TEST_F(TextFileTest, OddUtf16AndNulBytesAreReportedNotCut) {
    const TSourceFile odd = LoadSourceFile(Write("odd.txt", Utf16(u"ab\r\ncd", false) + "x"));
    EXPECT_TRUE(odd.Loss.OddLength);
    EXPECT_EQ(odd.Text.Lines, (Lines{"ab", "cd"}));
    EXPECT_EQ(LossText(odd.Loss), "UTF-16 file of odd length, its last byte is not shown");

    const std::string binary1("MZ\x90\0\x03\0\nab\0c\r\n\0\0", 16);
    const std::string binary2("MZ\x90\0\x03\0\nab\0d\r\n\0\0", 16);
    const TSourceFile file1 = LoadSourceFile(Write("b1.bin", binary1));
    const TSourceFile file2 = LoadSourceFile(Write("b2.bin", binary2));
    EXPECT_TRUE(file1.Loss.Binary);
    EXPECT_EQ(LossText(file1.Loss), "binary file");
    ASSERT_EQ(file1.Text.Lines.size(), 3u);
    EXPECT_EQ(file1.Text.Lines[1], std::string_view("ab\0c", 4));
    EXPECT_NE(file1.Text.Lines, file2.Text.Lines);
    // A UTF-16 file holding U+0000 is no text either; its bytes are shown as they are.
    EXPECT_TRUE(LoadSourceFile(Write("nul16.txt", Utf16(std::u16string_view(u"a\0b", 3), false)))
                    .Loss.Binary);
}

TEST_F(TextFileTest, SavingRefusesBytesTheEncodingCannotCarry) {
    const TTextForm utf8{TTextEncoding::Utf8, "\n", true};
    // A lead byte without its trail byte is no GBK character.
    const std::vector<std::string_view> lines = {"a", "b\x81"};
    try {
        EncodeSourceText(lines, utf8);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "line 2 holds bytes that are no character in GBK, so it cannot be "
                               "written as UTF-8");
    }
    EXPECT_EQ(EncodeSourceText(lines, TTextForm{}), "a\r\nb\x81\r\n")
        << "code page bytes as they are";
    EXPECT_EQ(EncodeSourceText({"x\xD6\xD0"}, TTextForm{TTextEncoding::Utf16BeBom, "\r\n", false}),
              std::string("\xFE\xFF\0x\x4E\x2D", 6));
}

} // namespace
} // namespace tandrel
