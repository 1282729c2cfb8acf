// tandrel-cli on targets and workspaces of hostile or merely huge shapes, on a reader that
// goes away and with too little memory: every run ends with a status and a reason.

#include "CompareTestUtil.h"

#include <cstdio>

namespace tandrel::test {
namespace {

// Limits of virtual memory starve the sanitizers' own reservations, not the program.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// `count` library names, "NAME00000.PBL;NAME00001.PBL;...", each with `prefix`.
std::string LibNames(int count, const std::string& prefix) {
    std::string text;
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "%s%05d.PBL;", prefix.c_str(), i);
        text += name;
    }
    return text;
}

class ProjectCliTest : public ::testing::Test {
protected:
    TCliRun Cli(const std::vector<std::string>& args, const std::string& redirect = "") {
        return RunCliArgs(Dir, args, redirect);
    }

    // Runs a shell command line in the folder; its exit status.
    int Shell(const std::string& command) {
        const int status = std::system(("cd " + ShellQuote(Dir.Path()) + " && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TTempDir Dir;
};

TEST_F(ProjectCliTest, AmplifyingProjectsFailWithTheFileNamedAndWriteNothing) {
    WriteText(Dir / "t.pbt", "LibList \"" + LibNames(1000, "lib") + "\";\r\n");
    std::string workspace = "@begin Targets\r\n";
    for (int i = 0; i < 1000; ++i)
        workspace += " " + std::to_string(i) + " \"t.pbt\";\r\n";
    WriteText(Dir / "w.pbw", workspace + "@end;\r\n");
    const std::string message = "tandrel-cli: Too many libraries at \"" + Dir / "t.pbt" +
                                "\": one command takes at most 100000\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"libs", Dir / "w.pbw"},
          std::vector<std::string>{"compare", Dir / "w.pbw", "--"},
          std::vector<std::string>{"compare", "--", Dir / "t.pbt", Dir / "w.pbw"}}) {
        const TCliRun run = Cli(args);
        EXPECT_EQ(run.Status, 2) << args[0];
        EXPECT_EQ(run.Out, "") << args[0];
        EXPECT_EQ(run.Err, message) << args[0];
    }
}

TEST_F(ProjectCliTest, EmptyItemsNameNoLibraryNotEvenInMillions) {
    WriteLib(Dir / "abis/a.pbl", {});
    // The list ends in ";" as many real ones do.
    WriteText(Dir / "abis/t.pbt", "LibList \"a.pbl;gone.pbl;\";\r\n");
    TCliRun run = Cli({"libs", Dir / "abis/t.pbt"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, Dir / "abis/a.pbl\n" + Dir / "abis/gone.pbl\n");
    EXPECT_EQ(run.Err, "tandrel-cli: " + Dir / "abis/gone.pbl does not exist\n");

    WriteText(Dir / "semi.pbt", "LibList \"" + std::string((16 << 20) - 64, ';') + "\";\r\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"libs", Dir / "semi.pbt"},
          std::vector<std::string>{"compare", Dir / "semi.pbt", "--"}}) {
        run = Cli(args);
        EXPECT_EQ(run.Status, 0) << args[0];
        EXPECT_EQ(run.Out, "") << args[0];
        EXPECT_EQ(run.Err, "") << args[0];
    }
}

TEST_F(ProjectCliTest, TenThousandLibrariesInAnotherLetterCaseAreAllCompared) {
    std::filesystem::create_directory(Dir / "libs");
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "libs/lib%05d.pbl", i);
        std::ofstream(Dir / name);
    }
    WriteText(Dir / "case.pbt", "LibList \"" + LibNames(10000, "LIBS\\\\LIB") + "\";\r\n");
    WriteText(Dir / "gone.pbt", "LibList \"" + LibNames(10000, "LIBS\\\\GONE") + "\";\r\n");
    TCliRun run = Cli({"compare", Dir / "case.pbt", "--", Dir / "gone.pbt"});
    EXPECT_EQ(run.Status, 1);
    size_t lines = 0;
    for (const char c : run.Out)
        lines += c == '\n';
    EXPECT_EQ(lines, 10000u);
    EXPECT_EQ(run.Out.rfind("减少\tLIB00000.PBL\t", 0), 0u) << run.Out.substr(0, 200);
    EXPECT_NE(run.Out.find("减少\tLIB09999.PBL\t"), std::string::npos);
    EXPECT_EQ(run.Err.rfind("information: " + Dir / "LIBS/GONE09999.PBL does not exist\n", 0), 0u)
        << run.Err.substr(0, 200);
    size_t missing = 0;
    for (size_t at = run.Err.find(" does not exist\n"); at != std::string::npos;
         at = run.Err.find(" does not exist\n", at + 1))
        ++missing;
    EXPECT_EQ(missing, 10000u);

    run = Cli({"libs", Dir / "case.pbt"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "") << "every name was found in another letter case";
}

TEST_F(ProjectCliTest, AClosedPipeIsAFailedWriteWithTheSystemsReason) {
    // Far more than a pipe holds, so the reader is gone before the writing ends.
    std::vector<PblObject> objects;
    for (int i = 0; i < 40; ++i)
        objects.push_back(PblObject{"u_" + std::to_string(i) + ".sru",
                                    std::string(100000, 'x') + "\r\n", "", kStamp});
    WriteLib(Dir / "big.pbl", objects);
    const int status =
        Shell("{ " + ShellQuote(TANDREL_CLI_PATH) +
              " dump big.pbl 2>err.txt; echo $? >status.txt; } | head -c 1 >/dev/null");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadText(Dir / "status.txt"), "2\n");
    EXPECT_EQ(ReadText(Dir / "err.txt"), "tandrel-cli: Cannot write the output: Broken pipe\n");
}

TEST_F(ProjectCliTest, RunningOutOfMemorySaysWhatWasBeingDoneWithWhichFile) {
    if (kSanitized)
        GTEST_SKIP() << "a limit of virtual memory starves the sanitizers";
    WriteText(Dir / "semi.pbt", "LibList \"" + std::string((16 << 20) - 64, ';') + "\";\r\n");
    std::string lines;
    for (int i = 0; i < 1000000; ++i)
        lines += "line " + std::to_string(i) + "\n";
    // Different first and last lines: the whole text is compared, not only its middle.
    WriteText(Dir / "a.txt", lines);
    WriteText(Dir / "b.txt", "first\n" + lines + "last\n");
    // 24 MB of address space: enough to start, too little for these inputs.
    const std::string limit = "ulimit -v 24000; ";
    const std::string cli = ShellQuote(TANDREL_CLI_PATH);
    EXPECT_EQ(Shell(limit + cli + " libs semi.pbt >/dev/null 2>err.txt"), 2);
    EXPECT_EQ(ReadText(Dir / "err.txt"), "tandrel-cli: Out of memory while reading \"semi.pbt\"\n");
    EXPECT_EQ(Shell(limit + cli + " diff a.txt b.txt >/dev/null 2>err.txt"), 2);
    EXPECT_EQ(ReadText(Dir / "err.txt"),
              "tandrel-cli: Out of memory while comparing \"a.txt\" with \"b.txt\"\n");
}

} // namespace
} // namespace tandrel::test
