#pragma once
// Shortcuts shared by the reader tests: list a built library, rebuild one entry's source.

#include "CodePage.h"
#include "PbFuncs.h"
#include "PblWriter.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel::test {

inline TEntryList List(const PblImage& image) {
    TMemoryStream stream = image.Stream();
    TEntryList entries;
    GetPblEntries(stream, entries);
    return entries;
}

inline std::vector<std::string> Keys(const TEntryList& entries) {
    std::vector<std::string> keys;
    for (const auto& item : entries)
        keys.push_back(item.Key);
    return keys;
}

// The export lines of the listed entry named `name`; empty when it is not listed.
inline std::vector<std::string> Source(const PblImage& image, std::string_view name) {
    TMemoryStream stream = image.Stream();
    TEntryList entries;
    GetPblEntries(stream, entries);
    std::vector<std::string> lines;
    for (const auto& item : entries)
        if (name == item.Object->Name)
            GetEntrySource(stream, *item.Object, lines);
    return lines;
}

inline std::string FormName(const ::testing::TestParamInfo<PblForm>& param) {
    return param.param == PblForm::Ansi ? "Ansi" : "Unicode";
}

// Code page text from UTF-8 source literals.
inline std::string Cp(std::string_view utf8) {
    return SystemCodePage().FromUtf8(utf8);
}

} // namespace tandrel::test
