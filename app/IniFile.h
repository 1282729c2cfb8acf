#pragma once
// An INI-style settings file kept as its lines, so that writing a key changes that one line
// and every other section, key, comment and blank line stays as the user left it. Section
// and key names match without regard to letter case. Values are bytes, written as given.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tandrel {

class TIniFile {
public:
    // A missing file reads as empty; the first Save creates it. So does one that cannot be
    // used (a folder, FIFO or device in its place, a file far too large; see ReadOwnFile):
    // LoadError then says why, and the file is left alone.
    explicit TIniFile(std::string path);

    const std::string& Path() const { return FPath; }
    const std::string& LoadError() const { return FLoadError; }

    std::optional<std::string> Read(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // Decimal, or hexadecimal after a leading "$", as a signed 32-bit value; any other text
    // (an empty or missing value included) gives the fallback.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const;
    // Read as an integer: anything but 0 is true.
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Writes the file atomically; throws std::runtime_error "Unable to write to <path>:
    // <reason>".
    void Save() const;

private:
    // Index of the section's header line, or npos.
    size_t FindSection(const std::string& section) const;
    // Index of the key's line inside the section starting after `header`, or npos.
    size_t FindKey(size_t header, const std::string& key) const;

    std::string FPath;
    std::vector<std::string> FLines;
    bool FCrLf = false;
    std::string FLoadError;
};

// The integer reading rule on its own.
std::optional<int32_t> ParseIniInteger(const std::string& text);

} // namespace tandrel
