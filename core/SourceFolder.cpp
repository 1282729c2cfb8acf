#include "SourceFolder.h"

#include "CodePage.h"
#include "InputFile.h"
#include "PathText.h"
#include "Stream.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view ExportHeader = "$PBExportHeader$";

constexpr std::array<std::string_view, 13> SourceExtensions = {
    ".srw", ".sru", ".srd", ".srm", ".srf", ".srs", ".sra",
    ".srq", ".srj", ".srp", ".srx", ".sry", ".srt"};

std::string Lowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view LastName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool HasNonAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

int64_t ModifiedNsOf(const struct stat& info) {
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Closes the folder handle on every way out.
class TFolderReader {
public:
    explicit TFolderReader(const std::string& path) : FDir(::opendir(path.c_str())) {
        if (FDir == nullptr)
            throw std::runtime_error("Cannot read folder \"" + path + "\". " +
                                     std::strerror(errno));
    }
    ~TFolderReader() { ::closedir(FDir); }
    TFolderReader(const TFolderReader&) = delete;
    TFolderReader& operator=(const TFolderReader&) = delete;
    // The next name, "." and ".." skipped; empty at the end.
    std::string Next() {
        while (const dirent* item = ::readdir(FDir)) {
            const std::string_view name = item->d_name;
            if (name != "." && name != "..")
                return std::string(name);
        }
        return {};
    }

private:
    DIR* FDir;
};

struct TSourceFile {
    std::string Path;
    std::string Name; // file-system bytes
    struct stat Info {};
};

// The source files of a folder, in name order so that a listing never depends on the order
// the file system keeps. Sub-folders and anything else that is not a regular file are left
// out.
std::vector<TSourceFile> SourceFilesOf(const std::string& folder) {
    std::vector<TSourceFile> files;
    TFolderReader reader(folder);
    const std::string prefix = folder.back() == '/' ? folder : folder + '/';
    for (std::string name = reader.Next(); !name.empty(); name = reader.Next()) {
        if (!IsSourceFileName(name))
            continue;
        TSourceFile file{prefix + name, name, {}};
        if (::stat(file.Path.c_str(), &file.Info) != 0 || !S_ISREG(file.Info.st_mode))
            continue;
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(),
              [](const TSourceFile& a, const TSourceFile& b) { return a.Name < b.Name; });
    return files;
}

TLibFacts FolderFacts(const std::vector<TSourceFile>& files) {
    TLibFacts facts{0, 0, static_cast<int64_t>(files.size())};
    for (const TSourceFile& file : files) {
        facts.Size += static_cast<int64_t>(file.Info.st_size);
        facts.ModifiedNs = std::max(facts.ModifiedNs, ModifiedNsOf(file.Info));
    }
    return facts;
}

std::string ReadWholeFile(const TSourceFile& file) {
    TInputFile input(file.Path);
    const auto size = static_cast<size_t>(input.Info().st_size);
    std::string bytes(size, '\0');
    bytes.resize(input.ReadUpTo(bytes.data(), size));
    return bytes;
}

// The entry a folder source stands for: named like the file with its extension in small
// letters (the type letter is the extension's last), its data the decoded text.
std::unique_ptr<TPblEntry> SourceEntry(const TSourceFile& file, int64_t offset, size_t size) {
    if (offset + static_cast<int64_t>(size) > INT32_MAX)
        throw std::runtime_error("The sources of folder \"" + file.Path +
                                 "\" are too large to list together");
    auto entry = std::make_unique<TPblEntry>();
    std::string name = PathToCodePage(file.Name);
    const size_t dot = name.rfind('.');
    name = name.substr(0, dot) + Lowered(name.substr(dot));
    const std::string fitted = FitEntryName(name);
    std::memcpy(entry->Name, fitted.data(), fitted.size());
    entry->DataOffset = static_cast<int32_t>(offset);
    entry->DataSize = static_cast<int32_t>(size);
    entry->TimeStamp =
        static_cast<int32_t>(std::clamp<int64_t>(file.Info.st_mtim.tv_sec, INT32_MIN, INT32_MAX));
    entry->PlainText = true;
    return entry;
}

TLibListing ListSourceFolder(const std::string& path) {
    const std::vector<TSourceFile> files = SourceFilesOf(path);
    TLibListing listing;
    listing.Folder = true;
    listing.Facts = FolderFacts(files);
    std::vector<unsigned char> texts;
    for (const TSourceFile& file : files) {
        const TDecodedSource source = DecodeSourceBytes(ReadWholeFile(file));
        if (source.Lossy)
            listing.Lossy.push_back(file.Path);
        std::unique_ptr<TPblEntry> entry =
            SourceEntry(file, static_cast<int64_t>(texts.size()), source.Text.size());
        texts.insert(texts.end(), source.Text.begin(), source.Text.end());
        std::string key = EntryKey(std::string_view(entry->Name));
        listing.Entries.push_back({std::move(key), std::move(entry)});
    }
    listing.Stream = std::make_unique<TMemoryStream>(std::move(texts));
    return listing;
}

} // namespace

