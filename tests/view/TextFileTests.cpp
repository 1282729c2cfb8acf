// Loading text files: line breaks of every kind, a NUL ending the text, errors naming
// the file.

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

} // namespace
} // namespace tandrel
