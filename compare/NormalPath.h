#pragma once
// Paths as a user writes them: a workspace names its libraries relative to itself
// ("..\lib\app.pbl"), and a command line may name "dir/../x.pbl"; captions, histories and
// keys read better, and compare equal, without those detours.

#include <string>

namespace tandrel {

// The absolute form of `path` (relative to the current folder) without "." and ".."
// components or doubled separators. Where a ".." follows a symbolic link the file system
// goes to the link target's parent, so a lexically shortened path could name another file:
// then the absolute path is kept as it is.
std::string NormalPath(const std::string& path);

} // namespace tandrel
