#pragma once
// One unified diff of two whole library sets: every object that is changed, added or
// deleted, named by its library and file name, so that a tree of exported sources of the
// first set (a folder per library file, a file per object) patches into the second's.

#include "LibCompare.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// The file name of a path: what follows its last "/".
std::string PathFileName(const std::string& path);

// Walks the library rows of a compared model in key order; every pair is opened (it becomes
// the model's current pair), also one that equal size and file time made the same, and its
// objects that are not the same, in the object list's order, are written as unified diffs with
// `context` lines: "a/LIB/NAME.EXT" against "b/LIB/NAME.EXT" (LIB the library's file name on that
// side, NAME.EXT the object's in UTF-8), and /dev/null for the side that lacks the object. Returns
// the number of objects written.
int EmitSetPatch(TLibCompare& model, const TCompareOptions& options, int context,
                 const std::function<void(std::string_view)>& emit);

} // namespace tandrel
