#pragma once
// Input files of one tandrel-cli command, mapped read-only instead of copied: the bytes a
// command only compares are never read into a buffer of its own.

#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace tandrel {
class TMappedFile;
}

namespace tandrel::cli {

// Should another program shorten a mapped file while the command runs, reading the lost
// part would raise SIGBUS. The command then ends with status 2 and
// "tandrel-cli: "PATH" was shortened while it was read" on standard error, never with a
// crash. A file that cannot be mapped is read instead.
class TMappedInput {
public:
    // Throws std::runtime_error "Cannot read "<path>": <reason>" (also for a folder or
    // anything else that is not a regular file).
    explicit TMappedInput(const std::string& path);
    ~TMappedInput();
    TMappedInput(const TMappedInput&) = delete;
    TMappedInput& operator=(const TMappedInput&) = delete;

    std::string_view View() const { return {FData, FSize}; }
    std::time_t ModifiedTime() const { return FModifiedTime; }

private:
    const char* FData = nullptr;
    size_t FSize = 0;
    std::unique_ptr<TMappedFile> FMap;
    std::string FCopy; // the bytes, when the file could not be mapped
    std::time_t FModifiedTime = 0;
};

} // namespace tandrel::cli
