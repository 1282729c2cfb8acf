// Targets, workspaces, file facts and time stamps: the part of the library access that
// turns project files into library paths and file facts into records.

#include "CodePage.h"
#include "OutOfMemory.h"
#include "PathLookup.h"
#include "PathText.h"
#include "PbFuncs.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <sys/stat.h>

namespace tandrel {

namespace {

// Targets and workspaces PowerBuilder writes are a few kilobytes; a file far beyond that
// is no project file, and reading it whole would cost time and memory without bound.
constexpr int64_t kMaxProjectFileSize = 16 * 1024 * 1024;

// A text file as UTF-8: a byte-order mark names UTF-8 or UTF-16LE, anything else is text
// in the program's code page.
std::string ReadTextFileUtf8(const std::string& path, TProjectExpansion& expansion) {
    TFileStream stream(path);
    if (stream.Size() > kMaxProjectFileSize)
        throw std::runtime_error("\"" + path +
                                 "\" is larger than 16 MB, too large for a target or workspace");
    expansion.ChargeFile(path, stream.Size());
    std::string bytes(static_cast<size_t>(std::max<int64_t>(0, stream.Size())), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return bytes.substr(3);
    if (bytes.rfind("\xFF\xFE", 0) == 0) {
        std::u16string text((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                            (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        const CodePage utf8("UTF-8");
        return utf8.FromUtf16(text.data(), text.size());
    }
    return SystemCodePage().ToUtf8(bytes);
}

// Calls onLine(line) for every line of the file, split as SplitLines does, until it
// returns false; the lines are not held all at once.
template <class OnLine>
void ForEachLineOf(const std::string& path, TProjectExpansion& expansion, OnLine&& onLine) {
    const std::string all = ReadTextFileUtf8(path, expansion);
    std::string_view text(all);
    text = text.substr(0, text.find('\0'));
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t stop = std::min(text.find_first_of("\r\n", pos), text.size());
        if (!onLine(text.substr(pos, stop - pos)))
            return;
        pos = stop + 1;
        if (stop + 1 < text.size() && text[stop] == '\r' && text[stop + 1] == '\n')
            ++pos;
    }
}

// An item of a target or workspace as a path: relative items are joined to `folder`; every
// run of backslashes becomes one "/".
std::string ResolveItem(const std::string& folder, std::string_view item) {
    const bool absolute = item.starts_with('/') || item.find(":\\") != std::string::npos;
    const std::string joined = absolute ? std::string(item) : folder + std::string(item);
    std::string path;
    path.reserve(joined.size());
    for (size_t i = 0; i < joined.size(); ++i) {
        if (joined[i] != '\\') {
            path += joined[i];
            continue;
        }
        path += '/';
        while (i + 1 < joined.size() && joined[i + 1] == '\\')
            ++i;
    }
    return path;
}

// The text after the first double quote of a line, without the line's last two characters
// (the closing quote and the semicolon).
std::string_view QuotedRest(std::string_view line) {
    const size_t quote = line.find('"');
    if (quote == std::string::npos || line.size() < 2 || quote + 1 > line.size() - 2)
        return {};
    return line.substr(quote + 1, line.size() - 2 - (quote + 1));
}

bool IsBlankOrControl(char c) {
    return c >= 1 && c <= ' ';
}

// A quoted item: runs to the closing quote, a doubled quote standing for one; an item
// without its closing quote runs to the end.
std::string ExtractQuoted(std::string_view text, size_t& pos) {
    std::string item;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                item += '"';
                pos += 2;
                continue;
            }
            ++pos;
            return item;
        }
        item += text[pos++];
    }
    return item;
}

// Calls onItem(item) for every item of a target's library list: items are separated by ";"
// or by blanks and control characters; quoted items keep their blanks. Two semicolons in a
// row give an empty item, as does a semicolon at the end.
template <class OnItem> void ForEachLibItem(std::string_view text, OnItem&& onItem) {
    size_t pos = 0;
    const size_t size = text.size();
    while (pos < size && IsBlankOrControl(text[pos]))
        ++pos;
    while (pos < size && text[pos] != '\0') {
        if (text[pos] == '"') {
            onItem(ExtractQuoted(text, pos));
        } else {
            const size_t start = pos;
            while (pos<size&& static_cast<unsigned char>(text[pos])> ' ' && text[pos] != ';')
                ++pos;
            onItem(std::string(text.substr(start, pos - start)));
        }
        while (pos < size && IsBlankOrControl(text[pos]))
            ++pos;
        if (pos < size && text[pos] == ';') {
            if (pos + 1 >= size || text[pos + 1] == '\0')
                onItem(std::string());
            ++pos;
            while (pos < size && IsBlankOrControl(text[pos]))
                ++pos;
        }
    }
}

} // namespace

void TProjectExpansion::ChargeFile(const std::string& path, int64_t bytes) {
    if (++FFiles > kMaxFiles)
        throw std::runtime_error("Too many targets and workspaces at \"" + path +
                                 "\": one command reads at most " + std::to_string(kMaxFiles));
    FBytes += bytes;
    if (FBytes > kMaxBytes)
        throw std::runtime_error("Too much to read at \"" + path +
                                 "\": one command reads at most " +
                                 std::to_string(kMaxBytes >> 20) + " MB of targets and workspaces");
}

void TProjectExpansion::ChargeLibrary(const std::string& path) {
    if (++FLibraries > kMaxLibraries)
        throw std::runtime_error("Too many libraries at \"" + path +
                                 "\": one command takes at most " + std::to_string(kMaxLibraries));
}

std::vector<std::string> SplitLibList(std::string_view text) {
    std::vector<std::string> items;
    ForEachLibItem(text, [&](std::string item) { items.push_back(std::move(item)); });
    return items;
}

// An empty item (";;", or the ";" that ends many lists) names no library: joined to the
// folder it would name the folder itself, which is never a library.
void GetTargetLibs(const std::string& targetFile, std::vector<std::string>& libs,
                   TProjectExpansion& expansion) {
    const std::string folder = FolderOfPath(targetFile);
    NamingOutOfMemory("reading \"" + targetFile + "\"", [&] {
        ForEachLineOf(targetFile, expansion, [&](std::string_view line) {
            if (line.size() < 8)
                return true;
            std::string start(line.substr(0, 8));
            for (char& c : start)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            if (start != "LIBLIST ")
                return true;
            ForEachLibItem(QuotedRest(line), [&](const std::string& item) {
                if (item.empty())
                    return;
                expansion.ChargeLibrary(targetFile);
                libs.push_back(ResolveItem(folder, item));
            });
            return false;
        });
    });
}

void GetWorkspaceLibs(const std::string& workspaceFile, std::vector<std::string>& libs,
                      TProjectExpansion& expansion) {
    const std::string folder = FolderOfPath(workspaceFile);
    bool inTargets = false;
    NamingOutOfMemory("reading \"" + workspaceFile + "\"", [&] {
        ForEachLineOf(workspaceFile, expansion, [&](std::string_view line) {
            if (line == "@begin Targets") {
                inTargets = true;
            } else if (line == "@end;" && inTargets) {
                return false;
            } else if (inTargets && line.find('"') != std::string::npos) {
                const std::string target = ResolveItem(folder, QuotedRest(line));
                const std::optional<std::string> found = expansion.Lookup.Find(target);
                GetTargetLibs(found ? *found : target, libs, expansion);
            }
            return true;
        });
    });
}

void GetTargetLibs(const std::string& targetFile, std::vector<std::string>& libs) {
    TProjectExpansion expansion;
    GetTargetLibs(targetFile, libs, expansion);
}

void GetWorkspaceLibs(const std::string& workspaceFile, std::vector<std::string>& libs) {
    TProjectExpansion expansion;
    GetWorkspaceLibs(workspaceFile, libs, expansion);
}

namespace {

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

double LocalDateTime(time_t when, bool evenSecond) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        gmtime_r(&when, &local);
    const int second = evenSecond ? local.tm_sec & ~1 : local.tm_sec;
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, second);
}

} // namespace

