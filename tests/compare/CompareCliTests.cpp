// tandrel-cli compare, run as a program: the listing byte for byte against golden files,
// the notices and the exit status.

#include "CompareTestUtil.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace tandrel::test {
namespace {

const std::string GoldenDir = std::string(TANDREL_GOLDEN_DIR) + "/compare_listing/";

using TRun = TCliRun;

TRun RunCli(const TTempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), "compare");
    return RunCliArgs(dir, args);
}

// Compares with a golden file; TANDREL_UPDATE_GOLDEN=1 in the environment rewrites it instead.
void ExpectGolden(const std::string& out, const std::string& name) {
    const std::string path = GoldenDir + name;
    if (std::getenv("TANDREL_UPDATE_GOLDEN") != nullptr)
        WriteText(path, out);
    EXPECT_EQ(out, ReadText(path)) << "golden file " << path;
}

PblObject Obj(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
}

// Two sides with every status on both levels. Object names and one library name are not
// ASCII, so the UTF-8 conversion shows.
class CompareCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string src = "forward\r\nend forward\r\n";
        const std::string wide = "w_\xD6\xD0.srw"; // GBK for w_中.srw
        WriteLib(Dir / "a/lib1.pbl", {Obj("w_main.srw", src), Obj("d_emp.srd", "release 10;\r\n"),
                                      Obj("f_util.srf", src), Obj(wide, src)});
        WriteLib(Dir / "b/lib1.pbl",
                 {Obj("w_main.srw", src + "x = 1\r\n", kStamp + 60),
                  Obj("d_emp.srd", "release 10;\r\n\r\n", kStamp + 120), Obj("u_new.sru", src),
                  Obj(wide, "\r\n" + src, kStamp + 1)},
                 PblForm::Unicode);
        WriteLib(Dir / "a/lib2.pbl", {Obj("w_same.srw", src)});
        WriteLib(Dir / "b/LIB2.pbl", {Obj("w_same.srw", src)});
        WriteLib(Dir / "a/\xE4\xB8\xAD.pbl", {});
        WriteLib(Dir / "b/new.pbl", {});
        WriteText(Dir / "b/t.pbt", "LibList \"lib1.pbl;LIB2.pbl;new.pbl;missing.pbl\";\r\n");
    }
    TTempDir Dir;
};

TEST_F(CompareCliTest, ListsLibraryPairsInKeyOrder) {
    const TRun run = RunCli(Dir, {Dir / "a/lib1.pbl", Dir / "a/lib2.pbl",
                                  Dir / "a/\xE4\xB8\xAD.pbl", "--", Dir / "b/t.pbt"});
    EXPECT_EQ(run.Status, 1);
    ExpectGolden(run.Out, "libraries.txt");
    EXPECT_EQ(run.Err, "information: " + Dir.Path() + "b/missing.pbl does not exist\n");
}

TEST_F(CompareCliTest, WithObjectsEveryChangedPairIsFollowedByItsObjects) {
    const TRun run = RunCli(Dir, {"--objects", Dir / "a/lib1.pbl", Dir / "a/lib2.pbl",
                                  Dir / "a/\xE4\xB8\xAD.pbl", "--", Dir / "b/t.pbt"});
    EXPECT_EQ(run.Status, 1);
    ExpectGolden(run.Out, "objects.txt");
}

TEST_F(CompareCliTest, OptionsReachTheObjectComparison) {
    WriteLib(Dir / "c/x.pbl", {Obj("w_a.srw", "IF a = b THEN\r\n")});
    WriteLib(Dir / "d/x.pbl", {Obj("w_a.srw", "if A=B then\r\n", kStamp + 1)}, PblForm::Ansi,
             kFileTime + 2);
    EXPECT_EQ(RunCli(Dir, {Dir / "c/x.pbl", "--", Dir / "d/x.pbl"}).Status, 1);
    EXPECT_EQ(RunCli(Dir, {"--ignore-case", Dir / "c/x.pbl", "--", Dir / "d/x.pbl"}).Status, 1);
    const TRun same = RunCli(Dir, {"--ignore-case", "--ignore-blanks", Dir / "c/x.pbl", "--objects",
                                   "--", Dir / "d/x.pbl"});
    EXPECT_EQ(same.Status, 0);
    EXPECT_EQ(same.Out.substr(0, same.Out.find('\t')), "相同");
    EXPECT_EQ(std::count(same.Out.begin(), same.Out.end(), '\n'), 1) << "objects only under 更改";
}

