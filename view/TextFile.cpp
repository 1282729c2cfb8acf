#include "TextFile.h"

#include "CodePage.h"
#include "InputFile.h"
#include "PathText.h"
#include "PbFuncs.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

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

// A buffer for a file, or the file's error when there is no memory for it.
std::unique_ptr<char[]> FileBuffer(const TInputFile& file, size_t size) {
    try {
        return std::make_unique_for_overwrite<char[]>(size);
    } catch (const std::bad_alloc&) {
        throw file.Error("there is not enough memory to hold " + std::to_string(size) +
                         " bytes of it");
    }
}

TFileBytes ReadFileBytes(const std::string& path) {
    const TInputFile file(path);
    const struct stat& info = file.Info();
    // The size is a hint only: the file may change while it is read.
    size_t capacity = static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 1;
    auto bytes = FileBuffer(file, capacity);
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            auto larger = FileBuffer(file, capacity * 2);
            std::memcpy(larger.get(), bytes.get(), used);
            bytes = std::move(larger);
            capacity *= 2;
        }
        const size_t wanted = capacity - used;
        const size_t got = file.ReadUpTo(bytes.get() + used, wanted);
        used += got;
        // Short only where the file ends.
        if (got < wanted)
            break;
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

// Calls onLine(line) for each line of a text: CR LF, CR and LF each end one, and unlike the
// source splitter a NUL byte does not end the text.
template <class OnLine> void ForEachLineKeepingNul(std::string_view text, OnLine&& onLine) {
    size_t start = 0;
    while (start < text.size()) {
        size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos)
            stop = text.size();
        onLine(text.substr(start, stop - start));
        if (stop + 1 < text.size() && text[stop] == '\r' && text[stop + 1] == '\n')
            ++stop;
        start = stop + 1;
    }
}

// A binary file's lines: the NUL bytes stay in them, so that two binary files that differ
// never show as the same (the text splitter would end both texts at their first NUL).
TTextFile SplitKeepingNul(std::unique_ptr<char[]> bytes, size_t size) {
    const std::string_view data(bytes.get(), size);
    TTextFile text;
    text.Lines.reserve(CountLineFeeds(data) + 1);
    ForEachLineKeepingNul(data, [&](std::string_view line) { text.Lines.push_back(line); });
    text.Bytes = std::move(bytes);
    return text;
}

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf16BeMark = "\xFE\xFF";

std::string_view MarkOf(TTextEncoding encoding) {
    switch (encoding) {
    case TTextEncoding::Utf8Bom:
        return Utf8Mark;
    case TTextEncoding::Utf16LeBom:
        return Utf16LeMark;
    case TTextEncoding::Utf16BeBom:
        return Utf16BeMark;
    case TTextEncoding::CodePage:
    case TTextEncoding::Utf8:
        break;
    }
    return {};
}

