#pragma once
// The program's command line, as users of two-way comparison programs expect:
//   tandrel                          the empty library view
//   tandrel SIDE1 SIDE2              libraries, targets or workspaces, compared
//   tandrel SIDE1... -- SIDE2...     several of them on each side
//   tandrel FILE1 FILE2              two text files in the source view
//   tandrel --help | --version

#include <string>
#include <vector>

namespace tandrel {

enum class TLaunchKind { Empty, Sides, TextFiles, Help, Version, Error };

struct TLaunch {
    TLaunchKind Kind = TLaunchKind::Empty;
    std::vector<std::string> Side1; // file-system text, as given
    std::vector<std::string> Side2;
    std::string Error; // the reason, for Error
};

// `args` excludes the program name. Libraries, targets and workspaces are told by their
// extension (.pbl, .pbt, .pbw, any letter case); everything else is a text file.
TLaunch ParseCommandLine(const std::vector<std::string>& args);

// Relative paths made absolute against the current folder, so that the histories and the
// remembered folders still name the files when the program runs elsewhere.
void MakePathsAbsolute(TLaunch& launch);

// A library, target or workspace by its extension, or a folder of exported sources.
bool IsLibraryKindPath(const std::string& path);

std::string UsageText();

} // namespace tandrel
