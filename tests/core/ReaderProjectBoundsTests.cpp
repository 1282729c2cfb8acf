// Targets and workspaces of hostile or merely huge shapes: what one command expands is
// bounded, and the folder look-ups of a command are made once.

#include "PbFuncs.h"
#include "TestFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class ProjectBounds : public test::TFolderTest {
protected:
    ProjectBounds() : TFolderTest("tandrel-bounds") {}

    // A workspace naming the target t.pbt `times` times.
    std::string WorkspaceNaming(int times) const {
        std::string text = "@begin Targets\r\n";
        for (int i = 0; i < times; ++i)
            text += " " + std::to_string(i) + " \"t.pbt\";\r\n";
        return Write("w.pbw", text + "@end;\r\n");
    }

    // The message of the error that expanding the workspace raises; empty when none does.
    static std::string ExpansionError(const std::string& workspace) {
        Strings libs;
        try {
            GetWorkspaceLibs(workspace, libs);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return {};
    }
};

// "lib00000.pbl;lib00001.pbl;..." with `count` names, in the letter case of `prefix`.
std::string LibNames(int count, const std::string& prefix = "lib",
                     const std::string& ext = ".pbl") {
    std::string text;
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "%s%05d%s;", prefix.c_str(), i, ext.c_str());
        text += name;
    }
    return text;
}

TEST_F(ProjectBounds, AWorkspaceNamingOneTargetOverAndOverStopsAtTheBounds) {
    // 1,000 libraries named 200 times: more library paths than one command takes.
    Write("t.pbt", "LibList \"" + LibNames(1000) + "\";\r\n");
    std::string error = ExpansionError(WorkspaceNaming(200));
    EXPECT_EQ(error,
              "Too many libraries at \"" + At("t.pbt") + "\": one command takes at most 100000");

    // A target of 2 MB naming one library, named 40 times: more bytes than a command reads.
    Write("t.pbt", "LibList \"a.pbl\";\r\n" + std::string(2 << 20, ' ') + "\r\n");
    error = ExpansionError(WorkspaceNaming(40));
    EXPECT_EQ(error, "Too much to read at \"" + At("t.pbt") +
                         "\": one command reads at most 64 MB of targets and workspaces");

    // A small target named 10,001 times: more files than a command reads.
    Write("t.pbt", "LibList \"a.pbl\";\r\n");
    error = ExpansionError(WorkspaceNaming(10001));
    EXPECT_EQ(error, "Too many targets and workspaces at \"" + At("t.pbt") +
                         "\": one command reads at most 10000");

    // Below the bounds the same shapes expand as before.
    Strings libs;
    GetWorkspaceLibs(WorkspaceNaming(9999), libs);
    EXPECT_EQ(libs.size(), 9999u);
    EXPECT_EQ(libs.front(), At("a.pbl"));
}

TEST_F(ProjectBounds, TheBoundsHoldForTheWholeCommandNotForEachFile) {
    Write("t.pbt", "LibList \"" + LibNames(60000) + "\";\r\n");
    TProjectExpansion expansion;
    Strings libs;
    GetTargetLibs(At("t.pbt"), libs, expansion);
    EXPECT_EQ(libs.size(), 60000u);
    EXPECT_THROW(GetTargetLibs(At("t.pbt"), libs, expansion), std::runtime_error);

    // The next command starts from nothing.
    TProjectExpansion another;
    Strings again;
    GetTargetLibs(At("t.pbt"), again, another);
    EXPECT_EQ(again.size(), 60000u);
}

TEST_F(ProjectBounds, HugeListsOfItemsAreRefusedOrEmptyWithoutGrowing) {
    // Almost 16 MB of semicolons: millions of empty items, which name nothing.
    const std::string semicolons =
        Write("semi.pbt", "LibList \"" + std::string((16 << 20) - 64, ';') + "\";\r\n");
    Strings libs;
    GetTargetLibs(semicolons, libs);
    EXPECT_EQ(libs, Strings{});

    // Eight million one-letter items: refused at the bound, not collected first.
    const std::string letters = Write("a.pbt", "LibList \"");
    std::ofstream(letters, std::ios::binary | std::ios::app) << [] {
        std::string text;
        text.reserve(16 << 20);
        for (int i = 0; i < (8 << 20) - 64; ++i)
            text += "a;";
        return text;
    }() << "\";\r\n";
    EXPECT_THROW(GetTargetLibs(letters, libs), std::runtime_error);
}

