// tandrel-cli list, export, dump and libs: the library reader for scripts, CI and git.

#include "CliCommands.h"
#include "CodePage.h"
#include "OutOfMemory.h"
#include "PbFuncs.h"

#include <algorithm>
#include <stdexcept>

namespace tandrel::cli {

namespace {

// The positional arguments of a command and whether --utf8 was given; any other option
// is an error, and so is a wrong number of positional arguments.
struct Parsed {
    Args Positional;
    bool Utf8 = false;
};

Parsed Parse(const Args& args, const char* command, size_t count, bool acceptsUtf8) {
    Parsed parsed;
    for (const std::string& a : args) {
        if (acceptsUtf8 && a == "--utf8")
            parsed.Utf8 = true;
        else if (a.size() > 1 && a[0] == '-')
            throw std::runtime_error("Unknown option \"" + a + "\"; see tandrel-cli " + command +
                                     " --help");
        else
            parsed.Positional.push_back(a);
    }
    if (parsed.Positional.size() != count)
        throw std::runtime_error(std::string("Wrong arguments; see tandrel-cli ") + command +
                                 " --help");
    return parsed;
}

// A library opened for the whole command, its entries sorted by key.
struct Library {
    explicit Library(const std::string& path) : Path(path), Stream(path) {
        NamingOutOfMemory("reading \"" + path + "\"", [&] {
            GetPblEntries(Stream, Entries, &Damage);
            const CodePage& page = SystemCodePage();
            std::stable_sort(Entries.begin(), Entries.end(), [&page](const auto& a, const auto& b) {
                return page.CompareText(a.Key, b.Key) < 0;
            });
        });
    }

    // The exit status of a command that wrote what the library holds: a damaged library
    // is named on standard error after the output, which is then incomplete.
    int Finish() const {
        if (!Damage.Found())
            return 0;
        FlushOut();
        WriteErr(Path + ": " + DamageText(Damage) + "\n");
        return 2;
    }