TEST_F(CompareCliTest, UsageAndReadErrorsExitWithTwo) {
    TRun run = RunCli(Dir, {Dir / "a/lib1.pbl", Dir / "b/lib1.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("\"--\""), std::string::npos) << run.Err;
    run = RunCli(Dir, {Dir / "a/lib1.txt", "--"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("lib1.txt"), std::string::npos) << run.Err;
    run = RunCli(Dir, {"--bogus", "--"});
    EXPECT_EQ(run.Status, 2);
    run = RunCli(Dir, {"--", Dir / "b/none.pbw"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("none.pbw"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
}

TEST_F(CompareCliTest, EmptySidesAreNoErrorButAMissingOrUnreadableSideIs) {
    TRun run = RunCli(Dir, {"--"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "");
    // A typo on the command line must not pass as a library that one side lacks.
    run = RunCli(Dir, {Dir / "a/none.pbl", "--", Dir / "b/new.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "tandrel-cli: \"" + Dir.Path() + "a/none.pbl\" does not exist\n");
    run = RunCli(Dir, {"nope.pbl", "--", "nope2.pbl"});
    EXPECT_EQ(run.Status, 2);
    // A folder is a library only when it is named like one or holds exported sources.
    std::filesystem::create_directories(Dir / "dir");
    run = RunCli(Dir, {Dir / "dir", "--"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("dir"), std::string::npos) << run.Err;
    std::filesystem::create_directories(Dir / "dir.pbl");
    run = RunCli(Dir, {Dir / "dir.pbl", "--"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    // Letter case is looked past, as for the libraries of a target.
    run = RunCli(Dir, {Dir / "b/NEW.PBL", "--", Dir / "b/new.pbl"});
    EXPECT_EQ(run.Status, 0) << run.Err;
}

TEST_F(CompareCliTest, ControlCharactersInNamesAreEscaped) {
    const std::string src = "forward\r\nend forward\r\n";
    WriteLib(Dir / "c/x\tlib.pbl", {Obj("w_\t1\n.srw", src), Obj("w_\\\r\x01.srw", src)});
    WriteLib(Dir / "d/x\tlib.pbl",
             {Obj("w_\t1\n.srw", src + "x\r\n", kStamp + 1), Obj("w_\\\r\x01.srw", src)},
             PblForm::Ansi, kFileTime + 2);
    const TRun run = RunCli(Dir, {"--objects", Dir / "c/x\tlib.pbl", "--", Dir / "d/x\tlib.pbl"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out,
              "更改\tx\\tlib.pbl\t2020-09-13 12:26:40\t" +
                  std::to_string(std::filesystem::file_size(Dir / "c/x\tlib.pbl")) +
                  "\t2020-09-13 12:26:42\t" +
                  std::to_string(std::filesystem::file_size(Dir / "d/x\tlib.pbl")) +
                  "\n"
                  "\t更改\tw\tw_\\t1\\n\t2023-11-14 22:13:20\t22\t2023-11-14 22:13:21\t25\n"
                  "\t相同\tw\tw_\\\\\\r\\x01\t2023-11-14 22:13:20\t22\t2023-11-14 22:13:20\t22\n");
}

TEST_F(CompareCliTest, DamageIsToldAfterTheListingAndExitsWithTwo) {
    PblWriter writer(PblForm::Unicode);
    writer.Add(Obj("w_a.srw", "a\r\n")).Add(Obj("w_b.srw", "b\r\n"));
    PblImage lib = writer.Build();
    lib.SetDataOffset(1, lib.Layout.Blocks[0][0]);
    std::filesystem::create_directories(Dir / "e");
    lib.WriteFile(Dir / "e/lib.pbl");
    WriteLib(Dir / "f/lib.pbl", {Obj("w_a.srw", "a\r\n"), Obj("w_b.srw", "b\r\n")});
    const TRun run = RunCli(Dir, {"--objects", Dir / "e/lib.pbl", "--", Dir / "f/lib.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\t')), "更改");
    EXPECT_EQ(run.Err, Dir / "e/lib.pbl" + ": damaged at offset " +
                           std::to_string(lib.Layout.Entries[1] + 12) + " (data block " +
                           std::to_string(lib.Layout.Blocks[0][0]) +
                           " already used by a chain); the listing is incomplete\n");
}

} // namespace
} // namespace tandrel::test
