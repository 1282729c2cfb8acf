// tandrel-cli compare: the library comparison of the window, as a listing.

#include "AllObjects.h"
#include "AtomicFile.h"
#include "CliCommands.h"
#include "CodePage.h"
#include "Colors.h"
#include "HtmlReport.h"
#include "LibCompare.h"
#include "OutOfMemory.h"
#include "PathText.h"
#include "SetPatch.h"
#include "SourceFolder.h"

#include <stdexcept>

namespace tandrel::cli {

namespace {

const char* const Help =
    "Usage: tandrel-cli compare [--ignore-case] [--ignore-blanks] [--objects | --all-objects]\n"
    "       SIDE1... -- SIDE2...\n"
    "\n"
    "Pairs the libraries of side 1 with those of side 2 by file name and classifies each\n"
    "pair, as the library list of the program does. Every SIDE argument is a library\n"
    "(.pbl), a folder of exported sources, a target (.pbt) or a workspace (.pbw), told\n"
    "apart by the extension; a target or workspace stands for the libraries it names. A\n"
    "folder is a library whose objects are its source files; a folder \"app\" pairs with\n"
    "the library \"app.pbl\".\n"
    "\n"
    "Prints one line per library pair, in key order, UTF-8:\n"
    "  status<TAB>library<TAB>time1<TAB>size1<TAB>time2<TAB>size2\n"
    "status is one of 相同 (same), 增加 (added), 减少 (deleted), 更改 (changed); times are\n"
    "yyyy-mm-dd hh:nn:ss; the cells of a side that lacks the library are empty. Libraries\n"
    "named by a target or workspace that do not exist are reported on standard error and\n"
    "left out; a SIDE argument that does not exist or cannot be read is an error. In names,\n"
    "tab, line feed, carriage return and backslash are written as \\t, \\n, \\r and \\\\,\n"
    "other control characters as \\xHH.\n"
    "\n"
    "A damaged library is compared by what could be read of it; after the listing,\n"
    "\"LIB: damaged at offset N (reason); the listing is incomplete\" is written on standard\n"
    "error and the exit status is 2.\n"
    "\n"
    "Options:\n"
    "  --ignore-case    letter case does not make lines differ\n"
    "  --ignore-blanks  spaces and tabs do not make lines differ\n"
    "  --objects        follow every changed library pair by its objects, in the order of\n"
    "                   the object list (type letter, then name), one line each:\n"
    "                   <TAB>status<TAB>type<TAB>object<TAB>time1<TAB>size1<TAB>time2<TAB>size2\n"
    "  --patch          instead of the listing, print one unified diff (3 lines of context)\n"
    "                   of every changed, added and deleted object of all library pairs\n"
    "                   (also those listed as the same by size and time), as exported\n"
    "                   sources (lines ending in CR LF, in the code page), headed\n"
    "                   a/LIBRARY/OBJECT.EXT and b/LIBRARY/OBJECT.EXT (LIBRARY the library's\n"
    "                   file name, OBJECT.EXT the object's name in UTF-8); /dev/null stands\n"
    "                   for the side an object is missing from. Applied with git apply or\n"
    "                   patch -p1 to a folder holding a folder per library of side 1, a file\n"
    "                   per object written by tandrel-cli export, it gives side 2's tree\n"
    "                   (objects that --ignore-case or --ignore-blanks make the same are\n"
    "                   left out, so the tree then differs by them).\n"
    "  --html FILE      also write the whole comparison to FILE as one self-contained HTML\n"
    "                   page: both sides and the time, the library list, the object list of\n"
    "                   every changed library and the side-by-side diff of every changed\n"
    "                   object (3 unchanged lines around each change), in the program's\n"
    "                   default colours.\n"
    "  --all-objects    list every object of side 1's libraries against every object of\n"
    "                   side 2's, paired by type and name whatever library holds them, in\n"
    "                   place of the library pairs, one line each:\n"
    "                   status<TAB>type<TAB>object<TAB>library1<TAB>time1<TAB>size1<TAB>\n"
    "                   library2<TAB>time2<TAB>size2<TAB>shadowed\n"
    "                   A pair whose libraries differ is a move: its status is 移动 (moved)\n"
    "                   when the sources agree, 移动+更改 when they differ too. A name held\n"
    "                   by several libraries of one side is listed once per library; the\n"
    "                   first in the order given (a target's library order) wins, and the\n"
    "                   others are shadowed: shadowed is 1, 2 or 1,2 for the sides whose\n"
    "                   half is shadowed, empty otherwise.\n"
    "\n"
    "Exit status: 0 every pair is the same, 1 some pair differs, 2 error or damage; with\n"
    "--patch, 1 when the patch is not empty.\n";

struct TCompareArgs {
    TCompareOptions Options;
    bool Objects = false;
    bool Patch = false;
    std::string Html; // file the HTML report goes to
    bool AllObjects = false;
    std::vector<std::string> Sides[2];
};

TCompareArgs ParseArgs(const Args& args) {
    TCompareArgs parsed;
    bool separated = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--" && !separated)
            separated = true;
        else if (a == "--ignore-case")
            parsed.Options.IgnoreCase = true;
        else if (a == "--ignore-blanks")
            parsed.Options.IgnoreBlanks = true;
        else if (a == "--objects")
            parsed.Objects = true;
        else if (a == "--patch")
            parsed.Patch = true;
        else if (a == "--html" && i + 1 < args.size())
            parsed.Html = args[++i];
        else if (a == "--all-objects")
            parsed.AllObjects = true;
        else if (a.rfind("--", 0) == 0)
            throw std::runtime_error("Unknown option \"" + a +
                                     "\"; see tandrel-cli compare --help");
        else
            parsed.Sides[separated ? 1 : 0].push_back(a);
    }
    if (parsed.Objects && parsed.AllObjects)
        throw std::runtime_error("--objects and --all-objects exclude each other");
    if (!separated)
        throw std::runtime_error("The two sides must be separated by \"--\"; see tandrel-cli "
                                 "compare --help");
    return parsed;
}

// The kind of a side argument: a folder is a library, a file is told by its extension
// (letter case ignored).
int KindOf(const std::string& path) {
    if (IsSourceFolder(path))
        return fkLibraries;
    const size_t dot = path.find_last_of("./");
    std::string ext = dot == std::string::npos || path[dot] != '.' ? "" : path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (ext == ".pbl")
        return fkLibraries;
    if (ext == ".pbt")
        return fkTarget;
    if (ext == ".pbw")
        return fkWorkspace;
    throw std::runtime_error("\"" + path +
                             "\" is not a library (.pbl), target (.pbt) or "
                             "workspace (.pbw)");
}

// A library named on the command line must be there: a typo would otherwise pass as a
// library that one side lacks. Targets and workspaces are read by their expansion.
void CheckLibraryArgument(const std::string& path, TPathLookup& lookup) {
    const std::unique_ptr<TFolderRec> rec = GetFolderRec(path, lookup);
    if (!rec)
        throw std::runtime_error("\"" + path + "\" does not exist");
    if (!rec->IsDir)
        TFileStream readable(rec->FileName);
}

void AddSide(TLibCompare& model, const std::vector<std::string>& args, int side,
             const TCompareOptions& options, TProjectExpansion& expansion) {
    std::vector<std::string> paths;
    for (std::string arg : args) {
        // A folder is often given with its closing slash, which would name no library.
        while (arg.size() > 1 && arg.back() == '/')
            arg.pop_back();
        const int kind = KindOf(arg);
        if (kind == fkLibraries)
            CheckLibraryArgument(arg, expansion.Lookup);
        const std::vector<std::string> libs = TLibCompare::ExpandChosen({arg}, kind, expansion);
        paths.insert(paths.end(), libs.begin(), libs.end());
    }
    model.AddLibraryPaths(paths, std::string(), side, options, expansion.Lookup);
}

// The arguments of a side as they are named in a message.
std::string Quoted(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args)
        text += (text.empty() ? "\"" : " \"") + arg + "\"";
    return text.empty() ? "nothing" : text;
}

