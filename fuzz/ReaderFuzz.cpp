// Lists a library made of arbitrary bytes and rebuilds every listed entry's source. Any
// read or write outside a buffer, endless loop or oversized allocation is a finding; so is
// a listed record whose name is not terminated or whose key does not follow from it, and
// sources that add up to more text than the file holds.

#include "PbFuncs.h"

#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tandrel::TMemoryStream stream(data, size);
    tandrel::TEntryList entries;
    tandrel::GetPblEntries(stream, entries);
    // No block is read for two entries nor beyond its 502 data bytes, and no UTF-16 unit
    // takes more code page bytes than its own two, so all sources together stay within the
    // file's size plus each entry's header and comments prefix. Both forms alike: a file
    // that does not start with the ANSI header is read as a Unicode library.
    constexpr size_t kHeaderBytesPerEntry = 100;
    size_t text = 0;
    std::vector<std::string> lines;
    for (const auto& item : entries) {
        const tandrel::TPblEntry& entry = *item.Object;
        if (std::memchr(entry.Name, 0, sizeof entry.Name) == nullptr ||
            item.Key != tandrel::EntryKey(entry.Name))
            __builtin_trap();
        lines.clear();
        tandrel::GetEntrySource(stream, entry, lines);
        if (lines.empty())
            __builtin_trap();
        for (const std::string& line : lines)
            text += line.size();
        if (text > size + entries.size() * kHeaderBytesPerEntry)
            __builtin_trap();
    }
    // The same bytes as the text of a target's library list.
    tandrel::SplitLibList(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
