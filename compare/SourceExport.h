#pragma once
// Exported sources written to a folder, one file per object, as tandrel-cli export writes
// them: the code page bytes with every line followed by CR LF.

#include "LibCompare.h"

#include <string>
#include <vector>

namespace tandrel {

class TAllObjects;

// An object's source as an export file holds it: every line followed by CR LF.
std::string JoinExportLines(const std::vector<std::string>& lines);

// The file name an object's export gets: its name with extension in UTF-8, since file
// names are UTF-8 and object names code page text.
std::string ExportFileName(const TPblEntry& entry);

// Side `side`'s half of the object pair at `index` as its export file holds it; the pair
// must have that half. Throws std::runtime_error naming the object when it cannot be read.
std::string ObjectExportText(const TLibCompare& model, int index, int side);

// Writes side `side`'s half of each object pair at `indexes` (rows of the model's current
// pair) into `folder`, which is created when missing; pairs that lack that half are passed
// over. Each file is written whole or not at all. Returns the number of files written;
// throws std::runtime_error naming the file that could not be read or written.
int ExportObjectSources(const TLibCompare& model, const std::vector<int>& indexes, int side,
                        const std::string& folder);

// The same for rows of the all-objects list. A half shadowed by an object of the same name
// goes into a sub-folder named like its library, where a folder of that name reads as that
// library again, rather than over the file of the object that hides it.
int ExportAllObjectSources(const TAllObjects& all, const std::vector<int>& indexes, int side,
                           const std::string& folder);

} // namespace tandrel
