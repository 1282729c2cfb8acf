#pragma once
// The whole comparison of two library sets as one self-contained HTML file, to read in a
// browser and print: no script, no style sheet or image from elsewhere.

#include "DiffRows.h"
#include "LibCompare.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

class TAllObjects;

// What a report shows beside the comparison. Texts are UTF-8; colours are plain 00BBGGRR
// values (the list's status colours and the source view's row colours).
struct THtmlReportInfo {
    std::vector<std::string> Side1, Side2; // what each side was made of (paths)
    std::string Now; // the time of the report; empty takes the current local time
    TRowColors Colors;
    int Context = 3; // unchanged lines shown around each change of an object
};

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(std::string_view utf8);

// The report of a compared model: both sides' paths and the time, the library list with
// statuses and counts, then for every changed library its object list, and for every
// changed object its side-by-side diff: aligned rows coloured by kind, the unchanged lines
// beyond `Context` of a change folded into one row that counts them. Opens each changed
// library pair, which becomes the model's current pair. Output goes to emit in pieces.
void EmitHtmlReport(TLibCompare& model, const TCompareOptions& options, const THtmlReportInfo& info,
                    const std::function<void(std::string_view)>& emit);

// The report of an all-objects list: both sides' paths and the time, every row with its
// status (a move as a move) and the libraries holding its halves, then for every row whose
// sources differ its side-by-side diff, as EmitHtmlReport shows one. Reads the sources
// through `all`, which throws TLibraryChanged for a library changed since it was built.
void EmitAllObjectsReport(const TAllObjects& all, const TCompareOptions& options,
                          const THtmlReportInfo& info,
                          const std::function<void(std::string_view)>& emit);
// The same written to `path` whole or not at all.
void WriteAllObjectsReport(const std::string& path, const TAllObjects& all,
                           const TCompareOptions& options, const THtmlReportInfo& info);

// The report of two library lists, compared afresh in a model of its own (so the caller's
// model keeps its current pair), written to `path` whole or not at all. info.Side1 and
// info.Side2 are filled with the libraries' paths when empty.
void WriteHtmlReport(const std::string& path, const std::vector<std::string>& libs1,
                     const std::vector<std::string>& libs2, const TCompareOptions& options,
                     THtmlReportInfo info);

} // namespace tandrel
