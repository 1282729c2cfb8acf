// Folders of exported sources taken as libraries: pairing with library files by key, the
// folder and the library of the same objects agreeing object by object, the encodings a
// source file comes in, and what the folder's row and notices say.

#include "CodePage.h"
#include "CompareTestUtil.h"
#include "SourceFolder.h"

#include <filesystem>

namespace tandrel::test {
namespace {

const std::string Header = "$PBExportHeader$";
// "中文" in the code page and in UTF-8.
const std::string Chinese = "\xD6\xD0\xCE\xC4";
const std::string ChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

PblObject Obj(const std::string& name, const std::string& source, const std::string& comment = "") {
    return PblObject{name, source, comment, kStamp};
}

// The file PowerBuilder exports for an object: header line, comments line, source.
std::string Export(const std::string& name, const std::string& source,
                   const std::string& comment = "") {
    std::string text = Header + name + "\r\n";
    if (!comment.empty())
        text += "$PBExportComments$" + comment + "\r\n";
    return text + source;
}

std::string Utf16Le(const std::string& codePageText) {
    const std::u16string wide = SystemCodePage().ToUtf16(codePageText);
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

class SourceFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Model.OnNotice = [this](const std::string& text, const std::string& caption) {
            Notices += caption + ": " + text + "\n";
        };
    }

    void AddPaths(const std::vector<std::string>& paths, int side) {
        Model.AddLibraryPaths(paths, std::string(), side, {});
    }

    // "status key size1 size2" per library row.
    std::string LibRows() const { return LibRowsText(Model); }

    // "status letter name" per object row of the first library pair.
    std::string ObjRows() {
        if (!Model.OpenLibPair(0, {}))
            return "no pair";
        return ObjRowsText(Model);
    }

    TTempDir Dir;
    TLibCompare Model{std::string()};
    std::string Notices;
};

TEST_F(SourceFolderTest, LibraryAndFolderOfItsExportsAreTheSame) {
    WriteLib(Dir / "lib/app.pbl",
             {Obj("w_main.srw", "forward\r\nend forward\r\n", "main window"),
              Obj("n_calc.sru", "global type n_calc from nonvisualobject\r\nend type\r\n"),
              Obj("d_list.srd", "release 10;\r\n")});
    WriteText(Dir / "app/app/w_main.srw",
              Export("w_main.srw", "forward\r\nend forward\r\n", "main window"));
    WriteText(Dir / "app/app/n_calc.sru",
              Export("n_calc.sru", "global type n_calc from nonvisualobject\r\nend type\r\n"));
    WriteText(Dir / "app/app/d_list.srd", Export("d_list.srd", "release 10;\r\n"));
    // Neither a sub-folder nor a file of another kind is an object.
    std::filesystem::create_directories(Dir / "app/app/w_sub.srw");
    WriteText(Dir / "app/app/notes.txt", "not a source");

    AddPaths({Dir / "lib/app.pbl"}, 1);
    AddPaths({Dir / "app/app"}, 2);
    const int64_t folderSize = static_cast<int64_t>(ReadText(Dir / "app/app/w_main.srw").size() +
                                                    ReadText(Dir / "app/app/n_calc.sru").size() +
                                                    ReadText(Dir / "app/app/d_list.srd").size());
    TResultRow row;
    ASSERT_TRUE(Model.LibRow(0, row));
    EXPECT_EQ(row.Key, "app.pbl");
    EXPECT_EQ(row.Status, csSame);
    EXPECT_EQ(row.Size2, std::to_string(folderSize));
    EXPECT_EQ(row.Path2, Dir / "app/app");
    EXPECT_EQ(ObjRows(), "0 d d_list\n0 u n_calc\n0 w w_main\n");
    EXPECT_TRUE(Model.LibIsFolder(2));
    EXPECT_FALSE(Model.LibIsFolder(1));

    // The source view reads the file's lines, header lines included.
    std::vector<std::string> lines;
    const std::vector<int> order = Model.ObjViewOrder();
    ASSERT_TRUE(Model.ObjSource(order[2], 2, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"$PBExportHeader$w_main.srw",
                                               "$PBExportComments$main window", "forward",
                                               "end forward"}));
    EXPECT_EQ(Notices, "");
}

