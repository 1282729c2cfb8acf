#include "CoreCount.h"

#include <thread>

namespace tandrel {

unsigned CoreCount() {
    static const unsigned cores = std::thread::hardware_concurrency();
    return cores;
}

} // namespace tandrel