std::string StatusWord(uint8_t status) {
    return status <= csChanged ? StatusNames[status] : "?";
}

std::string RowCells(const TResultRow& row) {
    const CodePage& cp = SystemCodePage();
    return cp.ToUtf8(row.Time1) + "\t" + row.Size1 + "\t" + cp.ToUtf8(row.Time2) + "\t" + row.Size2;
}

// The sides as given, and the list colours.
THtmlReportInfo ReportInfo(const TCompareArgs& parsed) {
    THtmlReportInfo info;
    for (int side = 0; side < 2; ++side)
        for (const std::string& path : parsed.Sides[side])
            (side == 0 ? info.Side1 : info.Side2).push_back(PathToUtf8Text(path));
    info.Colors = {RgbColor(0xFF, 0xFF, 0xFF), 0x00F0CCA8, 0x006FFB8A, 0x00BB77FF};
    return info;
}

// The report is built whole and written at once, so a failure leaves no half a page. The
// model's current pair is the last changed one afterwards; the listing reopens its own.
void WriteHtml(TLibCompare& model, const TCompareArgs& parsed) {
    std::string html;
    EmitHtmlReport(model, parsed.Options, ReportInfo(parsed),
                   [&html](std::string_view piece) { html += piece; });
    WriteFileAtomic(parsed.Html, html);
}

