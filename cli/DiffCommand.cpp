// tandrel-cli diff: two text files compared as the source view compares them, written as
// the difference report.

#include "CliCommands.h"
#include "CodePage.h"
#include "DiffReport.h"
#include "DiffRows.h"
#include "DiffUnit.h"
#include "HashUnit.h"
#include "SourceCompare.h"
#include "TextFile.h"

#include <clocale>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <stdexcept>

namespace tandrel::cli {

namespace {

// The program's default highlight colours; the unchanged colour is the window-background
// system colour. Only their being distinct matters to the report.
constexpr TRowColors ReportColors{0xFF000005u, 0x00F0CCA8u, 0x006FFB8Au, 0x00BB77FFu};

struct Options {
    bool IgnoreCase = false;
    bool IgnoreBlanks = false;
    bool DiffsOnly = false;
    bool Utf8 = false;
    std::vector<std::string> Files;
};

Options ParseOptions(const Args& args) {
    Options opt;
    bool optionsEnd = false;
    for (const std::string& a : args) {
        if (optionsEnd || a.empty() || a[0] != '-' || a == "-")
            opt.Files.push_back(a);
        else if (a == "--")
            optionsEnd = true;
        else if (a == "--ignore-case")
            opt.IgnoreCase = true;
        else if (a == "--ignore-blanks")
            opt.IgnoreBlanks = true;
        else if (a == "--diffs-only")
            opt.DiffsOnly = true;
        else if (a == "--utf8")
            opt.Utf8 = true;
        else
            throw std::runtime_error("Unknown option \"" + a + "\"; see tandrel-cli diff --help");
    }
    if (opt.Files.size() != 2)
        throw std::runtime_error("diff needs two files; see tandrel-cli diff --help");
    return opt;
}

// Date and time in the user's short formats, in the code page.
class TTimeFormat {
public:
    TTimeFormat() {
        std::setlocale(LC_TIME, "");
        const locale_t loc = ::newlocale(LC_CTYPE_MASK, std::setlocale(LC_TIME, nullptr), nullptr);
        if (loc) {
            FCodeset = ::nl_langinfo_l(CODESET, loc);
            ::freelocale(loc);
        }
    }

    std::string Format(std::time_t time) const {
        std::tm local{};
        if (!::localtime_r(&time, &local))
            return "";
        char date[128];
        char clock[64];
        if (std::strftime(date, sizeof date, "%x", &local) == 0 ||
            std::strftime(clock, sizeof clock, "%H:%M", &local) == 0)
            return "";
        const std::string text = std::string(date) + ", " + clock;
        const bool utf8 = FCodeset == "UTF-8" || FCodeset == "utf8";
        if (utf8 || FCodeset.empty() || FCodeset == "ANSI_X3.4-1968")
            return SystemCodePage().FromUtf8(text);
        return SystemCodePage().FromUtf8(CodePage(FCodeset).ToUtf8(text));
    }

private:
    std::string FCodeset;
};

int RunDiff(const Args& args) {
    const Options opt = ParseOptions(args);
    const TTextFile file1 = LoadTextFile(opt.Files[0]);
    const TTextFile file2 = LoadTextFile(opt.Files[1]);
    std::vector<int32_t> hashes1, hashes2;
    HashTextPair(file1.Lines, file2.Lines, opt.IgnoreCase, opt.IgnoreBlanks, hashes1, hashes2);
    TDiff diff;
    if (!diff.Execute(hashes1.data(), hashes2.data(), static_cast<int32_t>(hashes1.size()),
                      static_cast<int32_t>(hashes2.size())))
        throw std::runtime_error("The files are too long to compare");
    const TDiffRows rows =
        BuildDiffRows(diff.Blocks(), file1.Lines, file2.Lines, ReportColors, opt.DiffsOnly);

    const TTimeFormat timeFormat;
    const CodePage& cp = SystemCodePage();
    std::vector<std::string> report = BuildDiffReport(
        FileNameToCodePage(opt.Files[0]), FileNameToCodePage(opt.Files[1]),
        timeFormat.Format(file1.ModifiedTime), timeFormat.Format(file2.ModifiedTime),
        timeFormat.Format(std::time(nullptr)), rows.Side1, rows.Side2, ReportColors);
    if (opt.Utf8)
        for (std::string& line : report)
            line = cp.ToUtf8(line);
    WriteOut(JoinReportLines(report));
    return diff.Count() == 0 ? 0 : 1;
}

} // namespace

const Command DiffCommand{
    "diff", "compare two text files and write the difference report",
    "Usage: tandrel-cli diff [--ignore-case] [--ignore-blanks] [--diffs-only] [--utf8] FILE1 "
    "FILE2\n"
    "\n"
    "Compares two text files line by line, as the source comparison view does, and writes\n"
    "the difference report to standard output: a header naming both files, then one section\n"
    "per block of added, modified or deleted lines (\"+ \" new text, \"- \" old text).\n"
    "Lines end at CR LF, CR or LF in the input; a NUL byte ends a file. The report's lines\n"
    "end in CR LF. Dates and times follow the user's locale.\n"
    "\n"
    "  --ignore-case    letters that differ only in case are equal (by the code page)\n"
    "  --ignore-blanks  spaces and tabs are left out when lines are compared\n"
    "  --diffs-only     leave out the equal lines between blocks, so that blocks of one\n"
    "                   kind that are apart in the files come out as one section\n"
    "  --utf8           write the texts as UTF-8 instead of the code page\n"
    "\n"
    "Exit status: 0 no difference, 1 differences found, 2 error.\n",
    RunDiff};

} // namespace tandrel::cli
