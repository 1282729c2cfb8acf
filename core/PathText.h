#pragma once
// Paths are file-system bytes: UTF-8 as a rule, but a name copied from a Windows disk may
// hold its code page bytes unchanged. These conversions keep such a name readable and make
// it survive the trip through code page text (keys, history files) back to the same file.

#include <string>
#include <string_view>

namespace tandrel {

bool IsValidUtf8(std::string_view text);

// A path as code page text: converted from UTF-8, or taken as it is when it is not UTF-8
// (then its bytes already are code page text).
std::string PathToCodePage(const std::string& path);

// A path as UTF-8 text to show: itself when it is UTF-8, otherwise its bytes read in the
// code page.
std::string PathToUtf8Text(const std::string& path);

// The folder part of a path with its closing slash; empty when the path names no folder.
std::string FolderOfPath(const std::string& path);

// The path that code page text names: its UTF-8 spelling, unless only the raw bytes name
// an existing file.
std::string PathFromCodePage(const std::string& text);

} // namespace tandrel
