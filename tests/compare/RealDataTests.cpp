// The two real versions of one class library, compared as a user would: workspace against
// workspace. The exported sources that PowerBuilder wrote beside the libraries are the
// independent check of every object status.

#include "CodePage.h"
#include "CompareTestUtil.h"
#include "RealData.h"
#include "RealMatches.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sys/wait.h>

namespace tandrel::test {
namespace {

const std::string RealData = TANDREL_REALDATA_DIR;

// (library file name, object name), both in small letters -> exported file.
using TExports = std::map<std::pair<std::string, std::string>, std::string>;

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

TExports LoadMatches(const std::string& corpus) {
    TExports exports;
    for (TRealMatch& match : ReadRealMatches(RealData, corpus))
        exports[{Lower(match.Lib.substr(match.Lib.find_last_of('/') + 1)), Lower(match.Name)}] =
            std::move(match.Exported);
    return exports;
}

// An exported file as the lines the library reader rebuilds (the corpus README's rules).
std::vector<std::string> ExportLines(const std::string& path) {
    std::string text = ReadText(path);
    const CodePage& cp = SystemCodePage();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text = cp.FromUtf8(text.substr(3));
    } else if (text.rfind("\xFF\xFE", 0) == 0) {
        std::u16string wide;
        for (size_t i = 2; i + 1 < text.size(); i += 2)
            wide += static_cast<char16_t>(static_cast<unsigned char>(text[i]) |
                                          static_cast<unsigned char>(text[i + 1]) << 8);
        text = cp.FromUtf16(wide.data(), wide.size());
    }
    if (text.rfind("HA$PBExportHeader$", 0) == 0)
        text.erase(0, 2);
    std::vector<std::string> lines;
    SplitLines(text, lines);
    return lines;
}

std::vector<std::string> WithoutBlankLines(std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& l) {
        return std::all_of(l.begin(), l.end(),
                           [](char c) { return static_cast<unsigned char>(c) <= 32; });
    });
    return lines;
}

class RealDataCompare : public ::testing::Test {
protected:
    void SetUp() override {
        TANDREL_REQUIRE_REALDATA(RealData + "/pfc105/PFC.pbw", RealData + "/pfc2022/PFC.pbw");
        Model.OnNotice = [this](const std::string& text, const std::string&) {
            Notices.push_back(text);
        };
        Model.SetFilterKind(fkWorkspace);
        Model.AddLibraries({RealData + "/pfc105/PFC.pbw"}, 1, {});
        Model.AddLibraries({RealData + "/pfc2022/PFC.pbw"}, 2, {});
    }
    TLibCompare Model{""};
    std::vector<std::string> Notices;
};

TEST_F(RealDataCompare, MissingLibrariesAreReportedAndTheRestPair) {
    const std::string suffix = " does not exist";
    std::set<std::string> missing;
    for (const std::string& notice : Notices) {
        if (notice.size() > suffix.size() && notice.ends_with(suffix)) {
            const std::string path = notice.substr(0, notice.size() - suffix.size());
            EXPECT_FALSE(std::filesystem::exists(path)) << path;
            missing.insert(Lower(path.substr(path.find_last_of('/') + 1)));
        } else {
            EXPECT_TRUE(notice.ends_with(" already in Destination")) << notice;
        }
    }
    EXPECT_EQ(missing, (std::set<std::string>{"pfcapsrv.pbl", "pfcdwsrv.pbl", "pfcmain.pbl"}));
    // pfcapp.pbl has the same size on both sides and, checked out together, nearly the same
    // time; its bytes differ and so does one of its objects.
    EXPECT_EQ(CountsText(Model.LibCounts()), "19/18 +0 -1 ~17");
    TResultRow row;
    for (int i = 0; Model.LibRow(i, row); ++i) {
        EXPECT_EQ(row.Status == csDeleted, row.Name == "pfcmsg.pbl") << row.Name;
        if (row.Name == "pfcapp.pbl") {
            EXPECT_EQ(row.Status, csChanged);
        }
        EXPECT_EQ(row.Size1.empty(), row.Status == csAdded);
        EXPECT_EQ(row.Size2.empty(), row.Status == csDeleted);
    }
}

