// Unified diffs: their hunks and headers, and that patch and git apply, given one, turn the
// first text into the second byte for byte (line breaks, unterminated last lines, empty
// texts, lines equal only under the comparison options).

#include "TestFolder.h"
#include "UnifiedDiff.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace tandrel;

std::string Unified(std::string_view text1, std::string_view text2, int context = 3,
                    bool ignoreCase = false) {
    std::string out;
    EmitUnifiedDiff({"a/x", "b/x", "", ""}, DiffTexts(text1, text2, ignoreCase, false), text1,
                    text2, context, [&](std::string_view piece) { out += piece; });
    return out;
}

TEST(UnifiedDiff, HunksAsDiffWritesThem) {
    const std::string head = "--- a/x\n+++ b/x\n";
    EXPECT_EQ(Unified("same\n", "same\n"), "");
    EXPECT_EQ(Unified("", ""), "");
    EXPECT_EQ(Unified("", "one\n"), head + "@@ -0,0 +1 @@\n+one\n");
    EXPECT_EQ(Unified("one\ntwo\n", ""), head + "@@ -1,2 +0,0 @@\n-one\n-two\n");
    // Context is cut to what the texts have, and an unchanged middle of more than twice the
    // context splits the hunks.
    EXPECT_EQ(Unified("a\nb\nc\nd\ne\nf\ng\n", "a\nB\nc\nd\ne\nf\nG\n", 1),
              head + "@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n@@ -6,2 +6,2 @@\n f\n-g\n+G\n");
    EXPECT_EQ(Unified("a\nb\nc\nd\n", "a\nB\nc\nD\n", 1),
              head + "@@ -1,4 +1,4 @@\n a\n-b\n+B\n c\n-d\n+D\n");
    // Added lines after line 2 with no context name the line before them.
    EXPECT_EQ(Unified("a\nb\nc\n", "a\nb\nnew\nc\n", 0), head + "@@ -2,0 +3 @@\n+new\n");
}

TEST(UnifiedDiff, LineBreaksAndUnterminatedLinesKeptByteForByte) {
    const std::string head = "--- a/x\n+++ b/x\n";
    EXPECT_EQ(Unified("a\r\nb", "a\r\nc"),
              head + "@@ -1,2 +1,2 @@\n a\r\n-b\n\\ No newline at end of file\n+c\n"
                     "\\ No newline at end of file\n");
    // The engine takes these lines as equal; the bytes differ, so they are changes.
    EXPECT_EQ(Unified("a\r\nb\n", "a\nb\n"), head + "@@ -1,2 +1,2 @@\n-a\r\n+a\n b\n");
    EXPECT_EQ(Unified("a\nb\n", "a\nb"),
              head + "@@ -1,2 +1,2 @@\n a\n-b\n+b\n\\ No newline at end of file\n");
    EXPECT_EQ(Unified("x\nA\n", "x\na\n", 3, true), head + "@@ -1,2 +1,2 @@\n x\n-A\n+a\n");
    // A lone CR ends a line for the engine but not for patch: the lines around it go
    // together.
    EXPECT_EQ(Unified("a\rb\nc\n", "a\rB\nc\n"), head + "@@ -1,2 +1,2 @@\n-a\rb\n+a\rB\n c\n");
}

TEST(UnifiedDiff, NamesQuotedWhenPatchToolsWouldMisreadThem) {
    EXPECT_EQ(QuotePatchName("lib.pbl/w_main.srw"), "lib.pbl/w_main.srw");
    EXPECT_EQ(QuotePatchName("a b"), "a b");
    EXPECT_EQ(QuotePatchName("a\tb\"c\\\x01"), "\"a\\tb\\\"c\\\\\\001\"");
    std::string out;
    EmitUnifiedDiff({"/dev/null", "b/x", "", "2026-01-02 03:04:05 +0000"}, {{bkAdd, 0, 0, 1}}, "",
                    "a\n", 3, [&](std::string_view piece) { out += piece; });
    EXPECT_EQ(out.substr(0, out.find("@@")), "--- /dev/null\n+++ b/x\t2026-01-02 03:04:05 +0000\n");
}

TEST(UnifiedDiff, BlocksThatDoNotFitAreRefused) {
    const std::vector<TDiffBlock> beyond{{bkDelete, 5, 0, 1}};
    EXPECT_THROW(EmitUnifiedDiff({}, beyond, "a\n", "", 3, [](std::string_view) {}),
                 std::out_of_range);
}

// Random texts from a few lines, with every kind of line break and sometimes none at the
// end, so that the pairs share lines, change some and differ in breaks.
std::string RandomText(std::mt19937& random) {
    static const char* const lines[] = {"alpha", "beta", "Beta", "gamma", " gamma", "", "delta"};
    static const char* const breaks[] = {"\n", "\r\n", "\r"};
    std::string text;
    const int count = static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) {
        text += lines[random() % std::size(lines)];
        if (i + 1 < count || random() % 3 != 0)
            text += breaks[random() % 4 == 0 ? 2 : random() % 2];
    }
    return text;
}

class UnifiedPatch : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("patch --version >/dev/null 2>&1") != 0 ||
            std::system("git --version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "patch or git is not installed";
        FDir = tandrel::test::TestFolderPath("tandrel-unified");
        fs::create_directories(FDir);
    }
    void TearDown() override {
        if (!FDir.empty())
            fs::remove_all(FDir);
    }

    void Write(const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    int Shell(const std::string& command) {
        return std::system(
            ("cd '" + FDir.string() + "' && " + command + " >/dev/null 2>&1").c_str());
    }

    // Applies the unified diff of the pair with patch and with git apply; both must give
    // text2.
    void CheckApplies(const std::string& text1, const std::string& text2, bool ignoreCase = false) {
        const std::string patch = Unified(text1, text2, 3, ignoreCase);
        SCOPED_TRACE(::testing::PrintToString(text1) + " -> " + ::testing::PrintToString(text2) +
                     "\n" + patch);
        if (patch.empty()) {
            EXPECT_EQ(text1, text2);
            return;
        }
        Write(FDir / "p.diff", patch);
        Write(FDir / "old", text1);
        ASSERT_EQ(Shell("patch -s -o new old < p.diff"), 0);
        EXPECT_EQ(Read(FDir / "new"), text2);
        Write(FDir / "x", text1);
        ASSERT_EQ(Shell("git apply p.diff"), 0);
        EXPECT_EQ(Read(FDir / "x"), text2);
        fs::remove(FDir / "new");
    }

    fs::path FDir;
};

TEST_F(UnifiedPatch, RandomPairsApplyByteForByte) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 60 && !HasFatalFailure(); ++round) {
        const std::string text1 = RandomText(random);
        std::string text2 = round % 5 == 0 ? text1 : RandomText(random);
        if (round % 5 == 1 && !text1.empty())
            text2 = text1.substr(0, text1.size() - 1); // the last line break goes
        CheckApplies(text1, text2, round % 3 == 0);
    }
}

TEST_F(UnifiedPatch, EdgePairsApplyByteForByte) {
    CheckApplies("", "one\r\ntwo");
    CheckApplies("one\r\ntwo", "");
    CheckApplies("a\r\nb\r\n", "a\nb\n");
    CheckApplies("x", "x\n");
    CheckApplies("a\rb\rc\r", "a\rB\rc\r");
    CheckApplies("same\r\n", "SAME\r\n");
}

} // namespace
