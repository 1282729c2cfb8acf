#include "HistoryList.h"

#include "AtomicFile.h"
#include "CodePage.h"
#include "PathText.h"
#include "PbFuncs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tandrel {

void THistoryList::Load() {
    FItems.clear();
    std::error_code ec;
    if (!std::filesystem::exists(FFilePath, ec))
        return;
    std::ifstream file(FFilePath, std::ios::binary);
    if (!file)
        throw std::runtime_error("Cannot open file \"" + FFilePath + "\". " + std::strerror(errno));
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (file.bad())
        throw std::runtime_error("Cannot read file \"" + FFilePath + "\".");
    std::vector<std::string> lines;
    SplitLines(text, lines);
    for (const std::string& line : lines)
        if (!line.empty())
            FItems.push_back(PathFromCodePage(line));
}

void THistoryList::Remember(const std::string& path) {
    const CodePage& cp = SystemCodePage();
    const std::string key = PathToCodePage(path);
    std::erase_if(FItems,
                  [&](const std::string& item) { return cp.SameText(PathToCodePage(item), key); });
    FItems.insert(FItems.begin(), path);
    std::string bytes;
    for (const std::string& item : FItems)
        bytes += PathToCodePage(item) + "\r\n";
    WriteFileAtomic(FFilePath, bytes);
}

} // namespace tandrel
