#include "IniFile.h"

#include "AtomicFile.h"
#include "OwnFile.h"

#include <cctype>
#include <stdexcept>

namespace tandrel {

namespace {

constexpr size_t npos = std::string::npos;

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsSectionLine(const std::string& line) {
    const std::string text = Trim(line);
    return text.size() >= 2 && text.front() == '[' && text.back() == ']';
}

std::string SectionName(const std::string& line) {
    const std::string text = Trim(line);
    return Trim(text.substr(1, text.size() - 2));
}

// The key of a "key=value" line; empty for comments and lines without '='.
std::string KeyOf(const std::string& line) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == ';' || text[0] == '#')
        return {};
    const size_t eq = line.find('=');
    return eq == npos ? std::string() : Trim(line.substr(0, eq));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<int32_t> ParseIniInteger(const std::string& raw) {
    const std::string text = Trim(raw);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i < text.size() && text[i] == '$') {
        // Eight hexadecimal digits hold every 32-bit pattern: $FFFFFFFF is -1.
        ++i;
        if (i == text.size() || text.size() - i > 8)
            return std::nullopt;
        uint32_t value = 0;
        for (; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        const auto result = static_cast<int32_t>(value);
        return negative ? static_cast<int32_t>(0u - value) : result;
    }
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

TIniFile::TIniFile(std::string path) : FPath(std::move(path)) {
    std::optional<std::string> bytes;
    try {
        bytes = ReadOwnFile(FPath);
    } catch (const std::exception& e) {
        FLoadError = e.what();
    }
    if (!bytes)
        return;
    const std::string& text = *bytes;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            FCrLf = true;
        }
        FLines.push_back(std::move(line));
        start = end + 1;
    }
}

size_t TIniFile::FindSection(const std::string& section) const {
    for (size_t i = 0; i < FLines.size(); ++i)
        if (IsSectionLine(FLines[i]) && SameName(SectionName(FLines[i]), section))
            return i;
    return npos;
}

size_t TIniFile::FindKey(size_t header, const std::string& key) const {
    for (size_t i = header + 1; i < FLines.size() && !IsSectionLine(FLines[i]); ++i)
        if (SameName(KeyOf(FLines[i]), key))
            return i;
    return npos;
}

std::optional<std::string> TIniFile::Read(const std::string& section,
                                          const std::string& key) const {
    const size_t header = FindSection(section);
    if (header == npos)
        return std::nullopt;
    const size_t line = FindKey(header, key);
    if (line == npos)
        return std::nullopt;
    return Trim(FLines[line].substr(FLines[line].find('=') + 1));
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    return Read(section, key).value_or(fallback);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t fallback) const {
    const auto text = Read(section, key);
    if (!text)
        return fallback;
    return ParseIniInteger(*text).value_or(fallback);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    const std::string line = key + "=" + value;
    size_t header = FindSection(section);
    if (header == npos) {
        if (!FLines.empty() && !Trim(FLines.back()).empty())
            FLines.emplace_back();
        FLines.push_back("[" + section + "]");
        FLines.push_back(line);
        return;
    }
    const size_t existing = FindKey(header, key);
    if (existing != npos) {
        FLines[existing] = line;
        return;
    }
    // After the section's last non-blank line, so a blank line before the next section stays.
    size_t insertAt = header + 1;
    for (size_t i = header + 1; i < FLines.size() && !IsSectionLine(FLines[i]); ++i)
        if (!Trim(FLines[i]).empty())
            insertAt = i + 1;
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::Save() const {
    const char* eol = FCrLf ? "\r\n" : "\n";
    std::string bytes;
    for (const std::string& line : FLines)
        bytes += line + eol;
    try {
        WriteFileAtomic(FPath, bytes);
    } catch (const TWriteError& e) {
        throw std::runtime_error("Unable to write to " + FPath + ": " + e.Reason());
    }
}

} // namespace tandrel