int WritePatch(TLibCompare& model, const TCompareOptions& options, const std::string& damage) {
    std::string out;
    const int objects = EmitSetPatch(model, options, 3, [&out](std::string_view piece) {
        out += piece;
        if (out.size() >= (1 << 16)) {
            WriteOut(out);
            out.clear();
        }
    });
    WriteOut(out);
    if (!damage.empty()) {
        FlushOut();
        WriteErr(damage);
        return 2;
    }
    return objects > 0 ? 1 : 0;
}

// The all-objects rows of the libraries the model holds, in its search order; the report
// is of these rows too.
int ListAllObjects(TLibCompare& model, const TCompareArgs& parsed, std::string& damage) {
    const CodePage& cp = SystemCodePage();
    const TCompareOptions& options = parsed.Options;
    TAllObjects all;
    all.Build(model, options);
    if (!parsed.Html.empty())
        WriteAllObjectsReport(parsed.Html, all, options, ReportInfo(parsed));
    TResultRow row;
    for (const int i : all.ViewOrder()) {
        if (!all.Row(i, row))
            continue;
        const std::string shadowed = row.Shadowed1 && row.Shadowed2 ? "1,2"
                                     : row.Shadowed1                ? "1"
                                     : row.Shadowed2                ? "2"
                                                                    : "";
        WriteOut(AllObjectsStatusWord(row) + "\t" +
                 EscapeName(cp.ToUtf8(std::string(1, row.TypeLetter))) + "\t" +
                 EscapeName(cp.ToUtf8(row.Name)) + "\t" + EscapeName(PathToUtf8Text(row.Lib1)) +
                 "\t" + cp.ToUtf8(row.Time1) + "\t" + row.Size1 + "\t" +
                 EscapeName(PathToUtf8Text(row.Lib2)) + "\t" + cp.ToUtf8(row.Time2) + "\t" +
                 row.Size2 + "\t" + shadowed + "\n");
    }
    if (!damage.empty()) {
        FlushOut();
        WriteErr(damage);
        return 2;
    }
    const TCompareCounts& counts = all.Counts();
    return counts.Added + counts.Deleted + counts.Changed + all.Moved() == 0 ? 0 : 1;
}

int Run(const Args& args) {
    const TCompareArgs parsed = ParseArgs(args);
    const CodePage& cp = SystemCodePage();
    // The CLI keeps no history, so the program folder is never written.
    TLibCompare model{std::string()};
    // Every changed pair is opened below, so its objects are best paired while its
    // sources are read for the library list.
    model.SetPairAhead(parsed.Objects || parsed.Patch || !parsed.Html.empty());
    // Notices are gathered and written at once per side; damage is told after the listing
    // it makes incomplete.
    std::string notices;
    std::string damage;
    model.OnNotice = [&](const std::string& text, const std::string& caption) {
        if (caption == "damaged")
            damage += cp.ToUtf8(text) + "\n";
        else
            notices += caption + ": " + cp.ToUtf8(text) + "\n";
    };
    TProjectExpansion expansion;
    const auto addSides = [&] {
        for (int side = 1; side <= 2; ++side) {
            AddSide(model, parsed.Sides[side - 1], side, parsed.Options, expansion);
            WriteErr(notices);
            notices.clear();
        }
    };
    NamingOutOfMemory("comparing " + Quoted(parsed.Sides[0]) + " with " + Quoted(parsed.Sides[1]),
                      addSides);

    if (!parsed.Html.empty() && !parsed.AllObjects)
        WriteHtml(model, parsed);
    if (parsed.Patch)
        return WritePatch(model, parsed.Options, damage);

    if (parsed.AllObjects)
        return ListAllObjects(model, parsed, damage);
    bool allSame = true;
    TResultRow row;
    for (int i = 0; model.LibRow(i, row); ++i) {
        allSame = allSame && row.Status == csSame;
        WriteOut(StatusWord(row.Status) + "\t" + EscapeName(PathToUtf8Text(row.Key)) + "\t" +
                 RowCells(row) + "\n");
        if (!parsed.Objects || row.Status != csChanged)
            continue;
        const auto openPair = [&] { return model.OpenLibPair(i, parsed.Options); };
        if (!NamingOutOfMemory("comparing the objects of \"" + row.Path1 + "\" and \"" + row.Path2 +
                                   "\"",
                               openPair))
            continue;
        for (const int k : model.ObjViewOrder()) {
            TResultRow obj;
            if (!model.ObjRow(k, obj))
                continue;
            WriteOut("\t" + StatusWord(obj.Status) + "\t" +
                     EscapeName(cp.ToUtf8(std::string(1, obj.TypeLetter))) + "\t" +
                     EscapeName(cp.ToUtf8(obj.Name)) + "\t" + RowCells(obj) + "\n");
        }
    }
    if (!damage.empty()) {
        FlushOut();
        WriteErr(damage);
        return 2;
    }
    return allSame ? 0 : 1;
}

} // namespace

const Command CompareCommand{"compare", "compare two sets of libraries, targets or workspaces",
                             Help, Run};

} // namespace tandrel::cli
