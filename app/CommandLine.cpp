#include "CommandLine.h"

#include "NormalPath.h"
#include "SourceFolder.h"

#include <algorithm>
#include <cctype>

namespace tandrel {

namespace {

TLaunch Fail(std::string reason) {
    TLaunch launch;
    launch.Kind = TLaunchKind::Error;
    launch.Error = std::move(reason);
    return launch;
}

bool AllLibraryKind(const std::vector<std::string>& paths) {
    return std::all_of(paths.begin(), paths.end(), IsLibraryKindPath);
}

bool AnyLibraryKind(const std::vector<std::string>& paths) {
    return std::any_of(paths.begin(), paths.end(), IsLibraryKindPath);
}

} // namespace

bool IsLibraryKindPath(const std::string& path) {
    if (IsSourceFolder(path))
        return true;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "pbl" || ext == "pbt" || ext == "pbw";
}

void MakePathsAbsolute(TLaunch& launch) {
    for (auto* side : {&launch.Side1, &launch.Side2})
        for (std::string& path : *side)
            path = NormalPath(path);
}

std::string UsageText() {
    return "Usage: tandrel [SIDE1 SIDE2 | SIDE1... -- SIDE2... | FILE1 FILE2]\n"
           "\n"
           "Compares the source code held in two sets of PowerBuilder libraries.\n"
           "\n"
           "  tandrel                      start with empty library lists\n"
           "  tandrel SIDE1 SIDE2          open a library (.pbl), folder of exported sources,\n"
           "                               target (.pbt) or workspace (.pbw) on each side and\n"
           "                               compare them\n"
           "  tandrel A.pbl B.pbl -- C.pbw several of them on each side\n"
           "  tandrel FILE1 FILE2          compare two text files in the source view\n"
           "  tandrel --help               this text\n"
           "  tandrel --version            the version\n"
           "\n"
           "As git difftool:\n"
           "  git config difftool.tandrel.cmd 'tandrel \"$LOCAL\" \"$REMOTE\"'\n"
           "  git difftool --tool=tandrel\n";
}

TLaunch ParseCommandLine(const std::vector<std::string>& args) {
    std::vector<std::string> before;
    std::vector<std::string> after;
    bool separated = false;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            TLaunch launch;
            launch.Kind = TLaunchKind::Help;
            return launch;
        }
        if (!optionsEnded && (arg == "--version" || arg == "-v")) {
            TLaunch launch;
            launch.Kind = TLaunchKind::Version;
            return launch;
        }
        if (arg == "--" && !separated) {
            separated = true;
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-')
            return Fail("Unknown option \"" + arg + "\"");
        (separated ? after : before).push_back(arg);
    }

    TLaunch launch;
    if (separated) {
        if (before.empty() || after.empty())
            return Fail("Name at least one library, target or workspace on each side of \"--\"");
        if (!AllLibraryKind(before) || !AllLibraryKind(after))
            return Fail("Only libraries (.pbl), folders of exported sources, targets (.pbt) and "
                        "workspaces (.pbw) can be listed around \"--\"");
        launch.Kind = TLaunchKind::Sides;
        launch.Side1 = std::move(before);
        launch.Side2 = std::move(after);
        return launch;
    }
    if (before.empty())
        return launch;
    if (before.size() > 2)
        return Fail("Name two files, or separate the two sides with \"--\"");
    if (AllLibraryKind(before)) {
        launch.Kind = TLaunchKind::Sides;
        launch.Side1 = {before[0]};
        if (before.size() == 2)
            launch.Side2 = {before[1]};
        return launch;
    }
    if (before.size() == 1)
        return Fail("Name a second text file to compare \"" + before[0] + "\" with");
    if (AnyLibraryKind(before))
        return Fail("Compare a library with a library, or a text file with a text file");
    launch.Kind = TLaunchKind::TextFiles;
    launch.Side1 = {before[0]};
    launch.Side2 = {before[1]};
    return launch;
}

} // namespace tandrel
