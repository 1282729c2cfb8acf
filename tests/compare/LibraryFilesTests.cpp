// What the library lists make of the files themselves: keys from names the code page cannot
// hold, sizes beyond 32 bits, equal size and time with different bytes, and paths that are
// not files.

#include "CompareTestUtil.h"
#include "LibKeys.h"

#include <filesystem>

namespace tandrel::test {
namespace {

const std::string Src = "forward\r\nend forward\r\n";

PblObject Obj(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
}

class LibraryFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Model.OnNotice = [this](const std::string& text, const std::string& caption) {
            Notices.push_back(caption + ": " + text);
        };
    }

    void Add(const std::vector<std::string>& paths, int side) {
        TPathLookup lookup;
        Model.AddLibraryPaths(paths, Dir.Path(), side, {}, lookup);
    }

    // "status key size1 size2" per library row, the key as the file system spells it.
    std::string LibRows() const {
        std::string out;
        TResultRow row;
        for (int i = 0; Model.LibRow(i, row); ++i)
            out += std::to_string(row.Status) + " " + row.Key + " " + row.Size1 + " " + row.Size2 +
                   "\n";
        return out;
    }

    TTempDir Dir;
    TLibCompare Model{""};
    std::vector<std::string> Notices;
};

// Thai letters, which the Chinese code page has no form for: both become "?".
const std::string Thai1 = "\xE0\xB8\x81"
                          "a.pbl";
const std::string Thai2 = "\xE0\xB8\x82"
                          "a.pbl";

TEST_F(LibraryFilesTest, NamesTheCodePageCannotHoldAreKeptApartAndPairByTheirOwnSpelling) {
    WriteLib(Dir / ("d1/" + Thai1), {Obj("w_a.srw", Src)});
    WriteLib(Dir / ("d1/" + Thai2), {Obj("w_b.srw", Src)});
    WriteLib(Dir / ("d2/" + Thai2), {Obj("w_b.srw", Src)});
    const std::string size = std::to_string(std::filesystem::file_size(Dir / ("d1/" + Thai1)));
    Add({Dir / ("d1/" + Thai1), Dir / ("d1/" + Thai2)}, 1);
    Add({Dir / ("d2/" + Thai2)}, 2);
    EXPECT_EQ(LibRows(),
              "2 " + Thai1 + " " + size + " \n0 " + Thai2 + " " + size + " " + size + "\n");
    TResultRow row;
    ASSERT_TRUE(Model.LibRow(1, row));
    EXPECT_EQ(row.Path1, Dir / ("d1/" + Thai2)) << "paired with the library of its own name";
    EXPECT_EQ(row.Name, "?a.pbl") << "the code page form is only for showing";
    EXPECT_TRUE(Notices.empty());

    // The same name added again is still a duplicate.
    Add({Dir / ("d1/" + Thai2)}, 2);
    EXPECT_EQ(Notices, std::vector<std::string>{"information: ?a.pbl already in Destination"});
}