TEST_F(SourceFolderTest, ChangedAddedAndDeletedSourcesAndAFolderChangedOnDisk) {
    WriteLib(Dir / "app.pbl", {Obj("w_a.srw", "a\r\n"), Obj("w_b.srw", "b\r\n")});
    WriteText(Dir / "two/app.pbl/w_a.srw", Export("w_a.srw", "a changed\r\n"));
    WriteText(Dir / "two/app.pbl/w_c.srw", Export("w_c.srw", "c\r\n"));
    AddPaths({Dir / "app.pbl"}, 1);
    AddPaths({Dir / "two/app.pbl"}, 2);
    EXPECT_EQ(LibRows().substr(0, 10), "3 app.pbl ");
    EXPECT_EQ(ObjRows(), "3 w w_a\n2 w w_b\n1 w w_c\n");

    // A source changed after the listing makes the listed texts stale, as a library does.
    WriteText(Dir / "two/app.pbl/w_c.srw", Export("w_c.srw", "c, longer now\r\n"));
    std::vector<std::string> lines;
    EXPECT_THROW(Model.ObjSource(2, 2, lines), TLibraryChanged);
    Model.ReloadLibPair({});
    ASSERT_TRUE(Model.ObjSource(2, 2, lines));
    EXPECT_EQ(lines.back(), "c, longer now");
}

TEST_F(SourceFolderTest, PairingByKeyAndWhichNameWins) {
    WriteLib(Dir / "one/app.pbl", {Obj("w_a.srw", "a\r\n")});
    WriteLib(Dir / "two/app.pbl", {Obj("w_a.srw", "from the file\r\n")});
    WriteText(Dir / "two/app/w_a.srw", Export("w_a.srw", "a\r\n"));
    WriteText(Dir / "two/APP.PBL.d/w_a.srw", Export("w_a.srw", "a\r\n"));
    AddPaths({Dir / "one/app.pbl"}, 1);
    // The folder "app" stands for "app.pbl", but the file of that very name wins, whichever
    // comes first; the folder is named in a notice.
    AddPaths({Dir / "two/app", Dir / "two/app.pbl"}, 2);
    TResultRow row;
    ASSERT_TRUE(Model.LibRow(0, row));
    EXPECT_EQ(row.Path2, Dir / "two/app.pbl");
    EXPECT_EQ(row.Status, csChanged);
    EXPECT_EQ(Notices, "information: " + Dir / "two/app" +
                           " is left out: app.pbl is already on "
                           "this side\n");
    EXPECT_EQ(Model.LibPairCount(), 1);

    // Alone, the folder pairs with the file, and its key keeps the ".pbl" once.
    Model.ClearSide(2, {});
    Notices.clear();
    AddPaths({Dir / "two/app"}, 2);
    EXPECT_EQ(LibRows().substr(0, 10), "0 app.pbl ");
    std::filesystem::rename(Dir / "two/app", Dir / "two/App.pbl");
    Model.ClearSide(2, {});
    AddPaths({Dir / "two/App.pbl"}, 2);
    EXPECT_EQ(Model.LibPairCount(), 1);
    EXPECT_EQ(LibRows().substr(0, 2), "0 ");
    std::filesystem::rename(Dir / "two/App.pbl", Dir / "two/app.PBL.src");
    Model.ClearSide(2, {});
    AddPaths({Dir / "two/app.PBL.src"}, 2);
    EXPECT_EQ(LibRows().substr(0, 10), "0 app.pbl ");

    // A folder that holds no source and is not named like a library is no library; an
    // empty folder named like one is a library without objects.
    std::filesystem::create_directories(Dir / "three/empty");
    std::filesystem::create_directories(Dir / "three/app.pbl");
    Model.ClearSide(2, {});
    Notices.clear();
    AddPaths({Dir / "three/empty", Dir / "three/app.pbl"}, 2);
    EXPECT_EQ(Notices,
              "information: " + Dir / "three/empty" + " is a folder without exported sources\n");
    EXPECT_EQ(LibRows(), "3 app.pbl " +
                             std::to_string(std::filesystem::file_size(Dir / "one/app.pbl")) +
                             " 0\n");
}

