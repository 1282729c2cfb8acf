// Libraries written by PowerBuilder itself, against the sources it exported beside them.
// Skipped when the folder of real data is absent, except in CI.

#include "CodePage.h"
#include "PbFuncs.h"
#include "RealData.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

const fs::path kRealData = TANDREL_REALDATA_DIR;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The exported file's lines in the code page: a byte-order mark names UTF-8 or UTF-16LE,
// a leading "HA" before the header prefix is dropped.
Strings ExportedLines(const fs::path& path) {
    std::string bytes = ReadBytes(path);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        bytes = SystemCodePage().FromUtf8(std::string_view(bytes).substr(3));
    } else if (bytes.rfind("\xFF\xFE", 0) == 0) {
        std::u16string text((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                            (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        bytes = SystemCodePage().FromUtf16(text.data(), text.size());
    }
    if (bytes.rfind("HA$PBExportHeader$", 0) == 0)
        bytes.erase(0, 2);
    Strings lines;
    SplitLines(bytes, lines);
    return lines;
}

struct OpenLibrary {
    std::unique_ptr<TFileStream> Stream;
    TEntryList Entries;
};

class RealData : public ::testing::Test {
protected:
    void SetUp() override { TANDREL_REQUIRE_REALDATA(kRealData); }

    static size_t SourceEntriesIn(const fs::path& corpus, size_t& libraries) {
        size_t count = 0;
        libraries = 0;
        for (const auto& item : fs::recursive_directory_iterator(corpus)) {
            if (item.path().extension() != ".pbl")
                continue;
            TFileStream stream(item.path().string());
            TEntryList entries;
            TPblDamage damage;
            GetPblEntries(stream, entries, &damage);
            EXPECT_FALSE(damage.Found()) << item.path() << ": " << DamageText(damage);
            count += entries.size();
            ++libraries;
        }
        return count;
    }

    // Compares every object of a match list; returns how many matched.
    static size_t CheckMatches(const std::string& corpus) {
        std::ifstream list(kRealData / (corpus + ".matches.tsv"));
        std::map<std::string, OpenLibrary> libraries;
        std::string row;
        size_t matched = 0;
        while (std::getline(list, row)) {
            std::istringstream fields(row);
            std::string library;
            std::string object;
            std::string exported;
            std::getline(fields, library, '\t');
            std::getline(fields, object, '\t');
            std::getline(fields, exported);
            OpenLibrary& lib = libraries[library];
            if (!lib.Stream) {
                lib.Stream = std::make_unique<TFileStream>((kRealData / corpus / library).string());
                GetPblEntries(*lib.Stream, lib.Entries);
            }
            const TPblEntry* entry = nullptr;
            for (const auto& item : lib.Entries)
                if (item.Object->Name == object)
                    entry = item.Object.get();
            if (entry == nullptr) {
                ADD_FAILURE() << library << ": " << object << " not listed";
                continue;
            }
            Strings lines;
            GetEntrySource(*lib.Stream, *entry, lines);
            const Strings expected = ExportedLines(kRealData / corpus / exported);
            EXPECT_EQ(lines, expected) << library << ": " << object;
            matched += lines == expected;
        }
        return matched;
    }
};

TEST_F(RealData, EntryCountsPerCorpus) {
    size_t libraries = 0;
    EXPECT_EQ(SourceEntriesIn(kRealData / "pfc105", libraries), 567u);
    EXPECT_EQ(libraries, 19u);
    EXPECT_EQ(SourceEntriesIn(kRealData / "pfc2022", libraries), 571u);
    EXPECT_EQ(libraries, 18u);
    EXPECT_EQ(SourceEntriesIn(kRealData / "wns", libraries), 12u);
    EXPECT_EQ(libraries, 1u);
}

TEST_F(RealData, UnicodeLibrariesRebuildTheirExports) {
    EXPECT_EQ(CheckMatches("pfc105"), 553u);
    EXPECT_EQ(CheckMatches("pfc2022"), 571u);
}

TEST_F(RealData, AnsiLibraryRebuildsItsExports) {
    EXPECT_EQ(CheckMatches("wns"), 11u);
}

TEST_F(RealData, WorkspacesResolveToTheLibrariesThereAndNameTheMissing) {
    for (const char* corpus : {"pfc105", "pfc2022"}) {
        Strings libs;
        GetWorkspaceLibs((kRealData / corpus / "PFC.pbw").string(), libs);
        ASSERT_FALSE(libs.empty()) << corpus;
        size_t present = 0;
        Strings missing;
        for (const std::string& lib : libs) {
            EXPECT_EQ(lib.find('\\'), std::string::npos) << lib;
            if (GetFolderRec(lib))
                ++present;
            else
                missing.push_back(lib);
        }
        // Every library file in the corpus is named by some target; the rest are missing.
        size_t files = 0;
        for (const auto& item : fs::recursive_directory_iterator(kRealData / corpus))
            files += item.path().extension() == ".pbl";
        std::set<std::string> distinctPresent;
        for (const std::string& lib : libs)
            if (auto rec = GetFolderRec(lib))
                distinctPresent.insert(fs::path(rec->FileName).lexically_normal().string());
        EXPECT_EQ(distinctPresent.size(), files) << corpus;
        EXPECT_FALSE(missing.empty()) << corpus;
        for (const std::string& lib : missing)
            EXPECT_TRUE(lib.find("/pfcapsrv/") != std::string::npos ||
                        lib.find("/pfcdwsrv/") != std::string::npos ||
                        lib.find("/pfcmain/") != std::string::npos)
                << lib;
    }
}

TEST_F(RealData, TargetInLowerCaseLiblistWithRelativePaths) {
    Strings libs;
    GetTargetLibs((kRealData / "wns/wnsservice/wnsservice.pbt").string(), libs);
    ASSERT_EQ(libs.size(), 1u);
    EXPECT_EQ(libs[0], (kRealData / "wns/wnsservice/wnsservice.pbl").string());
    ASSERT_NE(GetFolderRec(libs[0]), nullptr);

    libs.clear();
    GetTargetLibs((kRealData / "pfc105/examples/appexamp/PFC Examples.pbt").string(), libs);
    ASSERT_GE(libs.size(), 2u);
    EXPECT_EQ(libs[0], (kRealData / "pfc105/examples/appexamp/appexamp.pbl").string());
    EXPECT_EQ(libs[1], (kRealData / "pfc105/examples/appexamp/../appexmdw/appexmdw.pbl").string());
    EXPECT_NE(GetFolderRec(libs[1]), nullptr);
}

} // namespace
} // namespace tandrel
