#pragma once
// One side's history of libraries opened in the object view.

#include <string>
#include <vector>

namespace tandrel {

// Paths (file-system text, UTF-8) most recent first, no two equal without regard to letter
// case. The file holds the same list as code page text, one path a line, each line ended by
// CR LF; a missing file is an empty history.
class THistoryList {
public:
    explicit THistoryList(std::string filePath) : FFilePath(std::move(filePath)) {}

    const std::string& FilePath() const { return FFilePath; }
    const std::vector<std::string>& Items() const { return FItems; }

    // Replaces the items by the file's lines; empty lines are skipped. Throws when the file
    // exists but cannot be read.
    void Load();
    // Moves or inserts the path at the head and rewrites the whole file. When the file
    // cannot be written the new order is kept in memory and the error is thrown.
    void Remember(const std::string& path);

private:
    std::string FFilePath;
    std::vector<std::string> FItems;
};

} // namespace tandrel
