#pragma once
// Where the program keeps its own files (the history lists, the settings file).

#include <string>

namespace tandrel {

// The folder of the program file when the program may write there; otherwise
// $XDG_CONFIG_HOME/tandrel/ (~/.config/tandrel/ when unset), which is created on first write.
// Always ends in '/'.
std::string ResolveExeDir();

// The same rule for a given program folder and environment, so that it can be tested.
std::string ChooseExeDir(const std::string& programDir, const char* xdgConfigHome,
                         const char* home);

} // namespace tandrel
