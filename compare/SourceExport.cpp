#include "SourceExport.h"

#include "AllObjects.h"
#include "AtomicFile.h"
#include "CodePage.h"

#include <functional>
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

namespace {

std::string FolderPrefix(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

void WriteExport(const std::string& path, const TPblEntry& entry,
                 const std::function<bool(std::vector<std::string>&)>& read) {
    std::vector<std::string> lines;
    if (!read(lines))
        throw std::runtime_error("Cannot read the source of \"" + ExportFileName(entry) + "\"");
    WriteFileAtomic(path, JoinExportLines(lines));
}

} // namespace

int ExportObjectSources(const TLibCompare& model, const std::vector<int>& indexes, int side,
                        const std::string& folder) {
    const TEntryList& objs = side == 1 ? model.Objs1() : model.Objs2();
    const std::string prefix = FolderPrefix(folder);
    int written = 0;
    for (const int index : indexes) {
        if (index < 0 || static_cast<size_t>(index) >= objs.size() ||
            objs[static_cast<size_t>(index)].Key.empty())
            continue;
        const TPblEntry& entry = *objs[static_cast<size_t>(index)].Object;
        WriteExport(prefix + ExportFileName(entry), entry, [&](std::vector<std::string>& lines) {
            return model.ObjSource(index, side, lines);
        });
        ++written;
    }
    return written;
}

int ExportAllObjectSources(const TAllObjects& all, const std::vector<int>& indexes, int side,
                           const std::string& folder) {
    const std::string prefix = FolderPrefix(folder);
    int written = 0;
    for (const int index : indexes) {
        const TPblEntry* entry = all.Entry(index, side);
        TResultRow row;
        if (entry == nullptr || !all.Row(index, row))
            continue;
        const bool shadowed = side == 1 ? row.Shadowed1 : row.Shadowed2;
        const std::string at = shadowed ? prefix + (side == 1 ? row.Lib1 : row.Lib2) + "/" : prefix;
        WriteExport(at + ExportFileName(*entry), *entry, [&](std::vector<std::string>& lines) {
            return all.Source(index, side, lines);
        });
        ++written;
    }
    return written;
}

} // namespace tandrel