TEST_F(LibraryFilesTest, CommandLineListsTheLibraryNamesAsTheFileSystemSpellsThem) {
    WriteLib(Dir / ("d1/" + Thai1), {Obj("w_a.srw", Src)});
    WriteLib(Dir / ("d1/" + Thai2), {Obj("w_a.srw", Src)});
    const TCliRun run =
        RunCliArgs(Dir, {"compare", Dir / ("d1/" + Thai1), Dir / ("d1/" + Thai2), "--"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Out.find("\t" + Thai1 + "\t"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("\t" + Thai2 + "\t"), std::string::npos) << run.Out;
}

TEST(LibKeys, OrderFoldsLetterCaseAndKeepsWhatTheCodePageLoses) {
    EXPECT_EQ(LibKeyOfPath("/a/b/App.pbl"), "App.pbl");
    EXPECT_EQ(LibKeyOfPath("App.pbl"), "App.pbl");
    EXPECT_EQ(CompareLibKeys("App.PBL", "aPP.pbl"), 0);
    EXPECT_LT(CompareLibKeys("a.pbl", "B.pbl"), 0);
    EXPECT_GT(CompareLibKeys("b_x.pbl", "B.pbl"), 0);
    EXPECT_NE(CompareLibKeys(Thai1, Thai2), 0);
    EXPECT_EQ(CompareLibKeys(Thai1, Thai2), -CompareLibKeys(Thai2, Thai1));
    EXPECT_NE(CompareLibKeys(Thai1, "?a.pbl"), 0) << "a real question mark is another name";
    // A name copied from Windows in code page bytes is the same key as its UTF-8 spelling.
    EXPECT_EQ(CompareLibKeys("\xD6\xD0.pbl", "\xE4\xB8\xAD.pbl"), 0);
    // Names the code page can hold keep the code page's order (GBK orders by reading).
    EXPECT_LT(CompareLibKeys("\xE5\x95\x8A.pbl", "\xE4\xB8\xAD.pbl"), 0) << "a before zhong";
}

TEST_F(LibraryFilesTest, EqualSizeAndTimeSkipTheObjectsButOnlyEqualBytesAreTheSame) {
    // No library at all, so any object work would be damage: equal bytes need none.
    const std::string junk(5000, '\x5A');
    WriteText(Dir / "d1/a.pbl", junk);
    WriteText(Dir / "d2/a.pbl", junk);
    // Same size and time, one byte apart, the objects never looked at.
    WriteText(Dir / "d1/b.pbl", junk);
    WriteText(Dir / "d2/b.pbl", junk.substr(0, 4999) + "Y");
    for (const char* path : {"d1/a.pbl", "d2/a.pbl", "d1/b.pbl", "d2/b.pbl"})
        SetFileTime(Dir / path, kFileTime);
    Add({Dir / "d1/a.pbl", Dir / "d1/b.pbl"}, 1);
    Add({Dir / "d2/a.pbl", Dir / "d2/b.pbl"}, 2);
    EXPECT_EQ(LibRows(), "0 a.pbl 5000 5000\n3 b.pbl 5000 5000\n");
    EXPECT_EQ(CountsText(Model.LibCounts()), "2/2 +0 -0 ~1");
    EXPECT_TRUE(Notices.empty()) << "nothing was read as a library";
}

TEST_F(LibraryFilesTest, AFolderNamedLikeALibraryIsOneOnEitherSide) {
    WriteLib(Dir / "lib/x.pbl", {Obj("w_a.srw", Src)});
    std::filesystem::create_directories(Dir / "dir/x.pbl");
    for (int folderSide = 1; folderSide <= 2; ++folderSide) {
        Model.ClearSide(1, {});
        Model.ClearSide(2, {});
        Add({Dir / (folderSide == 1 ? "dir/x.pbl" : "lib/x.pbl")}, 1);
        Add({Dir / (folderSide == 1 ? "lib/x.pbl" : "dir/x.pbl")}, 2);
        EXPECT_EQ(CountsText(Model.LibCounts()), "1/1 +0 -0 ~1") << folderSide;
    }
    // Through a target, as the command line reads it.
    WriteText(Dir / "t.pbt", "LibList \"dir\\\\x.pbl\";\r\n");
    const TCliRun run = RunCliArgs(Dir, {"compare", Dir / "t.pbt", "--", Dir / "lib/x.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Out << run.Err;
    const TCliRun swapped = RunCliArgs(Dir, {"compare", Dir / "lib/x.pbl", "--", Dir / "t.pbt"});
    EXPECT_EQ(swapped.Status, 1) << swapped.Out << swapped.Err;
}

TEST_F(LibraryFilesTest, SizesBeyondTwoGigabytesAreKeptWhole) {
    // Sparse files: a small library followed by nothing but holes.
    WriteLib(Dir / "d1/big.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/big.pbl", {Obj("w_a.srw", Src + "x = 1\r\n", kStamp + 1)});
    std::filesystem::resize_file(Dir / "d1/big.pbl", 3ull << 30);
    std::filesystem::resize_file(Dir / "d2/big.pbl", 4ull << 30);
    SetFileTime(Dir / "d1/big.pbl", kFileTime);
    SetFileTime(Dir / "d2/big.pbl", kFileTime);
    Add({Dir / "d1/big.pbl"}, 1);
    Add({Dir / "d2/big.pbl"}, 2);
    EXPECT_EQ(LibRows(), "3 big.pbl 3221225472 4294967296\n");

    const TCliRun run = RunCliArgs(Dir, {"compare", Dir / "d1/big.pbl", "--", Dir / "d2/big.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Out.find("\t3221225472\t"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("\t4294967296\n"), std::string::npos) << run.Out;
}

} // namespace
} // namespace tandrel::test
