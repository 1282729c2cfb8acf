#include "SourceExport.h"

#include "AtomicFile.h"
#include "CodePage.h"

#include <stdexcept>

namespace tandrel {

std::string JoinExportLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string ExportFileName(const TPblEntry& entry) {
    return SystemCodePage().ToUtf8(entry.Name);
}

std::string ObjectExportText(const TLibCompare& model, int index, int side) {
    std::vector<std::string> lines;
    if (!model.ObjSource(index, side, lines)) {
        const TEntryList& objs = side == 1 ? model.Objs1() : model.Objs2();
        throw std::runtime_error("Cannot read the source of \"" +
                                 ExportFileName(*objs.at(static_cast<size_t>(index)).Object) +
                                 "\"");
    }
    return JoinExportLines(lines);
}

int ExportObjectSources(const TLibCompare& model, const std::vector<int>& indexes, int side,
                        const std::string& folder) {
    const TEntryList& objs = side == 1 ? model.Objs1() : model.Objs2();
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int written = 0;
    for (const int index : indexes) {
        if (index < 0 || static_cast<size_t>(index) >= objs.size() ||
            objs[static_cast<size_t>(index)].Key.empty())
            continue;
        const TPblEntry& entry = *objs[static_cast<size_t>(index)].Object;
        std::vector<std::string> lines;
        if (!model.ObjSource(index, side, lines))
            throw std::runtime_error("Cannot read the source of \"" + ExportFileName(entry) + "\"");
        WriteFileAtomic(prefix + ExportFileName(entry), JoinExportLines(lines));
        ++written;
    }
    return written;
}

} // namespace tandrel
