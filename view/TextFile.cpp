#include "TextFile.h"

#include "CodePage.h"
#include "InputFile.h"
#include "PbFuncs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel {

namespace {

// The line list is reserved up front; memchr finds line feeds much faster than a byte loop.
size_t CountLineFeeds(std::string_view data) {
    size_t count = 0;
    const char* p = data.data();
    const char* const end = p + data.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}

// A whole file read into one buffer with a spare byte at its end.
struct TFileBytes {
    std::unique_ptr<char[]> Bytes;
    size_t Size = 0;
    std::time_t ModifiedTime = 0;
    std::int64_t ModifiedNs = 0;
};

TFileBytes ReadFileBytes(const std::string& path) {
    const TInputFile file(path);
    const struct stat& info = file.Info();
    // The size is a hint only: the file may change while it is read.
    size_t capacity = static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 1;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(larger.get(), bytes.get(), used);
            bytes = std::move(larger);
            capacity *= 2;
        }
        const ssize_t got = ::read(file.Fd(), bytes.get() + used, capacity - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw file.Error(std::strerror(errno));
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
    }
    return {std::move(bytes), used, info.st_mtime,
            std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

TTextFile SplitText(std::unique_ptr<char[]> bytes, size_t size) {
    const std::string_view data(bytes.get(), size);
    TTextFile text;
    text.Lines.reserve(CountLineFeeds(data) + 1);
    SplitLineViews(data, text.Lines);
    text.Bytes = std::move(bytes);
    return text;
}

TTextFile SplitText(const std::string& converted) {
    auto bytes = std::make_unique_for_overwrite<char[]>(converted.size() + 1);
    std::memcpy(bytes.get(), converted.data(), converted.size());
    return SplitText(std::move(bytes), converted.size());
}

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";

} // namespace

TTextFile LoadTextFile(const std::string& path) {
    TFileBytes file = ReadFileBytes(path);
    TTextFile text = SplitText(std::move(file.Bytes), file.Size);
    text.ModifiedTime = file.ModifiedTime;
    text.ModifiedNs = file.ModifiedNs;
    return text;
}

TSourceFile LoadSourceFile(const std::string& path) {
    TFileBytes file = ReadFileBytes(path);
    const std::string_view data(file.Bytes.get(), file.Size);
    const CodePage& cp = SystemCodePage();
    TSourceFile source;
    if (data.starts_with(Utf8Mark)) {
        const std::string_view utf8 = data.substr(Utf8Mark.size());
        const std::string converted = cp.FromUtf8(utf8);
        source.Encoding = TTextEncoding::Utf8Bom;
        source.Lossy = cp.ToUtf8(converted) != utf8;
        source.Text = SplitText(converted);
    } else if (data.starts_with(Utf16LeMark)) {
        const std::string_view units = data.substr(Utf16LeMark.size());
        std::u16string utf16(units.size() / 2, u'\0');
        for (size_t i = 0; i < utf16.size(); ++i)
            utf16[i] = char16_t(static_cast<unsigned char>(units[2 * i]) |
                                static_cast<unsigned char>(units[2 * i + 1]) << 8);
        const std::string converted = cp.FromUtf16(utf16.data(), utf16.size());
        source.Encoding = TTextEncoding::Utf16LeBom;
        source.Lossy = units.size() % 2 != 0 || cp.ToUtf16(converted) != utf16;
        source.Text = SplitText(converted);
    } else {
        source.Text = SplitText(std::move(file.Bytes), file.Size);
    }
    source.Text.ModifiedTime = file.ModifiedTime;
    source.Text.ModifiedNs = file.ModifiedNs;
    return source;
}

std::string EncodeSourceText(const std::vector<std::string_view>& lines, TTextEncoding encoding) {
    size_t size = 0;
    for (std::string_view line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    const CodePage& cp = SystemCodePage();
    switch (encoding) {
    case TTextEncoding::Utf8Bom:
        return std::string(Utf8Mark) + cp.ToUtf8(text);
    case TTextEncoding::Utf16LeBom: {
        const std::u16string utf16 = cp.ToUtf16(text);
        std::string bytes(Utf16LeMark);
        bytes.reserve(bytes.size() + utf16.size() * 2);
        for (char16_t unit : utf16) {
            bytes += char(unit & 0xFF);
            bytes += char(unit >> 8);
        }
        return bytes;
    }
    case TTextEncoding::CodePage:
        break;
    }
    return text;
}

TTextFile TextFromLines(const std::vector<std::string_view>& lines) {
    size_t size = 0;
    for (std::string_view line : lines)
        size += line.size();
    TTextFile text;
    text.Bytes = std::make_unique_for_overwrite<char[]>(size + 1);
    text.Lines.reserve(lines.size());
    char* p = text.Bytes.get();
    for (std::string_view line : lines) {
        std::memcpy(p, line.data(), line.size());
        text.Lines.emplace_back(p, line.size());
        p += line.size();
    }
    return text;
}

} // namespace tandrel
