#pragma once
// One side's history of the libraries, targets and workspaces it opened.

#include <string>
#include <vector>

namespace tandrel {

// Paths (file-system bytes) most recent first, no two equal without regard to letter case.
// The file holds each path's own bytes, one a line, each line ended by CR LF, so that a
// name the code page cannot spell opens again after a restart; only display converts. A
// missing file is an empty history.
class THistoryList {
public:
    explicit THistoryList(std::string filePath) : FFilePath(std::move(filePath)) {}

    const std::string& FilePath() const { return FFilePath; }
    const std::vector<std::string>& Items() const { return FItems; }

    // Replaces the items by the file's lines; empty lines are skipped. Throws when the file
    // exists but cannot be used (see ReadOwnFile); the history is then empty and the file
    // is left alone for the rest of the run, so the error is reported once.
    void Load();
    // Moves or inserts the path at the head and rewrites the whole file. When the file
    // cannot be written the new order is kept in memory and the error is thrown.
    void Remember(const std::string& path);
    // Puts the paths at the head in their order (the first the most recent) with one write.
    void Remember(const std::vector<std::string>& paths);

private:
    std::string FFilePath;
    std::vector<std::string> FItems;
    bool FFileRefused = false;
};

} // namespace tandrel
