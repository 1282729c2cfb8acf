// What the reviewer's models cost on the two real class library versions, against
// "tandrel-cli compare --objects" of the same workspaces, measured in the same run:
//   outline  the script structure of every object of both sets (sources already read);
//   pairs    the structures of every object pair paired and classified;
//   inline   the changed bytes of every modified row of every changed object pair, and a
//            screen of the worst rows a pane can meet (long lines that share nothing).
// The structure's goal is under a tenth of the comparison; a screen of changed rows must
// fit well inside a 16 ms frame. Each figure is the best of several rounds.
//
//     bench_outline [--rounds N] [--cli PATH] [--realdata DIR]

#include "BenchCommon.h"
#include "CodePage.h"
#include "DiffRows.h"
#include "HashUnit.h"
#include "InlineDiff.h"
#include "PbFuncs.h"
#include "ScriptPairs.h"
#include "Stream.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tandrel;
using tandrel::bench::BestSeconds;
using tandrel::bench::LibraryFiles;
using tandrel::bench::ParseRealDataOptions;
using tandrel::bench::PfcWorkspaces;
using tandrel::bench::RunQuiet;

using Lines = std::vector<std::string_view>;

// Export lines of every object of a library set by "library file name/entry name", in
// the reader's form without an allocation per line.
std::map<std::string, TEntrySource> ReadObjects(const std::vector<std::string>& files) {
    std::map<std::string, TEntrySource> objects;
    for (const std::string& file : files) {
        TFileStream stream(file);
        TEntryList entries;
        GetPblEntries(stream, entries);
        for (const auto& entry : entries)
            GetEntrySource(stream, *entry.Object,
                           objects[fs::path(file).filename().string() + "/" + entry.Object->Name]);
    }
    return objects;
}

struct TRowPair {
    std::string_view Text1, Text2;
};

// The modified rows of one object pair, as the source view would show them.
void CollectModifiedRows(const Lines& text1, const Lines& text2, std::vector<TRowPair>& rows) {
    const std::vector<int32_t> h1 = HashLines(text1, false, false);
    const std::vector<int32_t> h2 = HashLines(text2, false, false);
    TDiff diff;
    if (!diff.Execute(h1.data(), h2.data(), static_cast<int32_t>(h1.size()),
                      static_cast<int32_t>(h2.size())))
        throw std::runtime_error("diff failed");
    const TDiffRows built =
        BuildDiffRows(diff.Blocks(), text1, text2, TRowColors{0, 1, 2, 3}, true);
    for (size_t r = 0; r < built.Side1.size(); ++r)
        if (built.Side1[r].Kind == rkModified)
            rows.push_back({built.Side1[r].Text, built.Side2[r].Text});
}

} // namespace

int main(int argc, char** argv) {
    const auto [rounds, cli, realdata] =
        ParseRealDataOptions(argc, argv, TANDREL_CLI_PATH, TANDREL_REALDATA_DIR);
    const auto workspaces = PfcWorkspaces(realdata, "bench_outline");
    if (!workspaces)
        return 0;
    const std::string& ws1 = workspaces->first;
    const std::string& ws2 = workspaces->second;
    try {
        const CodePage& page = SystemCodePage();
        const auto objects1 = ReadObjects(LibraryFiles(realdata / "pfc105", "/ws_objects/"));
        const auto objects2 = ReadObjects(LibraryFiles(realdata / "pfc2022", "/ws_objects/"));
        size_t lines = 0, pairsCount = 0;
        std::vector<std::pair<const Lines*, const Lines*>> pairs;
        std::vector<TRowPair> modified;
        for (const auto& [name, source] : objects1) {
            lines += source.Lines.size();
            if (const auto found = objects2.find(name); found != objects2.end()) {
                pairs.emplace_back(&source.Lines, &found->second.Lines);
                if (source.Lines != found->second.Lines)
                    CollectModifiedRows(source.Lines, found->second.Lines, modified);
            }
        }
        for (const auto& item : objects2)
            lines += item.second.Lines.size();

        // The worst screen: 60 rows of lines as long as are looked into, random letters of
        // one small alphabet: enough in common to be searched, in no order a search likes.
        std::mt19937 random(7);
        std::vector<std::string> worst1, worst2;
        for (int r = 0; r < 60; ++r) {
            std::string a, b;
            for (size_t i = 0; i < TInlineDiffer::kMaxLineBytes; ++i) {
                a += static_cast<char>('a' + random() % 13);
                b += static_cast<char>('a' + random() % 13);
            }
            worst1.push_back(std::move(a));
            worst2.push_back(std::move(b));
        }

        size_t sections = 0, spans = 0, coarse = 0;
        int status = 0;
        double compare = 1e30, outline = 1e30, paired = 1e30, inlineAll = 1e30, worst = 1e30;
        for (int r = 0; r < rounds; ++r) {
            compare = std::min(compare, BestSeconds(1, [&] {
                                   status = RunQuiet({cli, "compare", "--objects", ws1, "--", ws2});
                               }));
            outline =
                std::min(outline, BestSeconds(1, [&] {
                             sections = 0;
                             for (const auto* objects : {&objects1, &objects2})
                                 for (const auto& item : *objects)
                                     sections +=
                                         TScriptOutline(item.second.Lines, page).Sections().size();
                         }));
            paired = std::min(
                paired, BestSeconds(1, [&] {
                    pairsCount = 0;
                    for (const auto& [text1, text2] : pairs)
                        pairsCount +=
                            TScriptPairs(*text1, *text2, false, false, page).Pairs().size();
                }));
            inlineAll = std::min(inlineAll, BestSeconds(1, [&] {
                                     TInlineDiffer differ(page);
                                     spans = coarse = 0;
                                     for (const TRowPair& row : modified) {
                                         const TLineChanges changes =
                                             differ.Compare(row.Text1, row.Text2, false, false);
                                         spans += changes.Side1.size();
                                         coarse += changes.Coarse;
                                     }
                                 }));
            worst = std::min(worst, BestSeconds(1, [&] {
                                 TInlineDiffer differ(page);
                                 for (size_t i = 0; i < worst1.size(); ++i)
                                     differ.Compare(worst1[i], worst2[i], false, false);
                             }));
        }
        if (status != 1)
            throw std::runtime_error("unexpected exit status of tandrel-cli: " +
                                     std::to_string(status));

        std::printf(
            "objects %zu + %zu (%zu lines), %zu sections, %zu object pairs with %zu "
            "section pairs, %zu modified rows with %zu changes (%zu given up), best of %d\n",
            objects1.size(), objects2.size(), lines, sections, pairs.size(), pairsCount,
            modified.size(), spans, coarse, rounds);
        std::printf("%-52s %9s %9s\n", "", "ms", "/ compare");
        const auto line = [&](const char* what, double s) {
            std::printf("%-52s %9.2f %8.3fx\n", what, s * 1e3, s / compare);
        };
        line("tandrel-cli compare --objects (process)", compare);
        line("script structure of every object, both sets", outline);
        line("section pairs of every object pair", paired);
        line("changed bytes of every modified row", inlineAll);
        std::printf("worst screen of 60 changed rows: %.2f ms, %.2fx of a 16 ms frame\n",
                    worst * 1e3, worst / 0.016);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_outline: %s\n", e.what());
        return 2;
    }
    return 0;
}
