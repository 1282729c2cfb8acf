#pragma once
// Whatever runs out, the user reads what was being done and with which file, never a bare
// "std::bad_alloc".

#include <new>
#include <stdexcept>
#include <string>

namespace tandrel {

// Runs `work`; a std::bad_alloc from it becomes an error "Out of memory while <doing>".
// Other errors pass unchanged, so an inner, more precise message wins.
template <class Work> decltype(auto) NamingOutOfMemory(const std::string& doing, Work&& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Out of memory while " + doing);
    }
}

} // namespace tandrel