TEST_F(SourceFolderTest, EncodingsOfSourceFiles) {
    const std::string source = "string s = \"" + Chinese + "\"\r\n";
    WriteLib(Dir / "app.pbl",
             {Obj("w_gbk.srw", source), Obj("w_u16.srw", source), Obj("w_u8bom.srw", source),
              Obj("w_u8.srw", source), Obj("w_ha.srw", source), Obj("w_lost.srw", source)});
    const std::string utf8 = "string s = \"" + ChineseUtf8 + "\"\r\n";
    WriteText(Dir / "app/w_gbk.srw", Export("w_gbk.srw", source));
    WriteText(Dir / "app/w_u16.srw", Utf16Le(Export("w_u16.srw", source)));
    WriteText(Dir / "app/w_u8bom.srw", "\xEF\xBB\xBF" + Header + "w_u8bom.srw\r\n" + utf8);
    WriteText(Dir / "app/w_u8.srw", Header + "w_u8.srw\r\n" + utf8);
    WriteText(Dir / "app/w_ha.srw", "HA" + Export("w_ha.srw", source));
    // A character the code page lacks is reported, and the object differs.
    WriteText(Dir / "app/W_LOST.SRW",
              "\xEF\xBB\xBF" + Header + "w_lost.srw\r\nstring s = \"\xF0\x9F\x98\x80\"\r\n");
    AddPaths({Dir / "app.pbl"}, 1);
    AddPaths({Dir / "app"}, 2);
    EXPECT_EQ(ObjRows(), "0 w w_gbk\n0 w w_ha\n3 w w_lost\n0 w w_u16\n0 w w_u8\n0 w w_u8bom\n");
    EXPECT_EQ(Notices, "information: " + Dir / "app/W_LOST.SRW" +
                           ": characters the code page cannot hold are shown as \"?\"\n");
}

TEST_F(SourceFolderTest, DecodingKeepsWhatIsNotAMarkedEncoding) {
    // Code page bytes that are no UTF-8 stay as they are; "HA" is dropped only before the
    // header; an odd UTF-16 byte count is lossy.
    EXPECT_EQ(DecodeSourceBytes(Chinese).Text, Chinese);
    EXPECT_EQ(DecodeSourceBytes("HAHA").Text, "HAHA");
    EXPECT_EQ(DecodeSourceBytes("HA" + Header + "x").Text, Header + "x");
    EXPECT_FALSE(DecodeSourceBytes(Chinese).Lossy);
    EXPECT_TRUE(DecodeSourceBytes(std::string("\xFF\xFE"
                                              "a\0b",
                                              5))
                    .Lossy);
    EXPECT_EQ(DecodeSourceBytes(std::string("\xFF\xFE"
                                            "a\0b",
                                            5))
                  .Text,
              "a");
}

TEST_F(SourceFolderTest, CliComparesFoldersWithLibraries) {
    WriteLib(Dir / "lib/app.pbl", {Obj("w_a.srw", "a\r\n")});
    WriteText(Dir / "app/app.pbl/w_a.srw", Export("w_a.srw", "a\r\n"));
    TCliRun run = RunCliArgs(Dir, {"compare", Dir / "lib/app.pbl", "--", Dir / "app/app.pbl/"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\t', 8)), "相同\tapp.pbl");

    WriteText(Dir / "app/app.pbl/w_a.srw", Export("w_a.srw", "b\r\n"));
    run = RunCliArgs(Dir, {"compare", "--objects", Dir / "app/app.pbl", "--", Dir / "lib/app.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Out.find("\t更改\tw\tw_a\t"), std::string::npos) << run.Out;
}

} // namespace
} // namespace tandrel::test
