#pragma once
// Where the program keeps its own files (the history lists, the settings file).

#include <string>

namespace tandrel {

// The folder of the program file while the program runs from its build tree and may write
// there; an installed copy (anywhere else: /usr/bin, ~/.local/bin) always uses
// $XDG_CONFIG_HOME/tandrel/ (~/.config/tandrel/ when unset), created on first write, so that
// running it as root never leaves files beside it. Always ends in '/'.
std::string ResolveExeDir();

// The same rule for a given program folder, build tree and environment, so that it can be
// tested. An empty build tree means none.
std::string ChooseExeDir(const std::string& programDir, const std::string& buildTree,
                         const char* xdgConfigHome, const char* home);

} // namespace tandrel
