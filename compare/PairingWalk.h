#pragma once
// The pairing walk shared by the library lists and the object lists, and the order of keys
// it relies on. The walk is only correct when both lists were sorted by the very comparison
// it uses, so a list is sorted and walked with one key order: CompareKeys for objects,
// CompareLibKeys (LibKeys.h) for libraries.

#include "CodePage.h"
#include "CompareCounts.h"
#include "PbFuncs.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string_view>

namespace tandrel {

// Case-insensitive by the program's code page.
inline int CompareKeys(std::string_view a, std::string_view b) {
    return SystemCodePage().CompareText(a, b);
}

using TKeyOrder = int (*)(std::string_view, std::string_view);

template <class Rec> void SortByKey(TKeyedList<Rec>& list, TKeyOrder order = CompareKeys) {
    std::stable_sort(list.begin(), list.end(),
                     [order](const TKeyedItem<Rec>& a, const TKeyedItem<Rec>& b) {
                         return order(a.Key, b.Key) < 0;
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

// Pairs two lists sorted by `order`: afterwards both have the same length and the items
// at one index are the two halves of one pair, a placeholder standing in for a missing half.
// Writes Added, Deleted and Changed of `counts`; Count1 and Count2 are the caller's.
//   isChanged(rec1, rec2) -> bool   the matched-pair rule of the caller
//   afterStep(k, len1, len2)        after each step while both lists still have an item at
//                                   the index; the lengths include the placeholders so far
// An exception from isChanged stops the walk and leaves both lists whole: paired up to
// that pair, the items not yet walked unpaired behind it.
//
// The walk takes the items out and puts them back paired rather than inserting placeholders
// in place, which would move every item behind the index each time and make two large lists
// without common keys take quadratic time. While the walk runs the lists hold the finished
// pairs only, so whatever reads them while isChanged lets the user interface run sees pairs.
template <class Rec, class ChangedRule, class StepHook>
void PairLists(TKeyedList<Rec>& list1, TKeyedList<Rec>& list2, TCompareCounts& counts,
               ChangedRule&& isChanged, StepHook&& afterStep, TKeyOrder order = CompareKeys) {
    counts.Added = 0;
    counts.Deleted = 0;
    counts.Changed = 0;
    // The lists keep room for every pair, so nothing allocates when the rest is put back.
    TKeyedList<Rec> rest1, rest2;
    rest1.reserve(list1.size() + list2.size());
    rest2.reserve(list1.size() + list2.size());
    rest1.swap(list1);
    rest2.swap(list2);
    size_t next1 = 0, next2 = 0;
    struct TPutBack {
        TKeyedList<Rec>& List;
        TKeyedList<Rec>& Rest;
        const size_t& Next;
        ~TPutBack() {
            List.insert(List.end(),
                        std::make_move_iterator(Rest.begin() + static_cast<std::ptrdiff_t>(Next)),
                        std::make_move_iterator(Rest.end()));
        }
    } putBack1{list1, rest1, next1}, putBack2{list2, rest2, next2};

    // Placeholders are made before an item is taken, so a failure loses no item.
    const auto takeOnly1 = [&](uint8_t status) {
        TKeyedItem<Rec> placeholder = MakePlaceholder<Rec>(status);
        rest1[next1].Object->Status = status;
        list1.push_back(std::move(rest1[next1++]));
        list2.push_back(std::move(placeholder));
    };
    const auto takeOnly2 = [&](uint8_t status) {
        TKeyedItem<Rec> placeholder = MakePlaceholder<Rec>(status);
        rest2[next2].Object->Status = status;
        list1.push_back(std::move(placeholder));
        list2.push_back(std::move(rest2[next2++]));
    };
    while (next1 < rest1.size() && next2 < rest2.size()) {
        const int sign = order(rest1[next1].Key, rest2[next2].Key);
        if (sign < 0) {
            takeOnly1(csDeleted);
            ++counts.Deleted;
        } else if (sign > 0) {
            takeOnly2(csAdded);
            ++counts.Added;
        } else {
            if (isChanged(*rest1[next1].Object, *rest2[next2].Object)) {
                rest1[next1].Object->Status = csChanged;
                rest2[next2].Object->Status = csChanged;
                ++counts.Changed;
            }
            list1.push_back(std::move(rest1[next1++]));
            list2.push_back(std::move(rest2[next2++]));
        }
        // The lengths an in-place walk would see: the pairs so far and what is left.
        afterStep(list1.size(), list1.size() + rest1.size() - next1,
                  list2.size() + rest2.size() - next2);
    }
    for (; next1 < rest1.size(); ++counts.Deleted)
        takeOnly1(csDeleted);
    for (; next2 < rest2.size(); ++counts.Added)
        takeOnly2(csAdded);
}

} // namespace tandrel
