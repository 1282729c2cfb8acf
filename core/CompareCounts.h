#pragma once
// The figures every view publishes to the status bar: the item or line counts of both
// sides and how many of them were added, deleted or changed.

#include <cstdint>

namespace tandrel {

struct TCompareCounts {
    int32_t Count1 = 0;
    int32_t Count2 = 0;
    int32_t Added = 0;
    int32_t Deleted = 0;
    int32_t Changed = 0;
};

} // namespace tandrel
