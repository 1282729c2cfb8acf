// The program's own files: where they live, the history lists, and atomic writing.

#include "AtomicFile.h"
#include "CompareTestUtil.h"
#include "ExeDir.h"
#include "HistoryList.h"

#include <filesystem>

namespace tandrel::test {
namespace {

TEST(ExeDir, TheProgramFolderWhenWritableElseTheUserConfigFolder) {
    TTempDir dir;
    const std::string program = dir.Path() + "bin";
    std::filesystem::create_directories(program);
    EXPECT_EQ(ChooseExeDir(program, "/cfg", "/home/u"), program + "/");
    const std::string gone = dir.Path() + "gone";
    EXPECT_EQ(ChooseExeDir(gone, "/cfg", "/home/u"), "/cfg/tandrel/");
    EXPECT_EQ(ChooseExeDir(gone, "/cfg/", "/home/u"), "/cfg/tandrel/");
    EXPECT_EQ(ChooseExeDir(gone, nullptr, "/home/u"), "/home/u/.config/tandrel/");
    EXPECT_EQ(ChooseExeDir(gone, "relative", "/home/u"), "/home/u/.config/tandrel/")
        << "a relative XDG_CONFIG_HOME is ignored";
    EXPECT_EQ(ChooseExeDir("", "", "/home/u/"), "/home/u/.config/tandrel/");
    EXPECT_EQ(ResolveExeDir().back(), '/');
}

TEST(WriteFileAtomic, ReplacesTheFileAndLeavesNothingElseBehind) {
    TTempDir dir;
    const std::string path = dir / "new/folder/File1.lst";
    WriteFileAtomic(path, "one\r\n");
    EXPECT_EQ(ReadText(path), "one\r\n");
    WriteFileAtomic(path, "two\r\n");
    EXPECT_EQ(ReadText(path), "two\r\n");
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(dir / "new/folder"))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(WriteFileAtomic, AFailureLeavesTheTargetAsItWasAndSaysWhy) {
    TTempDir dir;
    std::filesystem::create_directories(dir / "taken/inside");
    try {
        WriteFileAtomic(dir / "taken", "x");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot write file \"" + (dir / "taken") + "\". ", 0),
                  0u)
            << e.what();
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken/inside"));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1) << "no temporary file left";
}

TEST(HistoryList, ReadsAnyLineBreakSkipsBlankLinesAndMergesPathsCaseInsensitively) {
    TTempDir dir;
    WriteText(dir / "File2.lst", "/p/A.pbl\r\n\r\n/p/b.pbl\n/p/c.pbl\r/p/d.pbl");
    THistoryList history(dir / "File2.lst");
    history.Load();
    EXPECT_EQ(history.Items(),
              (std::vector<std::string>{"/p/A.pbl", "/p/b.pbl", "/p/c.pbl", "/p/d.pbl"}));
    history.Remember("/P/c.PBL");
    EXPECT_EQ(ReadText(dir / "File2.lst"), "/P/c.PBL\r\n/p/A.pbl\r\n/p/b.pbl\r\n/p/d.pbl\r\n");
}

TEST(HistoryList, AFailedWriteKeepsTheNewOrderInMemory) {
    TTempDir dir;
    std::filesystem::create_directories(dir / "File1.lst/blocked");
    THistoryList history(dir / "File1.lst");
    EXPECT_THROW(history.Remember("/p/a.pbl"), std::runtime_error);
    EXPECT_EQ(history.Items(), std::vector<std::string>{"/p/a.pbl"});
}

} // namespace
} // namespace tandrel::test