TEST_F(RealDataCompare, ObjectStatusesAgreeWithTheExportedSources) {
    const TExports exports1 = LoadMatches("pfc105"), exports2 = LoadMatches("pfc2022");
    int checkedSame = 0, checkedChanged = 0;
    TResultRow lib, obj;
    for (int i = 0; Model.LibRow(i, lib); ++i) {
        if (lib.Status == csAdded || lib.Status == csDeleted)
            continue;
        ASSERT_TRUE(Model.OpenLibPair(i, {}));
        bool anyChanged = false;
        for (int k = 0; Model.ObjRow(k, obj); ++k) {
            anyChanged = anyChanged || obj.Status != csSame;
            if (obj.Status != csSame && obj.Status != csChanged)
                continue;
            const std::string name = Lower(Model.Objs1()[static_cast<size_t>(k)].Object->Name);
            const auto e1 = exports1.find({Lower(lib.Name), name});
            const auto e2 = exports2.find({Lower(lib.Name), name});
            if (e1 == exports1.end() || e2 == exports2.end())
                continue;
            const std::vector<std::string> lines1 = ExportLines(e1->second);
            const std::vector<std::string> lines2 = ExportLines(e2->second);
            if (obj.Status == csSame) {
                EXPECT_EQ(WithoutBlankLines(lines1), WithoutBlankLines(lines2))
                    << lib.Name << " " << name;
                ++checkedSame;
            } else {
                EXPECT_NE(lines1, lines2) << lib.Name << " " << name;
                ++checkedChanged;
            }
        }
        // Equal size and time decide a library pair without opening it, however its objects
        // compare; the corpus files all carry the time they were copied.
        if (lib.Size1 != lib.Size2 || lib.Time1 != lib.Time2) {
            EXPECT_EQ(anyChanged, lib.Status == csChanged) << lib.Name;
        }
    }
    EXPECT_GT(checkedSame, 300);
    EXPECT_GT(checkedChanged, 100);
}

// The command line program prints what the model holds, with and without --objects.
TEST_F(RealDataCompare, TheCommandLineListsTheModelsRows) {
    std::string expected, expectedObjects;
    TResultRow lib, obj;
    const CodePage& cp = SystemCodePage();
    for (int i = 0; Model.LibRow(i, lib); ++i) {
        const std::string line = std::string(StatusNames[lib.Status]) + "\t" + cp.ToUtf8(lib.Name) +
                                 "\t" + lib.Time1 + "\t" + lib.Size1 + "\t" + lib.Time2 + "\t" +
                                 lib.Size2 + "\n";
        expected += line;
        expectedObjects += line;
        if (lib.Status != csChanged)
            continue;
        ASSERT_TRUE(Model.OpenLibPair(i, {}));
        for (const int k : Model.ObjViewOrder()) {
            ASSERT_TRUE(Model.ObjRow(k, obj));
            expectedObjects += "\t" + std::string(StatusNames[obj.Status]) + "\t" + obj.TypeLetter +
                               "\t" + cp.ToUtf8(obj.Name) + "\t" + obj.Time1 + "\t" + obj.Size1 +
                               "\t" + obj.Time2 + "\t" + obj.Size2 + "\n";
        }
    }
    for (const bool objects : {false, true}) {
        const std::string command =
            "'" + std::string(TANDREL_CLI_PATH) + "' compare " + (objects ? "--objects " : "") +
            "'" + RealData + "/pfc105/PFC.pbw' -- '" + RealData + "/pfc2022/PFC.pbw' 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        const int status = ::pclose(pipe);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(out, objects ? expectedObjects : expected);
    }
}

} // namespace
} // namespace tandrel::test
