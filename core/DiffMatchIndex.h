#pragma once
// Which ranges of a search hold no element of the other side.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tandrel {

// Tells in constant time whether a range of one sequence holds no element that occurs
// anywhere in the other one. The search of a sub-problem without any equal pair of
// elements depends only on its two lengths, so such sub-problems can be answered without
// searching. Built once per run from a hash set of both sequences' values.
class TMatchIndex {
public:
    // Sequence 1 from p up to (excluding) len1, sequence 2 from p up to len2.
    TMatchIndex(const int32_t* seq1, const int32_t* seq2, int32_t p, int32_t len1, int32_t len2)
        : FFirst(p) {
        const size_t count = static_cast<size_t>(len1 - p) + static_cast<size_t>(len2 - p);
        size_t capacity = 16;
        while (capacity < 2 * count)
            capacity *= 2;
        FKeys.resize(capacity);
        FSides.assign(capacity, 0);
        FMask = capacity - 1;
        for (int32_t i = p; i < len1; ++i)
            FSides[Slot(seq1[i])] |= InSeq1;
        for (int32_t i = p; i < len2; ++i)
            FSides[Slot(seq2[i])] |= InSeq2;
        FMatched1 = Counts(seq1, p, len1, InSeq2);
        FMatched2 = Counts(seq2, p, len2, InSeq1);
    }

    bool NoneMatched1(int32_t from, int32_t to) const { return None(FMatched1, from, to); }
    bool NoneMatched2(int32_t from, int32_t to) const { return None(FMatched2, from, to); }

private:
    static constexpr uint8_t InSeq1 = 1;
    static constexpr uint8_t InSeq2 = 2;

    // The slot of a value, claimed for it when it is new (open addressing, linear probing).
    size_t Slot(int32_t value) {
        size_t slot = (static_cast<uint32_t>(value) * 0x9E3779B1u) & FMask;
        while (FSides[slot] != 0 && FKeys[slot] != value)
            slot = (slot + 1) & FMask;
        FKeys[slot] = value;
        return slot;
    }

    // counts[i - p] = how many elements before i (from p on) occur in the other sequence.
    std::vector<int32_t> Counts(const int32_t* seq, int32_t p, int32_t len, uint8_t other) {
        std::vector<int32_t> counts(static_cast<size_t>(len - p) + 1, 0);
        for (int32_t i = p; i < len; ++i)
            counts[static_cast<size_t>(i - p) + 1] =
                counts[static_cast<size_t>(i - p)] + ((FSides[Slot(seq[i])] & other) != 0);
        return counts;
    }

    bool None(const std::vector<int32_t>& counts, int32_t from, int32_t to) const {
        return counts[static_cast<size_t>(to - FFirst)] ==
               counts[static_cast<size_t>(from - FFirst)];
    }

    int32_t FFirst;
    size_t FMask = 0;
    std::vector<int32_t> FKeys;
    std::vector<uint8_t> FSides; // 0 = empty slot
    std::vector<int32_t> FMatched1;
    std::vector<int32_t> FMatched2;
};

} // namespace tandrel
