// tandrel-cli diff: two text files compared as the source view compares them, written as
// the difference report.

#include "CliCommands.h"
#include "CodePage.h"
#include "DiffReport.h"
#include "DiffUnit.h"
#include "MappedInput.h"
#include "OutOfMemory.h"
#include "PathText.h"
#include "ReportTime.h"
#include "TextPair.h"
#include "UnifiedDiff.h"

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
    int Context = -1; // lines of context of a unified diff; -1 writes the report
    std::vector<std::string> Files;
};

int ParseContext(const std::string& text) {
    char* end = nullptr;
    const long lines = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || lines < 0 || lines > 1000000)
        throw std::runtime_error("Invalid context length \"" + text +
                                 "\"; see tandrel-cli diff --help");
    return static_cast<int>(lines);
}

Options ParseOptions(const Args& args) {
    Options opt;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
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
        else if (a == "-u") {
            if (opt.Context < 0)
                opt.Context = 3;
        } else if (a == "-U" && i + 1 < args.size())
            opt.Context = ParseContext(args[++i]);
        else if (a.rfind("-U", 0) == 0 && a.size() > 2)
            opt.Context = ParseContext(a.substr(2));
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

// A file name in the report, escaped as the listings escape names, so that a line break in
// it cannot start a line of its own. Escaped as UTF-8: a double-byte character of the code
// page may end in the byte of a backslash.
std::string ReportName(const std::string& path) {
    return SystemCodePage().FromUtf8(EscapeName(PathToUtf8Text(path)));
}

// A file's time as diff writes it in a unified diff's header.
std::string UnifiedTime(std::time_t time) {
    std::tm local{};
    char text[64];
    if (!::localtime_r(&time, &local) ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local) == 0)
        return "";
    return text;
}

// Lines the options let pass as equal still differ in bytes, and patch must give the second
// file back: so they come out as changes here.
bool WriteUnified(const Options& opt, const TMappedInput& file1, const TMappedInput& file2,
                  const std::vector<TDiffBlock>& blocks) {
    const TUnifiedHeader header{opt.Files[0], opt.Files[1], UnifiedTime(file1.ModifiedTime()),
                                UnifiedTime(file2.ModifiedTime())};
    const CodePage& cp = SystemCodePage();
    std::string out;
    const bool written = EmitUnifiedDiff(
        header, blocks, file1.View(), file2.View(), opt.Context, [&](std::string_view piece) {
            out += opt.Utf8 ? cp.ToUtf8(std::string(piece)) : std::string(piece);
            if (out.size() >= kOutputChunk) {
                WriteOut(out);
                out.clear();
            }
        });
    WriteOut(out);
    return written;
}

// The window keeps a row per line of both files; the command line needs none. Only the
// middle of the files, between the lines they share at both ends, is split, hashed and
// searched; the report is written straight from the blocks.
int CompareFiles(const Options& opt) {
    const TMappedInput file1(opt.Files[0]);
    const TMappedInput file2(opt.Files[1]);
    // The lines of a file end at its first NUL, so text after one would go unseen: such a
    // file is compared as bytes, as GNU diff does with binary files.
    if (HasNul(file1.View()) || HasNul(file2.View())) {
        if (file1.View() == file2.View())
            return 0;
        WriteOut("Binary files " + EscapeName(opt.Files[0]) + " and " + EscapeName(opt.Files[1]) +
                 " differ\n");
        return 1;
    }
    const TTextPair pair =
        PrepareTextPair(file1.View(), file2.View(), opt.IgnoreCase, opt.IgnoreBlanks);
    const std::vector<TDiffBlock> blocks = DiffTextPair(pair);
    if (opt.Context >= 0)
        return WriteUnified(opt, file1, file2, blocks) ? 1 : 0;

    const CodePage& cp = SystemCodePage();
    const TReportHeader header{
        ReportName(opt.Files[0]), ReportName(opt.Files[1]), ReportTimeText(file1.ModifiedTime()),
        ReportTimeText(file2.ModifiedTime()), ReportTimeText(std::time(nullptr))};
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

int RunDiff(const Args& args) {
    const Options opt = ParseOptions(args);
    return NamingOutOfMemory("comparing \"" + opt.Files[0] + "\" with \"" + opt.Files[1] + "\"",
                             [&] { return CompareFiles(opt); });
}

} // namespace

const Command DiffCommand{
    "diff", "compare two text files and write the difference report",
    "Usage: tandrel-cli diff [--ignore-case] [--ignore-blanks] [--diffs-only] [--utf8]\n"
    "                        [-u | -U N] FILE1 FILE2\n"
    "\n"
    "Compares two text files line by line, as the source comparison view does, and writes\n"
    "the difference report to standard output: a header naming both files (control\n"
    "characters and backslashes escaped as in \"list\"), then one section\n"
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
    "  -u, -U N         write a unified diff with 3 (or N) lines of context instead of the\n"
    "                   report, for patch and git apply: applied to FILE1 it gives FILE2\n"
    "                   back byte for byte. Lines end at line feeds here, each keeping its\n"
    "                   own line break; lines the options let pass as equal are written as\n"
    "                   changes when their bytes differ.\n"
    "\n"
    "Exit status: 0 no difference, 1 differences found, 2 error.\n",
    RunDiff};

} // namespace tandrel::cli
