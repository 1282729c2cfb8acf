#pragma once
// The pairing walk shared by the library lists and the object lists, and the one order of
// keys it relies on. The walk is only correct when both lists were sorted by the very
// comparison it uses, so sorting and walking go through CompareKeys and nothing else.

#include "CodePage.h"
#include "CompareCounts.h"
#include "PbFuncs.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>

namespace tandrel {

// Case-insensitive by the program's code page.
inline int CompareKeys(std::string_view a, std::string_view b) {
    return SystemCodePage().CompareText(a, b);
}

template <class Rec> void SortByKey(TKeyedList<Rec>& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const TKeyedItem<Rec>& a, const TKeyedItem<Rec>& b) {
                         return CompareKeys(a.Key, b.Key) < 0;
                     });
}

// Removes the placeholders and makes every real entry csSame again, ready for a new walk.
template <class Rec> void UnpairList(TKeyedList<Rec>& list) {
    std::erase_if(list, [](const TKeyedItem<Rec>& item) { return item.Key.empty(); });
    for (TKeyedItem<Rec>& item : list)
        item.Object->Status = csSame;
}

template <class Rec> TKeyedItem<Rec> MakePlaceholder(uint8_t status) {
    TKeyedItem<Rec> item;
    item.Object = std::make_unique<Rec>();
    item.Object->Status = status;
    return item;
}

// Pairs two lists sorted by CompareKeys: afterwards both have the same length and the items
// at one index are the two halves of one pair, a placeholder standing in for a missing half.
// Writes Added, Deleted and Changed of `counts`; Count1 and Count2 are the caller's.
//   isChanged(rec1, rec2) -> bool   the matched-pair rule of the caller
//   afterStep(k, len1, len2)        after each step while both lists still have an item at
//                                   the index; the lengths include the placeholders so far
// An exception from isChanged stops the walk and leaves the lists paired up to that index.
template <class Rec, class ChangedRule, class StepHook>
void PairLists(TKeyedList<Rec>& list1, TKeyedList<Rec>& list2, TCompareCounts& counts,
               ChangedRule&& isChanged, StepHook&& afterStep) {
    counts.Added = 0;
    counts.Deleted = 0;
    counts.Changed = 0;
    size_t i = 0;
    // The lengths grow with every placeholder, so they are read again on every turn.
    while (i < list1.size() && i < list2.size()) {
        const int order = CompareKeys(list1[i].Key, list2[i].Key);
        if (order < 0) {
            list2.insert(list2.begin() + static_cast<std::ptrdiff_t>(i),
                         MakePlaceholder<Rec>(csDeleted));
            list1[i].Object->Status = csDeleted;
            ++counts.Deleted;
        } else if (order > 0) {
            list1.insert(list1.begin() + static_cast<std::ptrdiff_t>(i),
                         MakePlaceholder<Rec>(csAdded));
            list2[i].Object->Status = csAdded;
            ++counts.Added;
        } else if (isChanged(*list1[i].Object, *list2[i].Object)) {
            list1[i].Object->Status = csChanged;
            list2[i].Object->Status = csChanged;
            ++counts.Changed;
        }
        ++i;
        afterStep(i, list1.size(), list2.size());
    }
    for (; i < list1.size(); ++i) {
        list2.push_back(MakePlaceholder<Rec>(csDeleted));
        list1[i].Object->Status = csDeleted;
        ++counts.Deleted;
    }
    for (; i < list2.size(); ++i) {
        list1.push_back(MakePlaceholder<Rec>(csAdded));
        list2[i].Object->Status = csAdded;
        ++counts.Added;
    }
}

} // namespace tandrel
