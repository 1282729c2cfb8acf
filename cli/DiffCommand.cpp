// tandrel-cli diff: two text files compared as the source view compares them, written as
// the difference report.

#include "CliCommands.h"
#include "CodePage.h"
#include "DiffReport.h"
#include "DiffUnit.h"
#include "MappedInput.h"
#include "PathText.h"
#include "ReportTime.h"
#include "TextPair.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace tandrel::cli {

namespace {

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

// Output is gathered into pieces of this size before it is written.
constexpr size_t kOutputChunk = 1 << 16;

bool HasNul(std::string_view text) {
    return !text.empty() && std::memchr(text.data(), '\0', text.size()) != nullptr;
}

// The window keeps a row per line of both files; the command line needs none. Only the
// middle of the files, between the lines they share at both ends, is split, hashed and
// searched; the report is written straight from the blocks.
int RunDiff(const Args& args) {
    const Options opt = ParseOptions(args);
    const TMappedInput file1(opt.Files[0]);
    const TMappedInput file2(opt.Files[1]);
    // The lines of a file end at its first NUL, so text after one would go unseen: such a
    // file is compared as bytes, as GNU diff does with binary files.
    if (HasNul(file1.View()) || HasNul(file2.View())) {
        if (file1.View() == file2.View())
            return 0;
        WriteOut("Binary files " + opt.Files[0] + " and " + opt.Files[1] + " differ\n");
        return 1;
    }
    const TTextPair pair =
        PrepareTextPair(file1.View(), file2.View(), opt.IgnoreCase, opt.IgnoreBlanks);
    // The engine takes an absent sequence as a failure, so empty ones still get a buffer.
    static const int32_t empty = 0;
    TDiff diff;
    if (!diff.Execute(pair.Hashes1.empty() ? &empty : pair.Hashes1.data(),
                      pair.Hashes2.empty() ? &empty : pair.Hashes2.data(),
                      static_cast<int32_t>(pair.Hashes1.size()),
                      static_cast<int32_t>(pair.Hashes2.size()),
                      std::max(pair.Lines1, pair.Lines2)))
        throw std::runtime_error("The files are too long to compare");
    std::vector<TDiffBlock> blocks = diff.Blocks();
    for (TDiffBlock& block : blocks) {
        block.Pos1 += pair.Head;
        if (block.Kind != bkDelete)
            block.Pos2 += pair.Head;
    }

    const CodePage& cp = SystemCodePage();
    const TReportHeader header{PathToCodePage(opt.Files[0]), PathToCodePage(opt.Files[1]),
                               ReportTimeText(file1.ModifiedTime()),
                               ReportTimeText(file2.ModifiedTime()),
                               ReportTimeText(std::time(nullptr))};
    std::string out;
    out.reserve(kOutputChunk + 4096);
    EmitDiffReport(
        header, blocks, opt.DiffsOnly,
        [&](int64_t i) { return pair.Middle1.Line(static_cast<size_t>(i - pair.Head)); },
        [&](int64_t j) { return pair.Middle2.Line(static_cast<size_t>(j - pair.Head)); },
        [&](std::string_view line) {
            if (opt.Utf8)
                out += cp.ToUtf8(std::string(line));
            else
                out += line;
            out += "\r\n";
            if (out.size() >= kOutputChunk) {
                WriteOut(out);
                out.clear();
            }
        });
    WriteOut(out);
    return blocks.empty() ? 0 : 1;
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
    "Lines end at CR LF, CR or LF in the input. The report's lines end in CR LF. Dates and\n"
    "times are the locale's short date and time of day, without seconds. A file holding a\n"
    "NUL byte is binary: the files are then compared as bytes, and when they differ only\n"
    "\"Binary files FILE1 and FILE2 differ\" is written.\n"
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
