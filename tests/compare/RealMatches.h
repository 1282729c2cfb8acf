#pragma once
// Each real corpus lists the sources PowerBuilder exported from its libraries, one object a
// row: library path, object file name and exported file, the paths relative to the corpus.

#include "CompareTestUtil.h"
#include "PbFuncs.h"

#include <string>
#include <vector>

namespace tandrel::test {

struct TRealMatch {
    std::string Lib;      // relative to the corpus
    std::string Name;     // the object's file name inside the library
    std::string Exported; // full path
};

inline std::vector<TRealMatch> ReadRealMatches(const std::string& realData,
                                               const std::string& corpus) {
    std::vector<std::string> lines;
    SplitLines(ReadText(realData + "/" + corpus + ".matches.tsv"), lines);
    std::vector<TRealMatch> matches;
    for (const std::string& line : lines) {
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        matches.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                           realData + "/" + corpus + "/" + line.substr(tab2 + 1)});
    }
    return matches;
}

} // namespace tandrel::test