const char* NameOf(TTextEncoding encoding) {
    switch (encoding) {
    case TTextEncoding::Utf8:
    case TTextEncoding::Utf8Bom:
        return "UTF-8";
    case TTextEncoding::Utf16LeBom:
        return "UTF-16LE";
    case TTextEncoding::Utf16BeBom:
        return "UTF-16BE";
    case TTextEncoding::CodePage:
        break;
    }
    return "the code page";
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// UTF-16 code units in either byte order as UTF-8. A surrogate without its partner is no
// character: it becomes U+FFFD, which the code page has no form for, so it is counted as
// not shown rather than passing unnoticed.
std::string Utf16ToUtf8(std::string_view units, bool bigEndian) {
    const auto unitAt = [&](size_t i) {
        const auto first = static_cast<unsigned char>(units[2 * i]);
        const auto second = static_cast<unsigned char>(units[2 * i + 1]);
        return bigEndian ? char32_t(first << 8 | second) : char32_t(second << 8 | first);
    };
    const size_t count = units.size() / 2;
    std::string out;
    out.reserve(units.size() * 3 / 2);
    for (size_t i = 0; i < count; ++i) {
        char32_t code = unitAt(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && unitAt(i + 1) >= 0xDC00 &&
            unitAt(i + 1) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}

// Bytes of the UTF-8 sequence starting at `at`; a byte that starts none stands alone.
size_t Utf8Length(std::string_view text, size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    const size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
    return std::min(n, text.size() - at);
}

// Counts the characters of a UTF-8 text that do not come back unchanged from the code
// page. Only called when the whole text does not, so the line-by-line work is rare.
void CountUnshown(std::string_view utf8, TTextLoss& loss) {
    const CodePage& cp = SystemCodePage();
    const auto survives = [&](std::string_view text) {
        return cp.ToUtf8(cp.FromUtf8(text)) == text;
    };
    std::int64_t number = 0;
    ForEachLineKeepingNul(utf8, [&](std::string_view line) {
        ++number;
        if (survives(line))
            return;
        std::int64_t lost = 0;
        for (size_t at = 0; at < line.size();) {
            const size_t length = Utf8Length(line, at);
            lost += survives(line.substr(at, length)) ? 0 : 1;
            at += length;
        }
        loss.Unshown += std::max<std::int64_t>(lost, 1);
        if (loss.FirstUnshownLine == 0)
            loss.FirstUnshownLine = number;
    });
}

// UTF-8 as code page text, with what it lost.
std::string FromUtf8Counted(std::string_view utf8, TTextLoss& loss) {
    const CodePage& cp = SystemCodePage();
    std::string converted = cp.FromUtf8(utf8);
    if (cp.ToUtf8(converted) != utf8)
        CountUnshown(utf8, loss);
    return converted;
}

bool HasMultiByteUtf8(std::string_view data) {
    return std::any_of(data.begin(), data.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) &&
           IsValidUtf8(data);
}

bool CodePageIsUtf8() {
    std::string name = SystemCodePage().Name();
    std::erase(name, '-');
    return SystemCodePage().SameText(name, "UTF8");
}

// The line break the text uses first, and whether its last line ends with one.
TTextForm FormOf(std::string_view text, TTextEncoding encoding) {
    TTextForm form;
    form.Encoding = encoding;
    const size_t at = text.find_first_of("\r\n");
    if (at != std::string_view::npos)
        form.LineBreak = text.substr(at, 2) == "\r\n" ? "\r\n" : std::string(1, text[at]);
    form.FinalBreak = text.empty() || text.back() == '\n' || text.back() == '\r';
    return form;
}

TSourceFile ConvertedSource(std::string_view utf8, TTextEncoding encoding, TTextLoss loss) {
    TSourceFile source;
    source.Loss = loss;
    const std::string converted = FromUtf8Counted(utf8, source.Loss);
    source.Form = FormOf(converted, encoding);
    source.Text = SplitText(converted);
    return source;
}

// The file's bytes as code-page lines, with the form to save them back in.
TSourceFile DecodeSource(TFileBytes& file) {
    const std::string_view data(file.Bytes.get(), file.Size);
    const bool utf16Le = data.starts_with(Utf16LeMark);
    const bool binary = std::memchr(data.data(), '\0', data.size()) != nullptr;
    if (utf16Le || data.starts_with(Utf16BeMark)) {
        const std::string_view units = data.substr(Utf16LeMark.size());
        TTextLoss loss;
        loss.OddLength = units.size() % 2 != 0;
        const std::string utf8 = Utf16ToUtf8(units, !utf16Le);
        if (utf8.find('\0') == std::string::npos)
            return ConvertedSource(
                utf8, utf16Le ? TTextEncoding::Utf16LeBom : TTextEncoding::Utf16BeBom, loss);
    } else if (!binary) {
        if (data.starts_with(Utf8Mark))
            return ConvertedSource(data.substr(Utf8Mark.size()), TTextEncoding::Utf8Bom, {});
        if (!CodePageIsUtf8() && HasMultiByteUtf8(data))
            return ConvertedSource(data, TTextEncoding::Utf8, {});
        TSourceFile source;
        source.Form = FormOf(data, TTextEncoding::CodePage);
        source.Text = SplitText(std::move(file.Bytes), file.Size);
        return source;
    }
    TSourceFile source;
    source.Form = FormOf(data, TTextEncoding::CodePage);
    source.Loss.Binary = true;
    source.Text = SplitKeepingNul(std::move(file.Bytes), file.Size);
    return source;
}

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
    TSourceFile source = DecodeSource(file);
    source.Text.ModifiedTime = file.ModifiedTime;
    source.Text.ModifiedNs = file.ModifiedNs;
    return source;
}

std::string LossText(const TTextLoss& loss) {
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (loss.Binary)
        add("binary file");
    if (loss.Unshown > 0)
        add(std::to_string(loss.Unshown) + (loss.Unshown == 1 ? " character" : " characters") +
            " cannot be shown in " + SystemCodePage().Name() + ", the first on line " +
            std::to_string(loss.FirstUnshownLine));
    if (loss.OddLength)
        add("UTF-16 file of odd length, its last byte is not shown");
    return text;
}

std::string EncodeSourceText(const std::vector<std::string_view>& lines, const TTextForm& form) {
    size_t size = 0;
    for (std::string_view line : lines)
        size += line.size() + form.LineBreak.size();
    std::string text;
    text.reserve(size);
    for (size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size() || form.FinalBreak)
            text += form.LineBreak;
    }
    if (form.Encoding == TTextEncoding::CodePage)
        return text;
    const CodePage& cp = SystemCodePage();
    const std::string utf8 = cp.ToUtf8(text);
    if (cp.FromUtf8(utf8) != text) {
        // Bytes that are no character of the code page (half a double-byte character, say)
        // would be written as U+FFFD and never come back.
        const auto bad = std::find_if(lines.begin(), lines.end(), [&](std::string_view line) {
            return cp.FromUtf8(cp.ToUtf8(line)) != line;
        });
        throw std::runtime_error("line " + std::to_string(bad - lines.begin() + 1) +
                                 " holds bytes that are no character in " + cp.Name() +
                                 ", so it cannot be written as " + NameOf(form.Encoding));
    }
    std::string bytes(MarkOf(form.Encoding));
    if (form.Encoding == TTextEncoding::Utf8 || form.Encoding == TTextEncoding::Utf8Bom)
        return bytes + utf8;
    const bool bigEndian = form.Encoding == TTextEncoding::Utf16BeBom;
    const std::u16string utf16 = cp.ToUtf16(text);
    bytes.reserve(bytes.size() + utf16.size() * 2);
    for (char16_t unit : utf16) {
        const char high = char(unit >> 8);
        const char low = char(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
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
