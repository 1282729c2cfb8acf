// The program's own files: where they live, the history lists, and atomic writing.

#include "AtomicFile.h"
#include "CompareTestUtil.h"
#include "ExeDir.h"
#include "HistoryList.h"
#include "OwnFile.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel::test {
namespace {

TEST(ExeDir, TheProgramFolderInsideTheBuildTreeElseTheUserConfigFolder) {
    TTempDir dir;
    const std::string tree = dir.Path() + "build";
    const std::string program = tree + "/app";
    std::filesystem::create_directories(program);
    EXPECT_EQ(ChooseExeDir(program, tree, "/cfg", "/home/u"), program + "/");
    EXPECT_EQ(ChooseExeDir(tree, tree + "/", "/cfg", "/home/u"), tree + "/");
    std::filesystem::create_symlink(tree, dir / "linked");
    EXPECT_EQ(ChooseExeDir(dir / "linked/app", tree, "/cfg", "/home/u"), dir / "linked/app/");
    // An installed copy: even a folder the user may write (as root: /usr/bin) is not used.
    const std::string installed = dir.Path() + "bin";
    std::filesystem::create_directories(installed);
    EXPECT_EQ(ChooseExeDir(installed, tree, "/cfg", "/home/u"), "/cfg/tandrel/");
    EXPECT_EQ(ChooseExeDir(dir.Path() + "build2", tree, "/cfg", "/home/u"), "/cfg/tandrel/");
    EXPECT_EQ(ChooseExeDir("/usr/bin", "", "/cfg", "/home/u"), "/cfg/tandrel/");
    const std::string gone = tree + "/gone";
    EXPECT_EQ(ChooseExeDir(gone, tree, "/cfg", "/home/u"), "/cfg/tandrel/");
    EXPECT_EQ(ChooseExeDir(gone, tree, "/cfg/", "/home/u"), "/cfg/tandrel/");
    EXPECT_EQ(ChooseExeDir(gone, tree, nullptr, "/home/u"), "/home/u/.config/tandrel/");
    EXPECT_EQ(ChooseExeDir(gone, tree, "relative", "/home/u"), "/home/u/.config/tandrel/")
        << "a relative XDG_CONFIG_HOME is ignored";
    EXPECT_EQ(ChooseExeDir("", "", "", "/home/u/"), "/home/u/.config/tandrel/");
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

TEST(WriteFileAtomic, WritesThroughLinksAndKeepsModeAndOwner) {
    namespace fs = std::filesystem;
    TTempDir dir;
    // A relative link, an absolute link to that link, and a link to a file not yet there.
    WriteText(dir / "data/real.txt", "old");
    fs::create_symlink("data/real.txt", dir / "link.txt");
    fs::create_directories(dir / "other");
    fs::create_symlink(dir / "link.txt", dir / "other/chain.txt");
    fs::create_symlink("missing.txt", dir / "data/dangling.txt");
    WriteFileAtomic(dir / "other/chain.txt", "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_TRUE(fs::is_symlink(dir / "other/chain.txt"));
    EXPECT_EQ(ReadText(dir / "data/real.txt"), "new");
    WriteFileAtomic(dir / "data/dangling.txt", "made");
    EXPECT_TRUE(fs::is_symlink(dir / "data/dangling.txt"));
    EXPECT_EQ(ReadText(dir / "data/missing.txt"), "made");
    fs::create_symlink("loop.txt", dir / "loop.txt");
    EXPECT_THROW(WriteFileAtomic(dir / "loop.txt", "x"), std::runtime_error);

    for (const fs::perms mode : {fs::perms(0640), fs::perms(0600), fs::perms(0755)}) {
        fs::permissions(dir / "data/real.txt", mode);
        WriteFileAtomic(dir / "data/real.txt", "again");
        EXPECT_EQ(fs::status(dir / "data/real.txt").permissions(), mode);
    }
    const mode_t mask = ::umask(022);
    WriteFileAtomic(dir / "fresh.txt", "x");
    ::umask(mask);
    EXPECT_EQ(fs::status(dir / "fresh.txt").permissions(), fs::perms(0644));

    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((dir / "data/real.txt").c_str(), 1234, 5678), 0);
        WriteFileAtomic(dir / "data/real.txt", "owned");
        struct stat info {};
        ASSERT_EQ(::stat((dir / "data/real.txt").c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 1234u);
        EXPECT_EQ(info.st_gid, 5678u);
    }
}

TEST(WriteFileAtomic, NeverReplacesAFifoOrAFolder) {
    namespace fs = std::filesystem;
    TTempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("fifo", dir / "to-fifo");
    for (const std::string name : {"fifo", "to-fifo"}) {
        try {
            WriteFileAtomic(dir / name, "x");
            ADD_FAILURE() << name << " replaced";
        } catch (const TWriteError& e) {
            EXPECT_EQ(e.Reason(), "It is not a regular file");
        }
    }
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
    fs::create_directories(dir / "folder");
    try {
        WriteFileAtomic(dir / "folder", "x");
        ADD_FAILURE() << "folder replaced";
    } catch (const TWriteError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot write file \"" + (dir / "folder") + "\". It is a folder");
    }
}

TEST(WriteFileAtomic, AnyNameTheFileSystemTakes) {
    TTempDir dir;
    const std::string name = std::string(246, 'n') + ".txt";
    ASSERT_EQ(name.size(), 250u);
    WriteFileAtomic(dir / name, "long");
    EXPECT_EQ(ReadText(dir / name), "long");
    WriteFileAtomic(dir / name, "longer");
    EXPECT_EQ(ReadText(dir / name), "longer");
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

TEST(HistoryList, SeveralOpenedAtOnceComeFirstInTheirOrderEachOnce) {
    TTempDir dir;
    WriteText(dir / "File1.lst", "/p/a.pbl\r\n/p/b.pbl\r\n/p/c.pbl\r\n");
    THistoryList history(dir / "File1.lst");
    history.Load();
    history.Remember(std::vector<std::string>{"/p/C.pbl", "/p/new.pbw", "/p/c.pbl", "/p/a.pbl"});
    EXPECT_EQ(ReadText(dir / "File1.lst"), "/p/C.pbl\r\n/p/new.pbw\r\n/p/a.pbl\r\n/p/b.pbl\r\n");
    history.Remember(std::vector<std::string>{});
    EXPECT_EQ(history.Items().size(), 4u);
}

TEST(HistoryList, PathsComeBackByteForByteAfterARestart) {
    TTempDir dir;
    // A name the code page cannot spell (Thai), one in GBK bytes as Windows left it, and the
    // line an earlier version wrote in the code page for a UTF-8 name.
    const std::string thai = dir / "\xE0\xB8\x81"
                                   "a.pbl";
    const std::string gbkBytes = dir / "\xD6\xD0.pbl";
    const std::string utf8Name = dir / "\xE6\x96\x87.pbl";
    WriteText(gbkBytes, "x");
    WriteText(utf8Name, "x");
    THistoryList history(dir / "File1.lst");
    history.Remember(gbkBytes);
    history.Remember(thai);
    EXPECT_EQ(ReadText(dir / "File1.lst"), thai + "\r\n" + gbkBytes + "\r\n");
    WriteText(dir / "File1.lst", ReadText(dir / "File1.lst") + dir / "\xCE\xC4.pbl\r\n");

    THistoryList restarted(dir / "File1.lst");
    restarted.Load();
    EXPECT_EQ(restarted.Items(), (std::vector<std::string>{thai, gbkBytes, utf8Name}));
    restarted.Remember(dir / "\xE0\xB8\x82"
                             "a.pbl");
    EXPECT_EQ(restarted.Items().size(), 4u) << "names that differ in a character differ";
}

TEST(HistoryList, AnythingButASmallRegularFileIsReportedOnceAndLeftAlone) {
    namespace fs = std::filesystem;
    TTempDir dir;
    const auto refused = [](const std::string& path, const std::string& reason) {
        THistoryList history(path);
        try {
            history.Load();
            ADD_FAILURE() << path << " was read";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot read \"" + path + "\": " + reason +
                                                 ". The history starts empty and the file is "
                                                 "left alone");
        }
        EXPECT_TRUE(history.Items().empty());
        EXPECT_NO_THROW(history.Remember("/p/a.pbl")) << "no second report";
        EXPECT_EQ(history.Items(), std::vector<std::string>{"/p/a.pbl"});
    };
    ASSERT_EQ(::mkfifo((dir / "fifo.lst").c_str(), 0600), 0);
    refused(dir / "fifo.lst", "it is not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.lst"));
    fs::create_symlink("/dev/zero", dir / "zero.lst");
    refused(dir / "zero.lst", "it is not a regular file");
    fs::create_directories(dir / "folder.lst");
    refused(dir / "folder.lst", "it is a folder");
    const std::string big(kOwnFileLimit + 1, 'x');
    WriteText(dir / "big.lst", big);
    refused(dir / "big.lst", "it is larger than 1024 KB, far more than the program writes there");
    EXPECT_EQ(fs::file_size(dir / "big.lst"), big.size());
    WriteText(dir / "limit.lst", std::string(kOwnFileLimit - 2, 'x') + "\r\n");
    THistoryList atTheLimit(dir / "limit.lst");
    atTheLimit.Load();
    EXPECT_EQ(atTheLimit.Items().size(), 1u);
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
