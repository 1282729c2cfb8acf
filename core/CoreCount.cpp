#include "CoreCount.h"

#include <cstdlib>
#include <thread>

namespace tandrel {

unsigned CoreCount() {
    static const unsigned cores = std::thread::hardware_concurrency();
    return cores;
}

bool IdleCoreLikely() {
    const unsigned cores = CoreCount();
    double load = 0;
    return cores >= 2 && ::getloadavg(&load, 1) == 1 && load <= static_cast<double>(cores) - 1;
}

} // namespace tandrel