    std::string Path;
    TFileStream Stream;
    TEntryList Entries;
    TPblDamage Damage;
};

void WriteSource(Library& lib, const TPblEntry& entry, bool utf8) {
    const std::string doing =
        "exporting " + SystemCodePage().ToUtf8(entry.Name) + " from \"" + lib.Path + "\"";
    NamingOutOfMemory(doing, [&] {
        std::vector<std::string> lines;
        GetEntrySource(lib.Stream, entry, lines);
        std::string out;
        for (const std::string& line : lines) {
            out += utf8 ? SystemCodePage().ToUtf8(line) : line;
            out += "\r\n";
        }
        WriteOut(out);
    });
}

int RunList(const Args& args) {
    const Parsed parsed = Parse(args, "list", 1, false);
    Library lib(parsed.Positional[0]);
    const CodePage& page = SystemCodePage();
    std::string out;
    for (const auto& item : lib.Entries) {
        const TPblEntry& e = *item.Object;
        out += EscapeName(page.ToUtf8(item.Key)) + '\t' + EscapeName(page.ToUtf8(e.Name)) + '\t' +
               std::to_string(e.DataSize) + '\t' + FormatDateTime(PblTimeToDateTime(e.TimeStamp)) +
               '\t' + std::to_string(e.CommentLen) + '\n';
    }
    WriteOut(out);
    return lib.Finish();
}

int RunExport(const Args& args) {
    const Parsed parsed = Parse(args, "export", 2, true);
    Library lib(parsed.Positional[0]);
    const std::string name = SystemCodePage().FromUtf8(parsed.Positional[1]);
    for (const auto& item : lib.Entries)
        if (SystemCodePage().SameText(item.Object->Name, name)) {
            WriteSource(lib, *item.Object, parsed.Utf8);
            return lib.Finish();
        }
    lib.Finish();
    throw std::runtime_error("No object \"" + parsed.Positional[1] + "\" in \"" +
                             parsed.Positional[0] + "\"");
}

int RunDump(const Args& args) {
    const Parsed parsed = Parse(args, "dump", 1, true);
    Library lib(parsed.Positional[0]);
    for (const auto& item : lib.Entries)
        WriteSource(lib, *item.Object, parsed.Utf8);
    return lib.Finish();
}

int RunLibs(const Args& args) {
    const Parsed parsed = Parse(args, "libs", 1, false);
    const std::string& file = parsed.Positional[0];
    std::string extension = file.size() >= 4 ? file.substr(file.size() - 4) : std::string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::vector<std::string> libs;
    TProjectExpansion expansion;
    if (extension == ".pbw")
        GetWorkspaceLibs(file, libs, expansion);
    else if (extension == ".pbt")
        GetTargetLibs(file, libs, expansion);
    else
        throw std::runtime_error("\"" + file +
                                 "\" is neither a target (.pbt) nor a workspace (.pbw)");
    std::string out;
    for (const std::string& lib : libs)
        out += lib + '\n';
    WriteOut(out);
    FlushOut();
    for (const std::string& lib : libs)
        if (!GetFolderRec(lib, expansion.Lookup))
            WriteErr("tandrel-cli: " + lib + " does not exist\n");
    return 0;
}

} // namespace

// Shared by the commands that read a library.
#define DAMAGE_HELP                                                                                \
    "A damaged library is read up to its first implausible value; what was read is\n"              \
    "written, then \"LIB: damaged at offset N (reason); the listing is incomplete\" on\n"          \
    "standard error, and the exit status is 2.\n"

const Command ListCommand{
    "list", "list the source objects of a library",
    "Usage: tandrel-cli [--codepage NAME] list LIB.pbl\n"
    "\n"
    "Lists the source objects of a PowerBuilder library (ANSI or Unicode form), one line\n"
    "each, sorted by key without regard to letter case, in UTF-8:\n"
    "\n"
    "  key<TAB>name<TAB>DataSize<TAB>yyyy-mm-dd hh:nn:ss<TAB>CommentLen\n"
    "\n"
    "The key is the type letter followed by the name without extension (w_main.srw has\n"
    "the key ww_main). The time is the object's time stamp in the local time zone.\n"
    "In key and name, tab, line feed, carriage return and backslash are written as \\t,\n"
    "\\n, \\r and \\\\, other control characters as \\xHH.\n"
    "\n" DAMAGE_HELP "Exit status 0, or 2 with a message on standard error.\n",
    RunList};

const Command ExportCommand{
    "export", "print the exported source of one object",
    "Usage: tandrel-cli [--codepage NAME] export [--utf8] LIB.pbl NAME\n"
    "\n"
    "Prints the source of the object NAME (name with extension, such as w_main.srw;\n"
    "letter case does not matter) as PowerBuilder exports it: the $PBExportHeader$ line,\n"
    "the $PBExportComments$ line when the object has a comment, then the source lines,\n"
    "each followed by CR LF, as bytes in the code page.\n"
    "\n"
    "  --utf8  convert the text to UTF-8\n"
    "\n" DAMAGE_HELP
    "Exit status 0, or 2 with a message on standard error (also when there is no such\n"
    "object).\n",
    RunExport};

const Command DumpCommand{
    "dump", "print the exported source of every object",
    "Usage: tandrel-cli [--codepage NAME] dump [--utf8] LIB.pbl\n"
    "\n"
    "Prints the exported source of every source object of the library, in the order of\n"
    "\"list\", in the form of \"export\". Usable as a git textconv driver, so that\n"
    "\"git diff\" shows the changes of .pbl files as source text.\n"
    "\n"
    "  --utf8  convert the text to UTF-8\n"
    "\n" DAMAGE_HELP "Exit status 0, or 2 with a message on standard error.\n",
    RunDump};

const Command LibsCommand{
    "libs", "print the library paths of a target or workspace",
    "Usage: tandrel-cli [--codepage NAME] libs FILE.pbt|FILE.pbw\n"
    "\n"
    "Prints the library paths that a target (.pbt) names in its LibList, or that the\n"
    "targets of a workspace (.pbw) name, target by target, one per line in UTF-8.\n"
    "Backslashes become \"/\"; relative paths are joined to the folder of the file that\n"
    "names them. Libraries that do not exist are still printed, and named on standard\n"
    "error with \"does not exist\". A target without a LibList line has no libraries;\n"
    "empty items of a LibList name none. One command reads at most 10000 targets and\n"
    "workspaces, 64 MB of them in all, and takes at most 100000 library paths.\n"
    "Exit status 0, or 2 with a message on standard error (such as a target that\n"
    "cannot be read).\n",
    RunLibs};

#undef DAMAGE_HELP

} // namespace tandrel::cli
