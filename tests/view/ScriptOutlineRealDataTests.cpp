// The script structure of every object in the real libraries, as the reader rebuilds its
// export: each line in exactly one section, sections nested only as written, every script
// closed by its own end line and no end line swallowed; and the two versions of the class
// library paired section by section.

#include "CodePage.h"
#include "HashUnit.h"
#include "PbFuncs.h"
#include "RealData.h"
#include "ScriptPairs.h"
#include "Stream.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
const fs::path kRealData = TANDREL_REALDATA_DIR;

using Lines = std::vector<std::string>;
// Export lines by "library file name/entry name".
using Objects = std::map<std::string, Lines>;

Objects ReadObjects(const fs::path& corpus) {
    Objects objects;
    for (const auto& item : fs::recursive_directory_iterator(corpus)) {
        if (item.path().extension() != ".pbl")
            continue;
        TFileStream stream(item.path().string());
        TEntryList entries;
        GetPblEntries(stream, entries);
        for (const auto& entry : entries) {
            Lines& lines = objects[item.path().filename().string() + "/" + entry.Object->Name];
            GetEntrySource(stream, *entry.Object, lines);
        }
    }
    return objects;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string Trimmed(std::string_view line) {
    const size_t begin = line.find_first_not_of(" \t");
    if (begin == line.npos)
        return {};
    return Lower(line.substr(begin, line.find_last_not_of(" \t") + 1 - begin));
}

// The end line a section of this kind closes with.
bool ClosesKind(const std::string& line, TSectionKind kind) {
    switch (kind) {
    case TSectionKind::Forward:
        return line.starts_with("end forward");
    case TSectionKind::Type:
        return line.starts_with("end type");
    case TSectionKind::Variables:
        return line.starts_with("end variables");
    case TSectionKind::Prototypes:
        return line.starts_with("end prototypes");
    case TSectionKind::Event:
        return line.starts_with("end event");
    case TSectionKind::On:
        return line.starts_with("end on");
    case TSectionKind::Function:
        return line.starts_with("end function") || line.starts_with("end subroutine");
    case TSectionKind::Header:
        return true;
    }
    return false;
}

void CheckOutline(const Lines& lines, const TScriptOutline& outline, const std::string& where) {
    SCOPED_TRACE(where);
    const std::vector<TScriptSection>& sections = outline.Sections();
    const auto count = static_cast<int32_t>(lines.size());
    ASSERT_EQ(outline.LineCount(), count);
    int32_t nextTop = 0;
    std::vector<std::vector<int32_t>> children(sections.size());
    for (size_t k = 0; k < sections.size(); ++k) {
        const TScriptSection& s = sections[k];
        ASSERT_TRUE(s.First <= s.End && s.End <= s.Last && s.Last < count) << SectionTitle(s);
        EXPECT_TRUE(ClosesKind(Trimmed(lines[static_cast<size_t>(s.End)]), s.Kind))
            << SectionTitle(s) << " ends at line " << s.End + 1 << " unclosed";
        if (s.Parent < 0) {
            EXPECT_EQ(s.First, nextTop) << "top-level sections follow one another";
            nextTop = s.Last + 1;
            continue;
        }
        ASSERT_LT(static_cast<size_t>(s.Parent), k);
        const TScriptSection& parent = sections[static_cast<size_t>(s.Parent)];
        EXPECT_TRUE(parent.First < s.First && s.Last == s.End && s.Last < parent.End);
        children[static_cast<size_t>(s.Parent)].push_back(static_cast<int32_t>(k));
    }
    EXPECT_EQ(nextTop, count);
    for (int32_t line = 0; line < count; ++line) {
        const int32_t holder = outline.SectionAt(line);
        ASSERT_GE(holder, 0);
        const TScriptSection& s = sections[static_cast<size_t>(holder)];
        EXPECT_TRUE(s.First <= line && line <= s.Last) << line;
        for (const int32_t child : children[static_cast<size_t>(holder)])
            EXPECT_FALSE(sections[static_cast<size_t>(child)].First <= line &&
                         line <= sections[static_cast<size_t>(child)].Last)
                << "line " << line + 1 << " is in a nested section";
        // No script end is swallowed by a script that goes on past it.
        const std::string trimmed = Trimmed(lines[static_cast<size_t>(line)]);
        if (trimmed == "end event" || trimmed == "end function" || trimmed == "end on" ||
            trimmed == "end subroutine") {
            EXPECT_EQ(s.End, line) << "line " << line + 1 << " inside " << SectionTitle(s);
        }
    }
}

class ScriptOutlineRealData : public ::testing::Test {
protected:
    void SetUp() override {
        TANDREL_REQUIRE_REALDATA(kRealData / "pfc105", kRealData / "pfc2022", kRealData / "wns");
    }
};

TEST_F(ScriptOutlineRealData, EveryExportParsesAsWritten) {
    size_t objects = 0, scripts = 0;
    for (const char* corpus : {"pfc105", "pfc2022", "wns"}) {
        for (const auto& [name, lines] : ReadObjects(kRealData / corpus)) {
            const TScriptOutline outline(lines, SystemCodePage());
            CheckOutline(lines, outline, std::string(corpus) + "/" + name);
            ++objects;
            for (const TScriptSection& s : outline.Sections())
                scripts += s.Kind >= TSectionKind::Event;
            // Against itself, every section is paired and the same.
            const TScriptPairs self(lines, lines, false, false, SystemCodePage());
            ASSERT_EQ(self.Pairs().size(), outline.Sections().size()) << name;
            for (const TSectionPair& pair : self.Pairs())
                EXPECT_TRUE(pair.Status == csSame && pair.Section1 == pair.Section2) << name;
        }
    }
    EXPECT_EQ(objects, 567u + 571u + 12u);
    EXPECT_GT(scripts, 5000u);
}

// The two versions, object by object: two exports whose sections all pair up the same and
// in order are the same text, so every change is seen in some section.
TEST_F(ScriptOutlineRealData, VersionsPairSectionBySection) {
    const Objects old = ReadObjects(kRealData / "pfc105");
    const Objects current = ReadObjects(kRealData / "pfc2022");
    size_t compared = 0, differing = 0;
    for (const auto& [name, lines1] : old) {
        const auto found = current.find(name);
        if (found == current.end())
            continue;
        const Lines& lines2 = found->second;
        ++compared;
        for (const bool ignore : {false, true}) {
            const TScriptPairs pairs(lines1, lines2, ignore, ignore, SystemCodePage());
            bool allSame = true;
            int32_t last2 = -1;
            for (const TSectionPair& pair : pairs.Pairs()) {
                allSame = allSame && pair.Status == csSame && pair.Section2 > last2;
                if (pair.Section2 >= 0)
                    last2 = pair.Section2;
                EXPECT_EQ(pair.Section1 < 0, pair.Status == csAdded) << name;
                EXPECT_EQ(pair.Section2 < 0, pair.Status == csDeleted) << name;
            }
            const bool equal =
                HashLines(lines1, ignore, ignore) == HashLines(lines2, ignore, ignore);
            EXPECT_EQ(allSame, equal) << name << (ignore ? " ignoring case and blanks" : "");
            differing += !ignore && !equal;
        }
    }
    EXPECT_GT(compared, 400u);
    EXPECT_GT(differing, 100u);
}

} // namespace
} // namespace tandrel
