// tandrel-cli diff as a whole process: exit status, the report on standard output with
// CR LF line breaks, the options, and errors.

#include "TestFolder.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TResult {
    int Status = -1;
    std::string Out;
};

class DiffCommand : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = tandrel::test::TestFolderPath("tandrel-diffcmd");
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(FDir / name, std::ios::binary) << bytes;
        return (FDir / name).string();
    }

    // Runs the command in the temporary folder with the C locale and UTC, standard error
    // joined to standard output.
    TResult Run(const std::string& args) {
        const std::string command = "cd '" + FDir.string() + "' && LC_ALL=C TZ=UTC '" +
                                    TANDREL_CLI + "' diff " + args + " 2>&1";
        TResult result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.Out.append(buffer, got);
        const int status = ::pclose(pipe);
        result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    fs::path FDir;
};

TEST_F(DiffCommand, ExitStatusLikeDiff) {
    Write("a.txt", "one\ntwo\n");
    Write("b.txt", "one\r\ntwo");
    Write("c.txt", "one\nTWO\n");
    EXPECT_EQ(Run("a.txt b.txt").Status, 0);
    EXPECT_EQ(Run("a.txt c.txt").Status, 1);
    EXPECT_EQ(Run("--ignore-case a.txt c.txt").Status, 0);
    const TResult missing = Run("a.txt nothing.txt");
    EXPECT_EQ(missing.Status, 2);
    EXPECT_NE(missing.Out.find("nothing.txt"), std::string::npos);
    EXPECT_NE(missing.Out.find("No such file"), std::string::npos);
    EXPECT_EQ(Run("a.txt").Status, 2);
    EXPECT_EQ(Run("--bogus a.txt b.txt").Status, 2);
}

TEST_F(DiffCommand, ReportWithCrLfLineBreaks) {
    Write("a.txt", "one\ntwo\nthree\n");
    Write("b.txt", "one\nsix\nthree\n");
    const TResult result = Run("a.txt b.txt");
    ASSERT_EQ(result.Status, 1);
    const std::string rule(80, '=');
    EXPECT_EQ(result.Out.rfind("Difference Report - ", 0), 0u);
    EXPECT_NE(
        result.Out.find("\r\n" + rule + "\r\n\r\nFile 1: \"a.txt\"\r\n        Last modified on "),
        std::string::npos);
    EXPECT_NE(result.Out.find("\r\nFile 2: \"b.txt\"\r\n"), std::string::npos);
    // The short date and the time of day without seconds, as the window writes them.
    const struct timespec times[2] = {{1796741137, 0}, {1796741137, 0}};
    ::utimensat(AT_FDCWD, (FDir / "a.txt").c_str(), times, 0);
    EXPECT_NE(
        Run("a.txt b.txt").Out.find("\"a.txt\"\r\n        Last modified on 12/08/26, 14:45\r\n"),
        std::string::npos);
    const std::string body =
        "\r\n\r\n" + rule + "\r\nLines modified at 2\r\n" + rule + "\r\n- two\r\n+ six\r\n";
    EXPECT_EQ(result.Out.substr(result.Out.size() - body.size()), body);
    EXPECT_EQ(result.Out.find('\n'), result.Out.find("\r\n") + 1);
}

TEST_F(DiffCommand, DiffsOnlyAndUtf8) {
    Write("a.txt", "k\n\xC0\xCF\n"
                   "l\nm\nb\nn\n");
    Write("b.txt", "k\nl\nm\nn\n");
    const TResult all = Run("a.txt b.txt");
    EXPECT_NE(all.Out.find("Lines deleted at 2\r\n"), std::string::npos);
    EXPECT_NE(all.Out.find("Lines deleted at 5\r\n"), std::string::npos);
    EXPECT_NE(all.Out.find("- \xC0\xCF\r\n"), std::string::npos);
    const TResult merged = Run("--diffs-only --utf8 a.txt b.txt");
    EXPECT_EQ(merged.Status, 1);
    EXPECT_NE(merged.Out.find("Lines deleted at 2\r\n"), std::string::npos);
    EXPECT_EQ(merged.Out.find("Lines deleted at 5"), std::string::npos);
    EXPECT_NE(merged.Out.find("- \xE8\x80\x81\r\n- b\r\n"), std::string::npos); // 老 in UTF-8
}

