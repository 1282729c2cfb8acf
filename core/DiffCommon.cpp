#include "DiffCommon.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace tandrel {

namespace {

// Value -> class number, open addressing with linear probing at a load of at most one half;
// it grows with the number of distinct values, which texts with many repeated lines keep far
// below the number of elements.
class TClassTable {
public:
    TClassTable() { Resize(1 << 12); }

    // The class of a value, numbered in order of first appearance.
    int32_t ClassOf(int32_t value) {
        size_t slot = Home(value);
        while (FClasses[slot] >= 0) {
            if (FKeys[slot] == value)
                return FClasses[slot];
            slot = (slot + 1) & FMask;
        }
        if (2 * (static_cast<size_t>(FCount) + 1) > FKeys.size()) {
            Resize(2 * FKeys.size());
            slot = Home(value);
            while (FClasses[slot] >= 0)
                slot = (slot + 1) & FMask;
        }
        FKeys[slot] = value;
        FClasses[slot] = FCount;
        return FCount++;
    }

    int32_t Count() const { return FCount; }

private:
    size_t Home(int32_t value) const {
        return (static_cast<uint32_t>(value) * 0x9E3779B1u) & FMask;
    }

    void Resize(size_t capacity) {
        std::vector<int32_t> keys(capacity);
        std::vector<int32_t> classes(capacity, -1);
        FMask = capacity - 1;
        for (size_t i = 0; i < FKeys.size(); ++i)
            if (FClasses[i] >= 0) {
                size_t slot = Home(FKeys[i]);
                while (classes[slot] >= 0)
                    slot = (slot + 1) & FMask;
                keys[slot] = FKeys[i];
                classes[slot] = FClasses[i];
            }
        FKeys = std::move(keys);
        FClasses = std::move(classes);
    }

    std::vector<int32_t> FKeys;
    std::vector<int32_t> FClasses; // -1 = empty slot
    size_t FMask = 0;
    int32_t FCount = 0;
};

} // namespace

TCommonElements CommonElements(const int32_t* seq1, const int32_t* seq2, int32_t from, int32_t end1,
                               int32_t end2) {
    const auto n = static_cast<size_t>(end1 - from);
    const auto m = static_cast<size_t>(end2 - from);
    std::vector<int32_t> class1(n);
    std::vector<int32_t> class2(m);
    int32_t classes = 0;
    {
        TClassTable table;
        for (size_t i = 0; i < n; ++i)
            class1[i] = table.ClassOf(seq1[from + static_cast<int32_t>(i)]);
        for (size_t j = 0; j < m; ++j)
            class2[j] = table.ClassOf(seq2[from + static_cast<int32_t>(j)]);
        classes = table.Count();
    }
    std::vector<int32_t> count1(static_cast<size_t>(classes), 0);
    std::vector<int32_t> count2(static_cast<size_t>(classes), 0);
    for (int32_t c : class1)
        ++count1[static_cast<size_t>(c)];
    for (int32_t c : class2)
        ++count2[static_cast<size_t>(c)];

    // Dense numbers for the classes found on both sides; -1 for the others.
    TCommonElements common;
    std::vector<int32_t> dense(static_cast<size_t>(classes), -1);
    int64_t keptElements = 0;
    int64_t mostCommon = 0;
    for (size_t c = 0; c < dense.size(); ++c)
        if (count1[c] > 0 && count2[c] > 0) {
            dense[c] = common.Classes++;
            common.Pairs += int64_t{count1[c]} * count2[c];
            keptElements += int64_t{count1[c]} + count2[c];
            mostCommon += std::min(count1[c], count2[c]);
        }
    common.LeastDistance = keptElements - 2 * mostCommon;
    auto keep = [&](const std::vector<int32_t>& classOf, std::vector<int32_t>& kept,
                    std::vector<int32_t>& positions) {
        size_t size = 0;
        for (int32_t c : classOf)
            size += dense[static_cast<size_t>(c)] >= 0;
        kept.reserve(size);
        positions.reserve(size);
        for (size_t i = 0; i < classOf.size(); ++i)
            if (const int32_t c = dense[static_cast<size_t>(classOf[i])]; c >= 0) {
                kept.push_back(c);
                positions.push_back(from + static_cast<int32_t>(i));
            }
    };
    keep(class1, common.Class1, common.Pos1);
    keep(class2, common.Class2, common.Pos2);
    return common;
}

} // namespace tandrel
