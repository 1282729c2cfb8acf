#include "DiffReport.h"

#include <algorithm>

namespace tandrel {

namespace {

const std::string Rule(80, '=');

void AddSection(std::vector<std::string>& lines, const char* heading, int64_t lineNumber) {
    lines.push_back(Rule);
    lines.push_back(heading + std::to_string(lineNumber));
    lines.push_back(Rule);
}

} // namespace

std::vector<std::string> BuildDiffReport(const std::string& name1, const std::string& name2,
                                         const std::string& time1, const std::string& time2,
                                         const std::string& now, const TRowList& side1,
                                         const TRowList& side2, const TRowColors& colors) {
    auto timeText = [](const std::string& time) { return time.empty() ? NoFileTimeText : time; };
    std::vector<std::string> lines = {
        "Difference Report - " + now,
        Rule,
        "",
        "File 1: \"" + name1 + "\"",
        "        Last modified on " + timeText(time1),
        "File 2: \"" + name2 + "\"",
        "        Last modified on " + timeText(time2),
        "",
    };
    int64_t max = 0;
    uint32_t prev = colors.Unchanged;
    for (size_t r = 0; r < side1.size(); ++r) {
        const TDiffRow& row = side1[r];
        max = std::max<int64_t>(max, row.Tag);
        const uint32_t k = row.Color;
        const bool newBlock = k != prev;
        auto addNew = [&] {
            if (r < side2.size())
                lines.push_back("+ " + std::string(side2[r].Text));
        };
        auto addOld = [&] { lines.push_back("- " + std::string(row.Text)); };
        if (k == colors.Added) {
            if (newBlock)
                AddSection(lines, "Lines added at ", max + 1);
            addNew();
        } else if (k == colors.Modified) {
            if (newBlock)
                AddSection(lines, "Lines modified at ", max);
            addOld();
            addNew();
        } else if (k == colors.Deleted) {
            if (newBlock)
                AddSection(lines, "Lines deleted at ", max);
            addOld();
        }
        prev = k;
    }
    return lines;
}

std::string JoinReportLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace tandrel
