// tandrel-cli list, export, dump and libs, run as programs: their output byte for byte, the
// exit status on damage and on a failed write, and dump as the text conversion of git.

#include "CompareTestUtil.h"

#include <cstdlib>
#include <filesystem>

namespace tandrel::test {
namespace {

PblObject Obj(const std::string& name, const std::string& source, const std::string& comment = "",
              int32_t stamp = kStamp) {
    return PblObject{name, source, comment, stamp};
}

const std::string kMainSource = "forward\r\nend forward\r\n";
const std::string kWide = "w_\xD6\xD0.srw"; // GBK for w_中.srw

class ReaderCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteLib(Dir / "lib.pbl",
                 {Obj("w_main.srw", kMainSource, "the main window"),
                  Obj("d_emp.srd", "release 10;\r\n"), Obj(kWide, "a = 1\r\n")},
                 PblForm::Unicode);
    }

    TCliRun Cli(const std::vector<std::string>& args, const std::string& redirect = "") {
        return RunCliArgs(Dir, args, redirect);
    }

    TTempDir Dir;
};

TEST_F(ReaderCliTest, ListExportAndDumpWriteTheLibrary) {
    TCliRun run = Cli({"list", Dir / "lib.pbl"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "dd_emp\td_emp.srd\t26\t2023-11-14 22:13:20\t0\n"
                       "ww_main\tw_main.srw\t74\t2023-11-14 22:13:20\t15\n"
                       "ww_中\tw_中.srw\t14\t2023-11-14 22:13:20\t0\n");
    EXPECT_EQ(run.Err, "");

    const std::string main = "$PBExportHeader$w_main.srw\r\n"
                             "$PBExportComments$the main window\r\n" +
                             kMainSource;
    run = Cli({"export", Dir / "lib.pbl", "W_MAIN.SRW"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, main);
    run = Cli({"export", "--utf8", Dir / "lib.pbl", "w_中.srw"});
    EXPECT_EQ(run.Out, "$PBExportHeader$w_中.srw\r\na = 1\r\n");
    run = Cli({"export", Dir / "lib.pbl", "w_中.srw"});
    EXPECT_EQ(run.Out, "$PBExportHeader$" + kWide + "\r\na = 1\r\n");

    run = Cli({"dump", Dir / "lib.pbl"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "$PBExportHeader$d_emp.srd\r\nrelease 10;\r\n" + main + "$PBExportHeader$" +
                           kWide + "\r\na = 1\r\n");

    run = Cli({"export", Dir / "lib.pbl", "w_none.srw"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "tandrel-cli: No object \"w_none.srw\" in \"" + Dir / "lib.pbl" + "\"\n");
    run = Cli({"list", Dir / "none.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("none.pbl"), std::string::npos);
}

// Read as UTF-16 or EBCDIC, a library would list as empty and two differing libraries
// would compare as the same: such code pages are refused before anything is read.
TEST_F(ReaderCliTest, CodePagesThatAreNotByteTextAreRefused) {
    for (const char* name : {"UTF-16", "UTF-32", "UCS-2", "EBCDIC-US", "UTF-8"}) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"list", Dir / "lib.pbl"},
              std::vector<std::string>{"compare", Dir / "lib.pbl", Dir / "lib.pbl"}}) {
            std::vector<std::string> args{"--codepage", name};
            args.insert(args.end(), command.begin(), command.end());
            const TCliRun run = Cli(args);
            EXPECT_EQ(run.Status, 2) << name;
            EXPECT_EQ(run.Out, "") << name;
            EXPECT_EQ(run.Err, "tandrel-cli: The code page \"" + std::string(name) +
                                   "\" cannot be used: texts must be ASCII with single- or "
                                   "double-byte characters, as in GBK, CP950, CP949, CP932, "
                                   "CP1252 or ISO-8859-1\n");
        }
    }
    const TCliRun run = Cli({"--codepage", "CP1252", "list", Dir / "lib.pbl"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("ww_main\tw_main.srw"), std::string::npos);
}

TEST_F(ReaderCliTest, LibsPrintsThePathsAndNamesTheMissing) {
    WriteLib(Dir / "sub/two.pbl", {});
    WriteText(Dir / "t.pbt", "Save Format v3.0(19990112)\r\n"
                             "LibList \"lib.pbl;sub\\\\two.pbl;gone.pbl\";\r\n");
    WriteText(Dir / "w.pbw", "@begin Targets\r\n 0 \"t.pbt\";\r\n@end;\r\n");
    const std::string expected = Dir / "lib.pbl\n" + Dir / "sub/two.pbl\n" + Dir / "gone.pbl\n";
    for (const char* file : {"t.pbt", "w.pbw"}) {
        const TCliRun run = Cli({"libs", Dir / file});
        EXPECT_EQ(run.Status, 0) << file;
        EXPECT_EQ(run.Out, expected) << file;
        EXPECT_EQ(run.Err, "tandrel-cli: " + Dir / "gone.pbl does not exist\n") << file;
    }
    // A target of 17 MB of empty lines is no target; it is refused before it is read.
    std::filesystem::resize_file(Dir / "t.pbt", 17 * 1024 * 1024);
    for (const char* file : {"t.pbt", "w.pbw"}) {
        const TCliRun run = Cli({"libs", Dir / file});
        EXPECT_EQ(run.Status, 2) << file;
        EXPECT_EQ(run.Out, "") << file;
        EXPECT_NE(run.Err.find("larger than 16 MB"), std::string::npos) << run.Err;
    }
}

TEST_F(ReaderCliTest, AFailedWriteIsAnErrorWithTheSystemsReason) {
    WriteText(Dir / "t.pbt", "LibList \"lib.pbl\";\r\n");
    const std::vector<std::vector<std::string>> commands = {
        {"list", Dir / "lib.pbl"},           {"export", Dir / "lib.pbl", "w_main.srw"},
        {"dump", "--utf8", Dir / "lib.pbl"}, {"libs", Dir / "t.pbt"},
        {"compare", "--", Dir / "lib.pbl"},  {"--help"}};
    for (const auto& args : commands) {
        const TCliRun run = Cli(args, ">/dev/full");
        EXPECT_EQ(run.Status, 2) << args[0];
        EXPECT_NE(run.Err.find("No space left on device"), std::string::npos) << run.Err;
    }
}

TEST_F(ReaderCliTest, ADamagedLibraryIsWrittenAsFarAsItGoesThenNamed) {
    PblWriter writer(PblForm::Ansi);
    writer.SetEntriesPerNode(1);
    for (const char* name : {"u_a.sru", "u_b.sru", "u_c.sru"})
        writer.Add(Obj(name, std::string("source of ") + name + "\r\n"));
    PblImage lib = writer.Build();
    lib.SetDataSize(2, -5);
    lib.WriteFile(Dir / "bad.pbl");
    const std::string message = Dir / "bad.pbl" + ": damaged at offset " +
                                std::to_string(lib.Layout.Entries[2] + 12) +
                                " (data size -5 implausible); the listing is incomplete\n";

    TCliRun run = Cli({"list", Dir / "bad.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "uu_a\tu_a.sru\t19\t2023-11-14 22:13:20\t0\n"
                       "uu_b\tu_b.sru\t19\t2023-11-14 22:13:20\t0\n");
    EXPECT_EQ(run.Err, message);

    run = Cli({"dump", Dir / "bad.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "$PBExportHeader$u_a.sru\r\nsource of u_a.sru\r\n"
                       "$PBExportHeader$u_b.sru\r\nsource of u_b.sru\r\n");
    EXPECT_EQ(run.Err, message);

    run = Cli({"export", Dir / "bad.pbl", "u_a.sru"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, message);
}

// Runs a shell command in `folder`; its standard output, or "" when it fails.
std::string Shell(const std::string& folder, const std::string& command, int& status) {
    std::string out;
    FILE* pipe = ::popen(("cd " + ShellQuote(folder) + " && " + command).c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int result = ::pclose(pipe);
    status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return out;
}

TEST_F(ReaderCliTest, DumpIsTheTextConversionOfAGitRepository) {
    int status = 0;
    Shell(Dir.Path(), "git --version >/dev/null 2>&1", status);
    if (status != 0)
        GTEST_SKIP() << "git is not installed";
    const std::string repo = Dir / "repo";
    std::filesystem::create_directories(repo);
    const std::string git = "git -c user.name=Test -c user.email=test@example.com "
                            "-c commit.gpgsign=false ";
    const std::string setup =
        "git init -q . && echo '*.pbl diff=pbl' > .gitattributes && git config diff.pbl.textconv " +
        ShellQuote(std::string(TANDREL_CLI_PATH) + " dump --utf8");
    Shell(repo, setup, status);
    ASSERT_EQ(status, 0);

    WriteLib(repo + "/app.pbl",
             {Obj("w_main.srw", "open(w_frame)\r\nx = 1\r\n"), Obj(kWide, "a = 1\r\n")},
             PblForm::Unicode);
    Shell(repo, git + "add -A && " + git + "commit -qm first", status);
    ASSERT_EQ(status, 0);
    WriteLib(
        repo + "/app.pbl",
        {Obj("w_main.srw", "open(w_frame)\r\nx = 2\r\n", "", kStamp + 60), Obj(kWide, "a = 1\r\n")},
        PblForm::Unicode);
    Shell(repo, git + "commit -qam second", status);
    ASSERT_EQ(status, 0);

    const std::string log = Shell(repo, "git log -p --no-color", status);
    ASSERT_EQ(status, 0);
    EXPECT_NE(log.find("-x = 1\r\n+x = 2\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("+$PBExportHeader$w_中.srw\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Binary files"), std::string::npos) << log;
}

} // namespace
} // namespace tandrel::test
