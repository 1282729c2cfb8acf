#pragma once
// Reading the program's own small files (the settings file, the library histories). They are
// input like any other: a folder, a FIFO or a device put in their place, or a file far larger
// than the program ever writes, must neither hang the start nor exhaust memory.

#include <cstddef>
#include <optional>
#include <string>

namespace tandrel {

// Far above what the program writes (a history of ten thousand paths), far below harm.
constexpr size_t kOwnFileLimit = 1024 * 1024;

// The whole file; nullopt when there is none (a link to nowhere included). Throws
// std::runtime_error "Cannot read "PATH": reason" for anything but a regular file of at most
// `limit` bytes, and when it cannot be read.
std::optional<std::string> ReadOwnFile(const std::string& path, size_t limit = kOwnFileLimit);

} // namespace tandrel