TEST_F(ProjectBounds, TenThousandLibrariesInAnotherLetterCaseAreFoundAsStoredOnDisk) {
    fs::create_directory(FRoot / "libs");
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "libs/lib%05d.pbl", i);
        std::ofstream(FRoot / name);
    }
    const std::string target =
        Write("t.pbt", "LibList \"" + LibNames(10000, "LIBS\\\\LIB", ".PBL") + "\";\r\n");
    TProjectExpansion expansion;
    Strings libs;
    GetTargetLibs(target, libs, expansion);
    ASSERT_EQ(libs.size(), 10000u);
    EXPECT_EQ(libs[42], At("LIBS/LIB00042.PBL"));
    for (size_t i = 0; i < libs.size(); ++i) {
        const auto rec = GetFolderRec(libs[i], expansion.Lookup);
        ASSERT_NE(rec, nullptr) << libs[i];
        char name[64];
        std::snprintf(name, sizeof name, "libs/lib%05zu.pbl", i);
        ASSERT_EQ(rec->FileName, At(name));
    }
}

TEST_F(ProjectBounds, PathsOfThousandsOfPartsAreFoundAsStoredOnDisk) {
    Write("a.pbl", "");
    Write("sub/b.pbl", "");
    std::string dots;
    for (int i = 0; i < 1000; ++i)
        dots += ".\\\\";
    std::string list;
    for (int i = 0; i < 1000; ++i)
        list += dots + "A.PBL;SUB\\\\" + dots + "B.pbl;" + dots + "GONE.pbl;";
    // One item far longer than any path the system takes.
    list += std::string(1 << 20, 'x');
    Strings libs;
    GetTargetLibs(Write("t.pbt", "LibList \"" + list + "\";\r\n"), libs);
    ASSERT_EQ(libs.size(), 3001u);
    std::string slashDots;
    for (int i = 0; i < 1000; ++i)
        slashDots += "./";
    TPathLookup lookup;
    for (size_t i = 0; i + 1 < libs.size(); i += 3) {
        ASSERT_EQ(lookup.Find(libs[i]), At(slashDots + "a.pbl"));
        ASSERT_EQ(lookup.Find(libs[i + 1]), At("sub/" + slashDots + "b.pbl"));
        ASSERT_EQ(lookup.Find(libs[i + 2]), std::nullopt);
    }
    EXPECT_EQ(lookup.Find(libs.back()), std::nullopt);
}

TEST_F(ProjectBounds, ALookUpListsEachFolderOnceForItsLife) {
    Write("p/One.pbl", "");
    TPathLookup lookup;
    EXPECT_EQ(lookup.Find(At("P/ONE.PBL")), At("p/One.pbl"));
    // Made after the folder was listed: this command sees it only by its exact name.
    Write("p/Two.pbl", "");
    EXPECT_EQ(lookup.Find(At("p/TWO.PBL")), std::nullopt);
    EXPECT_EQ(lookup.Find(At("p/Two.pbl")), At("p/Two.pbl"));
    EXPECT_EQ(TPathLookup().Find(At("p/TWO.PBL")), At("p/Two.pbl")) << "the next command";
    // Of several names that differ only in case, the first in byte order.
    Write("p/two.PBL", "");
    EXPECT_EQ(TPathLookup().Find(At("p/TWO.pbl")), At("p/Two.pbl"));
}

TEST_F(ProjectBounds, SpellingsOfOneFolderShareItsListing) {
    // Targets of sibling folders name their common libraries each by a path of its own.
    Write("p/One.pbl", "");
    Write("q/x.pbt", "");
    Write("r/x.pbt", "");
    TPathLookup lookup;
    EXPECT_EQ(lookup.Find(At("q/../p/ONE.PBL")), At("q/../p/One.pbl"));
    Write("p/Two.pbl", "");
    EXPECT_EQ(lookup.Find(At("r/../p/TWO.PBL")), std::nullopt) << "listed once, by the first";
    EXPECT_EQ(lookup.Find(At("r/../p/ONE.PBL")), At("r/../p/One.pbl"));
}

} // namespace
} // namespace tandrel
