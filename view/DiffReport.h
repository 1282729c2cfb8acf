#pragma once
// The plain-text difference report of a source comparison, made from the rows of both
// panes: a header naming both sources with their modification times, then one section per
// run of rows of one difference colour.

#include "DiffRows.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// What a report header line shows for a side that has no file time (a library object).
inline constexpr const char* NoFileTimeText = "(not a file)";

// The report's lines, without line breaks. time1/time2 are the sides' modification times
// as display texts, empty for a side without a file time; now is the current date and time
// as a display text. Runs over side 1's rows, whose kinds tell the blocks whatever colours
// the rows have: a section starts where the kind changes. A row side 2 lacks contributes
// only its "- " line.
std::vector<std::string> BuildDiffReport(const std::string& name1, const std::string& name2,
                                         const std::string& time1, const std::string& time2,
                                         const std::string& now, const TRowList& side1,
                                         const TRowList& side2);

// The lines each followed by CR LF, as the report file holds them.
std::string JoinReportLines(const std::vector<std::string>& lines);

// What a report's header names; times as for BuildDiffReport.
struct TReportHeader {
    std::string Name1, Name2;
    std::string Time1, Time2;
    std::string Now;
};

// The report BuildDiffReport makes from the rows that BuildDiffRows makes of the blocks,
// made straight from the blocks: no row is built, so texts of any length cost only their
// changed lines. line1(i) and line2(j) give the 0-based lines the blocks name; every line
// goes to emit as it is made, without its line break.
void EmitDiffReport(const TReportHeader& header, const std::vector<TDiffBlock>& blocks,
                    bool diffsOnly, const std::function<std::string_view(int64_t)>& line1,
                    const std::function<std::string_view(int64_t)>& line2,
                    const std::function<void(std::string_view)>& emit);

} // namespace tandrel