TEST_F(DiffCommand, FilesWithANulByteAreComparedAsBinary) {
    Write("a.bin", std::string("same\0text after one\n", 21));
    Write("b.bin", std::string("same\0text after two\n", 21));
    Write("c.bin", std::string("same\0text after one\n", 21));
    Write("d.txt", "same\n");
    TResult result = Run("a.bin b.bin");
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "Binary files a.bin and b.bin differ\n");
    result = Run("a.bin c.bin");
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Out, "");
    result = Run("d.txt a.bin");
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "Binary files d.txt and a.bin differ\n");
}

TEST_F(DiffCommand, NamesAreEscapedAsInListingsSoEachLineStaysOneLine) {
    Write("new\nline.txt", "one\n");
    Write("tab\tand\\.txt", "two\n");
    TResult result = Run("'new\nline.txt' 'tab\tand\\.txt'");
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Out.find("\r\nFile 1: \"new\\nline.txt\"\r\n"), std::string::npos)
        << result.Out;
    EXPECT_NE(result.Out.find("\r\nFile 2: \"tab\\tand\\\\.txt\"\r\n"), std::string::npos);

    Write("bin\rary", std::string("\0", 1));
    result = Run("'bin\rary' 'new\nline.txt'");
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "Binary files bin\\rary and new\\nline.txt differ\n");
}

TEST_F(DiffCommand, AFailedWriteIsAnErrorNotADifference) {
    Write("a.txt", "one\n");
    Write("b.txt", "two\n");
    // The comment sign keeps Run's own redirection of standard error from taking effect.
    const TResult result = Run("a.txt b.txt >/dev/full 2>err.txt #");
    EXPECT_EQ(result.Status, 2);
    std::ifstream err(FDir / "err.txt");
    const std::string message((std::istreambuf_iterator<char>(err)), {});
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
}

TEST_F(DiffCommand, UnifiedDiffThatPatchAppliesToGiveTheSecondFile) {
    Write("a.txt", "one\r\ntwo\r\nthree\r\nfour");
    Write("b.txt", "one\r\nTWO\r\nthree\r\nfour\r\nfive");
    TResult result = Run("-U 1 a.txt b.txt");
    ASSERT_EQ(result.Status, 1) << result.Out;
    const std::string body = result.Out.substr(result.Out.find("@@"));
    EXPECT_EQ(body, "@@ -1,4 +1,5 @@\n one\r\n-two\r\n+TWO\r\n three\r\n-four\n"
                    "\\ No newline at end of file\n+four\r\n+five\n"
                    "\\ No newline at end of file\n");
    EXPECT_EQ(result.Out.rfind("--- a.txt\t", 0), 0u);
    EXPECT_NE(result.Out.find("\n+++ b.txt\t"), std::string::npos);

    EXPECT_EQ(
        Run("-u a.txt b.txt > u.diff; patch -s -o c.txt a.txt < u.diff && cmp c.txt b.txt").Status,
        0);
    // Equal under the options is not equal in bytes: the unified diff still shows it.
    Write("c.txt", "ONE\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(Run("--ignore-case a.txt c.txt").Status, 0);
    result = Run("--ignore-case -U0 a.txt c.txt");
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Out.find("@@ -1 +1 @@\n-one\r\n+ONE\r\n"), std::string::npos) << result.Out;
    result = Run("-u a.txt a.txt");
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(Run("-U x a.txt b.txt").Status, 2);
    EXPECT_EQ(Run("-U").Status, 2);
}

} // namespace
