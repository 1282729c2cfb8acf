#include "DiffReport.h"

#include "SourceExport.h"

#include <algorithm>

namespace tandrel {

namespace {

const std::string Rule(80, '=');

void AddSection(std::vector<std::string>& lines, const char* heading, int64_t lineNumber) {
    lines.push_back(Rule);
    lines.push_back(heading + std::to_string(lineNumber));
    lines.push_back(Rule);
}

std::vector<std::string> HeaderLines(const TReportHeader& header) {
    auto timeText = [](const std::string& time) { return time.empty() ? NoFileTimeText : time; };
    return {
        "Difference Report - " + header.Now,
        Rule,
        "",
        "File 1: \"" + header.Name1 + "\"",
        "        Last modified on " + timeText(header.Time1),
        "File 2: \"" + header.Name2 + "\"",
        "        Last modified on " + timeText(header.Time2),
        "",
    };
}

} // namespace

std::vector<std::string> BuildDiffReport(const std::string& name1, const std::string& name2,
                                         const std::string& time1, const std::string& time2,
                                         const std::string& now, const TRowList& side1,
                                         const TRowList& side2) {
    std::vector<std::string> lines = HeaderLines({name1, name2, time1, time2, now});
    int64_t max = 0;
    uint8_t prev = rkUnchanged;
    for (size_t r = 0; r < side1.size(); ++r) {
        const TDiffRow& row = side1[r];
        max = std::max<int64_t>(max, row.Tag);
        const bool newBlock = row.Kind != prev;
        auto addNew = [&] {
            if (r < side2.size())
                lines.push_back("+ " + std::string(side2[r].Text));
        };
        auto addOld = [&] { lines.push_back("- " + std::string(row.Text)); };
        switch (row.Kind) {
        case rkAddedFiller:
            if (newBlock)
                AddSection(lines, "Lines added at ", max + 1);
            addNew();
            break;
        case rkModified:
            if (newBlock)
                AddSection(lines, "Lines modified at ", max);
            addOld();
            addNew();
            break;
        case rkDeleted:
            if (newBlock)
                AddSection(lines, "Lines deleted at ", max);
            addOld();
            break;
        default:
            break;
        }
        prev = row.Kind;
    }
    return lines;
}

// Follows BuildDiffReport over the rows BuildDiffRows would make: `last` is the highest
// side-1 line number of the rows so far (equal rows included unless diffsOnly), a section
// starts where the kind of difference row changes, and equal rows between two blocks end
// the section before them.
void EmitDiffReport(const TReportHeader& header, const std::vector<TDiffBlock>& blocks,
                    bool diffsOnly, const std::function<std::string_view(int64_t)>& line1,
                    const std::function<std::string_view(int64_t)>& line2,
                    const std::function<void(std::string_view)>& emit) {
    for (const std::string& line : HeaderLines(header))
        emit(line);
    std::string text;
    auto emitPrefixed = [&](const char* prefix, std::string_view line) {
        text.assign(prefix);
        text.append(line);
        emit(text);
    };
    auto section = [&](const char* heading, int64_t lineNumber) {
        emit(Rule);
        emit(heading + std::to_string(lineNumber));
        emit(Rule);
    };
    int64_t last = 0;
    int64_t next1 = 0;    // side-1 line after the previous block
    uint8_t previous = 0; // kind of the previous row, 0 for an equal row
    for (const TDiffBlock& block : blocks) {
        if (!diffsOnly && block.Pos1 > next1) {
            last = block.Pos1;
            previous = 0;
        }
        for (int64_t n = 0; n < block.Count; ++n) {
            const bool starts = n == 0 && previous != block.Kind;
            switch (block.Kind) {
            case bkAdd:
                if (starts)
                    section("Lines added at ", last + 1);
                emitPrefixed("+ ", line2(block.Pos2 + n));
                break;
            case bkModify:
                last = std::max<int64_t>(last, block.Pos1 + n + 1);
                if (starts)
                    section("Lines modified at ", last);
                emitPrefixed("- ", line1(block.Pos1 + n));
                emitPrefixed("+ ", line2(block.Pos2 + n));
                break;
            default:
                last = std::max<int64_t>(last, block.Pos1 + n + 1);
                if (starts)
                    section("Lines deleted at ", last);
                emitPrefixed("- ", line1(block.Pos1 + n));
                break;
            }
        }
        if (block.Count > 0)
            previous = block.Kind;
        next1 = block.Kind == bkAdd ? block.Pos1 : block.Pos1 + block.Count;
    }
}

// A report file's lines end as an exported source's do.
std::string JoinReportLines(const std::vector<std::string>& lines) {
    return JoinExportLines(lines);
}

} // namespace tandrel
