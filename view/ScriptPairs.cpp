#include "ScriptPairs.h"

#include "HashUnit.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace tandrel {

namespace {

std::pair<size_t, size_t> JudgedLines(const TScriptSection& section) {
    return {static_cast<size_t>(section.First), static_cast<size_t>(section.Last) + 1};
}

// Lines the same byte for byte are equal under every option; only the others are hashed.
template <class Lines>
bool SameLines(const TScriptSection& a, const Lines& lines1, const TScriptSection& b,
               const Lines& lines2, bool ignoreCase, bool ignoreBlanks, const CodePage& page) {
    const auto [begin1, end1] = JudgedLines(a);
    const auto [begin2, end2] = JudgedLines(b);
    if (end1 - begin1 != end2 - begin2)
        return false;
    for (size_t i = 0; i < end1 - begin1; ++i) {
        const std::string_view line1 = lines1[begin1 + i];
        const std::string_view line2 = lines2[begin2 + i];
        if (line1 != line2 &&
            ((!ignoreCase && !ignoreBlanks) || LineHash(line1, ignoreCase, ignoreBlanks, page) !=
                                                   LineHash(line2, ignoreCase, ignoreBlanks, page)))
            return false;
    }
    return true;
}

} // namespace

template <class Lines>
void TScriptPairs::Build(const Lines& lines1, const Lines& lines2, bool ignoreCase,
                         bool ignoreBlanks, const CodePage& page) {
    FOutline1 = TScriptOutline(lines1, page);
    FOutline2 = TScriptOutline(lines2, page);
    const std::vector<TScriptSection>& sections1 = FOutline1.Sections();
    const std::vector<TScriptSection>& sections2 = FOutline2.Sections();

    std::unordered_map<std::string, std::deque<int32_t>> unpaired2;
    for (size_t j = 0; j < sections2.size(); ++j)
        unpaired2[SectionKey(sections2[j], page)].push_back(static_cast<int32_t>(j));
    std::vector<int32_t> partner1(sections1.size(), -1);
    std::vector<bool> paired2(sections2.size(), false);
    for (size_t i = 0; i < sections1.size(); ++i) {
        const auto found = unpaired2.find(SectionKey(sections1[i], page));
        if (found == unpaired2.end() || found->second.empty())
            continue;
        partner1[i] = found->second.front();
        paired2[static_cast<size_t>(partner1[i])] = true;
        found->second.pop_front();
    }

    FPairs.clear();
    FPairOf1.assign(sections1.size(), -1);
    FPairOf2.assign(sections2.size(), -1);
    auto add = [this](int32_t section1, int32_t section2, TCompareStatus status) {
        const auto index = static_cast<int32_t>(FPairs.size());
        FPairs.push_back({section1, section2, status});
        if (section1 >= 0)
            FPairOf1[static_cast<size_t>(section1)] = index;
        if (section2 >= 0)
            FPairOf2[static_cast<size_t>(section2)] = index;
    };
    size_t next2 = 0; // side 2 sections before this one are placed
    auto placeAdded = [&](size_t before) {
        for (; next2 < before; ++next2)
            if (!paired2[next2])
                add(-1, static_cast<int32_t>(next2), csAdded);
    };
    for (size_t i = 0; i < sections1.size(); ++i) {
        const int32_t j = partner1[i];
        if (j < 0) {
            add(static_cast<int32_t>(i), -1, csDeleted);
            continue;
        }
        placeAdded(static_cast<size_t>(j));
        next2 = std::max(next2, static_cast<size_t>(j) + 1);
        const bool same = SameLines(sections1[i], lines1, sections2[static_cast<size_t>(j)], lines2,
                                    ignoreCase, ignoreBlanks, page);
        add(static_cast<int32_t>(i), j, same ? csSame : csChanged);
    }
    placeAdded(sections2.size());
}

TScriptPairs::TScriptPairs(const std::vector<std::string>& lines1,
                           const std::vector<std::string>& lines2, bool ignoreCase,
                           bool ignoreBlanks, const CodePage& page) {
    Build(lines1, lines2, ignoreCase, ignoreBlanks, page);
}

TScriptPairs::TScriptPairs(const std::vector<std::string_view>& lines1,
                           const std::vector<std::string_view>& lines2, bool ignoreCase,
                           bool ignoreBlanks, const CodePage& page) {
    Build(lines1, lines2, ignoreCase, ignoreBlanks, page);
}

int32_t TScriptPairs::PairAtLine(bool isSide1, int32_t line) const {
    const int32_t section = Outline(isSide1).SectionAt(line);
    if (section < 0)
        return -1;
    return (isSide1 ? FPairOf1 : FPairOf2)[static_cast<size_t>(section)];
}

std::string TScriptPairs::TitleAtLine(bool isSide1, int32_t line) const {
    const int32_t section = Outline(isSide1).SectionAt(line);
    if (section < 0)
        return {};
    return SectionTitle(Outline(isSide1).Sections()[static_cast<size_t>(section)]);
}

} // namespace tandrel
