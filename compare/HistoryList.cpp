#include "HistoryList.h"

#include "AtomicFile.h"
#include "CodePage.h"
#include "OwnFile.h"
#include "PathText.h"
#include "PbFuncs.h"

#include <algorithm>
#include <stdexcept>
#include <sys/stat.h>

namespace tandrel {

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// A line that is not UTF-8 is a path in other bytes (a name copied from Windows), or a path
// that an earlier version wrote in the code page: its UTF-8 spelling is taken only when that
// names a file and the bytes themselves do not.
std::string PathOfLine(const std::string& line) {
    if (IsValidUtf8(line))
        return line;
    const std::string utf8 = SystemCodePage().ToUtf8(line);
    return !Exists(line) && Exists(utf8) ? utf8 : line;
}

} // namespace

void THistoryList::Load() {
    FItems.clear();
    FFileRefused = false;
    std::optional<std::string> text;
    try {
        text = ReadOwnFile(FFilePath);
    } catch (const std::exception& e) {
        FFileRefused = true;
        throw std::runtime_error(std::string(e.what()) +
                                 ". The history starts empty and the file is left alone");
    }
    if (!text)
        return;
    std::vector<std::string> lines;
    SplitLines(*text, lines);
    for (const std::string& line : lines)
        if (!line.empty())
            FItems.push_back(PathOfLine(line));
}

void THistoryList::Remember(const std::string& path) {
    Remember(std::vector<std::string>{path});
}

void THistoryList::Remember(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    const CodePage& cp = SystemCodePage();
    std::vector<std::string> items;
    const auto add = [&](const std::string& path) {
        if (std::none_of(items.begin(), items.end(),
                         [&](const std::string& item) { return cp.SameText(item, path); }))
            items.push_back(path);
    };
    for (const std::string& path : paths)
        add(path);
    for (const std::string& item : FItems)
        add(item);
    FItems = std::move(items);
    if (FFileRefused)
        return;
    std::string bytes;
    for (const std::string& item : FItems)
        bytes += item + "\r\n";
    WriteFileAtomic(FFilePath, bytes);
}

} // namespace tandrel