bool IsSourceFileName(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    const std::string extension = Lowered(name.substr(dot));
    return std::find(SourceExtensions.begin(), SourceExtensions.end(), extension) !=
           SourceExtensions.end();
}

bool IsSourceFolder(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    const std::string_view name = LastName(path);
    if (name.size() > 4 && Lowered(name.substr(name.size() - 4)) == ".pbl")
        return true;
    try {
        return !SourceFilesOf(path).empty();
    } catch (const std::runtime_error&) {
        return false;
    }
}

std::optional<TLibFacts> LibFactsOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    if (!S_ISDIR(info.st_mode))
        return TLibFacts{static_cast<int64_t>(info.st_size), ModifiedNsOf(info), 1};
    try {
        return FolderFacts(SourceFilesOf(path));
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

TDecodedSource DecodeSourceBytes(std::string_view bytes) {
    const CodePage& cp = SystemCodePage();
    TDecodedSource source;
    if (bytes.starts_with(Utf16LeMark)) {
        const std::string_view units = bytes.substr(Utf16LeMark.size());
        std::u16string utf16(units.size() / 2, u'\0');
        for (size_t i = 0; i < utf16.size(); ++i)
            utf16[i] = static_cast<char16_t>(static_cast<unsigned char>(units[2 * i]) |
                                             static_cast<unsigned char>(units[2 * i + 1]) << 8);
        source.Text = cp.FromUtf16(utf16.data(), utf16.size());
        source.Lossy = units.size() % 2 != 0 || cp.ToUtf16(source.Text) != utf16;
    } else {
        const bool marked = bytes.starts_with(Utf8Mark);
        const std::string_view utf8 = marked ? bytes.substr(Utf8Mark.size()) : bytes;
        if (marked || (HasNonAscii(utf8) && IsValidUtf8(utf8))) {
            source.Text = cp.FromUtf8(utf8);
            source.Lossy = cp.ToUtf8(source.Text) != utf8;
        } else {
            source.Text = utf8;
        }
    }
    if (source.Text.starts_with("HA") &&
        std::string_view(source.Text).substr(2).starts_with(ExportHeader))
        source.Text.erase(0, 2);
    return source;
}

TLibListing ListLibraryAt(const std::string& path, size_t keepBytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        if (!IsSourceFolder(path))
            throw std::runtime_error("\"" + path +
                                     "\" is a folder without exported sources, not a library.");
        return ListSourceFolder(path);
    }
    auto stream = std::make_unique<TFileStream>(path, keepBytes, keepBytes > 0);
    TLibListing listing;
    listing.Facts = TLibFacts{stream->Size(), stream->ModifiedNs(), 1};
    GetPblEntries(*stream, listing.Entries, &listing.Damage);
    stream->CheckWhole();
    listing.Stream = std::move(stream);
    return listing;
}

std::unique_ptr<TStream> ReopenListedFile(const std::string& path, const TLibFacts& listed) {
    std::unique_ptr<TFileStream> stream;
    try {
        stream = std::make_unique<TFileStream>(path);
    } catch (const std::runtime_error&) {
        return nullptr;
    }
    if (TLibFacts{stream->Size(), stream->ModifiedNs(), 1} != listed)
        return nullptr;
    return stream;
}

} // namespace tandrel