std::unique_ptr<TFolderRec> GetFolderRec(const std::string& path) {
    TPathLookup lookup;
    return GetFolderRec(path, lookup);
}

std::unique_ptr<TFolderRec> GetFolderRec(const std::string& path, TPathLookup& lookup) {
    if (path.empty() || path.back() == '/')
        return nullptr;
    // Most paths exist as written: one call tells that and their facts.
    struct stat info {};
    std::string found = path;
    if (::stat(path.c_str(), &info) != 0) {
        std::optional<std::string> match = lookup.Find(path);
        if (!match || ::stat(match->c_str(), &info) != 0)
            return nullptr;
        found = std::move(*match);
    }
    auto rec = std::make_unique<TFolderRec>();
    rec->FileName = std::move(found);
    rec->IsDir = S_ISDIR(info.st_mode);
    rec->Size = static_cast<int64_t>(info.st_size);
    rec->Time = LocalDateTime(info.st_mtime, true);
    rec->Status = csSame;
    return rec;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    const int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        DaysFromCivil(1899, 12, 30);
    return (static_cast<double>(days) * 86400.0 + hour * 3600 + minute * 60 + second) / 86400.0;
}

double PblTimeToDateTime(int32_t seconds) {
    return LocalDateTime(static_cast<time_t>(seconds), false);
}

std::string FormatDateTime(double dateTime) {
    // Whole milliseconds first, so that 0.99999... of a second is the next second. Rounded
    // here rather than by the maths library, which tandrel-cli would otherwise load for it.
    const double scaled = dateTime * 86400000.0;
    const int64_t ms = static_cast<int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
    int64_t days = ms / 86400000;
    int64_t msOfDay = ms % 86400000;
    if (msOfDay < 0) {
        msOfDay += 86400000;
        --days;
    }
    // Civil date from days since 1899-12-30.
    const int64_t z = days + DaysFromCivil(1899, 12, 30) + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
    const int64_t secs = msOfDay / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(year), month, day, static_cast<long long>(secs / 3600),
                  static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
    return text;
}

} // namespace tandrel
