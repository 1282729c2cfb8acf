#include "CodePage.h"

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cwctype>
#include <iconv.h>
#include <locale.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace tandrel {

namespace {

// One direction of conversion. iconv keeps a shift state in its handle, so a handle serves
// one conversion at a time: each conversion leases a handle of its own from the pool and
// gives it back when done. Conversions may therefore run on several threads at once.
class Iconv {
public:
    // Opens nothing yet: loading a converter costs the start of every program, and most
    // texts are ASCII, which needs none.
    Iconv(const std::string& to, const std::string& from) : FTo(to), FFrom(from) {}
    ~Iconv() {
        for (iconv_t handle : FFree)
            iconv_close(handle);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts as much as possible. `onInvalid` is called when input at `in` cannot be
    // converted; it returns how many input bytes to skip and appends its replacement.
    template <class OnInvalid>
    std::string Convert(const char* in, size_t inLeft, OnInvalid onInvalid) const {
        const Lease lease(*this);
        const iconv_t handle = lease.Handle;
        std::string out;
        out.resize(inLeft * 2 + 16);
        char* dst = out.data();
        size_t dstLeft = out.size();
        char* src = const_cast<char*>(in);
        while (inLeft > 0) {
            size_t r = iconv(handle, &src, &inLeft, &dst, &dstLeft);
            if (r != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG) {
                size_t used = static_cast<size_t>(dst - out.data());
                out.resize(out.size() * 2 + 16);
                dst = out.data() + used;
                dstLeft = out.size() - used;
                continue;
            }
            // EILSEQ or EINVAL (truncated sequence at the end): replace and go on.
            std::string replacement;
            size_t skip = onInvalid(src, inLeft, replacement);
            if (skip == 0 || skip > inLeft)
                skip = inLeft;
            src += skip;
            inLeft -= skip;
            size_t used = static_cast<size_t>(dst - out.data());
            if (dstLeft < replacement.size() + 16) {
                out.resize(out.size() * 2 + replacement.size() + 16);
                dst = out.data() + used;
                dstLeft = out.size() - used;
            }
            for (char c : replacement) {
                *dst++ = c;
                --dstLeft;
            }
            iconv(handle, nullptr, nullptr, nullptr, nullptr);
        }
        size_t flushLeft = dstLeft;
        iconv(handle, nullptr, nullptr, &dst, &flushLeft);
        out.resize(static_cast<size_t>(dst - out.data()));
        return out;
    }

    // Converts one complete sequence; returns the errno on failure, 0 on success.
    int ConvertOne(const char* in, size_t length, std::string& out) const {
        const Lease lease(*this);
        char buffer[16];
        char* src = const_cast<char*>(in);
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        if (iconv(lease.Handle, &src, &length, &dst, &dstLeft) == static_cast<size_t>(-1))
            return errno;
        // A code page that combines characters (CP1258) holds the last one back until then.
        if (iconv(lease.Handle, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1))
            return errno;
        out.assign(buffer, static_cast<size_t>(dst - buffer));
        return 0;
    }

    // Throws when iconv does not know the code page; the handle opened stays in the pool.
    void Check(const std::string& pageName) const {
        const iconv_t handle = Open();
        if (handle == kNoHandle)
            throw std::runtime_error("Unknown code page \"" + pageName + "\"");
        const std::lock_guard<std::mutex> lock(FMutex);
        FFree.push_back(handle);
    }

private:
    static inline const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);

    // A handle in its initial state, taken from the pool for one conversion.
    struct Lease {
        explicit Lease(const Iconv& pool) : Pool(pool), Handle(pool.Take()) {}
        ~Lease() { Pool.Give(Handle); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        const Iconv& Pool;
        iconv_t Handle;
    };

    iconv_t Open() const { return iconv_open(FTo.c_str(), FFrom.c_str()); }

    iconv_t Take() const {
        {
            const std::lock_guard<std::mutex> lock(FMutex);
            if (!FFree.empty()) {
                const iconv_t handle = FFree.back();
                FFree.pop_back();
                return handle;
            }
        }
        const iconv_t handle = Open();
        if (handle == kNoHandle)
            throw std::runtime_error("Cannot convert from " + FFrom + " to " + FTo);
        return handle;
    }

    void Give(iconv_t handle) const {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        const std::lock_guard<std::mutex> lock(FMutex);
        FFree.push_back(handle);
    }

    std::string FTo;
    std::string FFrom;
    mutable std::mutex FMutex;
    mutable std::vector<iconv_t> FFree;
};

size_t Utf16UnitsOfInvalid(const char* src, size_t left) {
    // A surrogate pair that has no form is one character: one '?' for both units.
    if (left >= 4) {
        unsigned hi =
            static_cast<unsigned char>(src[0]) | (static_cast<unsigned char>(src[1]) << 8);
        unsigned lo =
            static_cast<unsigned char>(src[2]) | (static_cast<unsigned char>(src[3]) << 8);
        if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF)
            return 4;
    }
    return 2;
}

size_t Utf8LengthOfInvalid(const char* src, size_t left) {
    unsigned char c = static_cast<unsigned char>(src[0]);
    size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return n <= left ? n : left;
}

char32_t DecodeUtf8(const std::string& s) {
    if (s.empty())
        return 0;
    unsigned char c = static_cast<unsigned char>(s[0]);
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    char32_t cp = c & (0x3F >> extra);
    for (int i = 1; i <= extra && i < static_cast<int>(s.size()); ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return cp;
}

std::string EncodeUtf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

char32_t UnicodeLower(char32_t cp) {
    static locale_t utf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (utf8Locale != nullptr)
        return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), utf8Locale));
    return cp;
}

bool AllAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool AllAscii(const char16_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (text[i] >= 0x80)
            return false;
    return true;
}

} // namespace

struct CodePage::Converters {
    explicit Converters(const std::string& name)
        : FromUtf16(name, "UTF-16LE"), ToUtf16("UTF-16LE", name), FromUtf8(name, "UTF-8"),
          ToUtf8("UTF-8", name) {}
    Iconv FromUtf16;
    Iconv ToUtf16;
    Iconv FromUtf8;
    Iconv ToUtf8;
};

CodePage::CodePage(const std::string& name, TTables tables)
    : FName(name), FConv(std::make_unique<Converters>(name)) {
    if (tables == TTables::Known && name == "GBK") {
        SetGbkTables();
        return;
    }
    FConv->ToUtf8.Check(name);
    FConv->FromUtf8.Check(name);
    ProbeTables();
}

void CodePage::SetGbkTables() {
    for (int b = 0; b < 256; ++b) {
        FLower[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
        FLeadByte[b] = b >= 0x81 && b <= 0xFE;
        FTrailByte[b] = b >= 0x40 && b <= 0xFE && b != 0x7F;
    }
    FKnownByteText = true;
}

void CodePage::ProbeTables() {
    for (int b = 0; b < 256; ++b) {
        FLower[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
        const char byte = static_cast<char>(b);
        std::string utf8;
        int err = FConv->ToUtf8.ConvertOne(&byte, 1, utf8);
        if (b < 0x80) {
            std::string back;
            FAsciiKept = FAsciiKept && err == 0 && utf8 == std::string(1, byte) &&
                         FConv->FromUtf8.ConvertOne(&byte, 1, back) == 0 && back == utf8;
            continue;
        }
        if (err == EINVAL) {
            FLeadByte[b] = true;
            continue;
        }
        if (err != 0 || utf8.empty())
            continue;
        char32_t lower = UnicodeLower(DecodeUtf8(utf8));
        std::string lowerUtf8 = EncodeUtf8(lower);
        std::string back;
        if (lowerUtf8 != utf8 &&
            FConv->FromUtf8.ConvertOne(lowerUtf8.data(), lowerUtf8.size(), back) == 0 &&
            back.size() == 1)
            FLower[b] = static_cast<unsigned char>(back[0]);
    }
    // A trail byte completes at least one lead byte to a character. A program whose code
    // page has no tables of its own builds this one at start, so each byte is tried only
    // until a lead byte takes it.
    std::string utf8;
    for (int t = 0; t < 256; ++t)
        for (int lead = 0x80; lead < 256 && !FTrailByte[t]; ++lead) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(t)};
            FTrailByte[t] = FLeadByte[lead] && FConv->ToUtf8.ConvertOne(pair, 2, utf8) == 0;
        }
}

bool CodePage::ByteText() const {
    if (FKnownByteText)
        return true;
    if (!FAsciiKept)
        return false;
    // A pair that is still incomplete starts a character of more than two bytes.
    std::string utf8;
    for (int lead = 0x80; lead < 256; ++lead)
        for (int t = 0; FLeadByte[lead] && t < 256; ++t) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(t)};
            if (FConv->ToUtf8.ConvertOne(pair, 2, utf8) == EINVAL)
                return false;
        }
    return true;
}

CodePage::~CodePage() = default;

std::string CodePage::FromUtf16(const char16_t* text, size_t length) const {
    if (FAsciiKept && AllAscii(text, length))
        return std::string(text, text + length);
    return FConv->FromUtf16.Convert(reinterpret_cast<const char*>(text), length * 2,
                                    [](const char* src, size_t left, std::string& replacement) {
                                        replacement = "?";
                                        return Utf16UnitsOfInvalid(src, left);
                                    });
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
    if (FAsciiKept && AllAscii(utf8))
        return std::string(utf8);
    return FConv->FromUtf8.Convert(utf8.data(), utf8.size(),
                                   [](const char* src, size_t left, std::string& replacement) {
                                       replacement = "?";
                                       return Utf8LengthOfInvalid(src, left);
                                   });
}

std::string CodePage::ToUtf8(std::string_view text) const {
    if (FAsciiKept && AllAscii(text))
        return std::string(text);
    return FConv->ToUtf8.Convert(
        text.data(), text.size(), [this](const char* src, size_t left, std::string& replacement) {
            replacement = "\xEF\xBF\xBD";
            return IsLeadByte(static_cast<unsigned char>(*src)) && left >= 2 ? 2 : 1;
        });
}

std::u16string CodePage::ToUtf16(std::string_view text) const {
    if (FAsciiKept && AllAscii(text))
        return std::u16string(text.begin(), text.end());
    std::string bytes = FConv->ToUtf16.Convert(
        text.data(), text.size(), [this](const char* src, size_t left, std::string& replacement) {
            replacement = std::string("\xFD\xFF", 2);
            return IsLeadByte(static_cast<unsigned char>(*src)) && left >= 2 ? 2 : 1;
        });
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

void CodePage::LowerInPlace(std::string& text) const {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (FLeadByte[c]) {
            ++i;
            continue;
        }
        text[i] = static_cast<char>(FLower[c]);
    }
}

int CodePage::CompareText(std::string_view a, std::string_view b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    bool trailA = false;
    bool trailB = false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        unsigned char la = trailA ? ca : FLower[ca];
        unsigned char lb = trailB ? cb : FLower[cb];
        if (la != lb)
            return la < lb ? -1 : 1;
        trailA = !trailA && FLeadByte[ca];
        trailB = !trailB && FLeadByte[cb];
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

size_t CodePage::CharLength(std::string_view text, size_t at) const {
    return at + 1 < text.size() && FLeadByte[static_cast<unsigned char>(text[at])] &&
                   FTrailByte[static_cast<unsigned char>(text[at + 1])]
               ? 2
               : 1;
}

size_t CodePage::CharStart(std::string_view text, size_t at) const {
    size_t i = 0;
    while (i < at && i < text.size()) {
        const size_t next = i + CharLength(text, i);
        if (next > at)
            return i;
        i = next;
    }
    return at;
}

namespace {

// The program code page, fixed by its first reader or by SetSystemCodePage; it lives until
// the program ends, so references to it never dangle.
struct SystemPageSlot {
    std::mutex Mutex;
    std::atomic<const CodePage*> Page{nullptr};
};

SystemPageSlot& SystemSlot() {
    static SystemPageSlot slot;
    return slot;
}

} // namespace

const CodePage& SystemCodePage() {
    SystemPageSlot& slot = SystemSlot();
    if (const CodePage* page = slot.Page.load(std::memory_order_acquire))
        return *page;
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    if (slot.Page.load(std::memory_order_relaxed) == nullptr)
        slot.Page.store(new CodePage("GBK"), std::memory_order_release);
    return *slot.Page.load(std::memory_order_relaxed);
}

void SetSystemCodePage(const std::string& name) {
    SystemPageSlot& slot = SystemSlot();
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    if (const CodePage* page = slot.Page.load(std::memory_order_relaxed)) {
        if (page->Name() == name)
            return;
        throw std::logic_error("The code page is already " + page->Name() +
                               "; it is chosen once, at start-up, before any text is read");
    }
    // An empty name would mean the locale's character set, and iconv's "//IGNORE" or
    // "//TRANSLIT" would drop or alter characters instead of marking them: neither names a
    // code page.
    if (name.empty() || name.find('/') != std::string::npos)
        throw std::runtime_error("Unknown code page \"" + name + "\"");
    auto page = std::make_unique<CodePage>(name);
    if (!page->ByteText())
        throw std::runtime_error(
            "The code page \"" + name +
            "\" cannot be used: texts must be ASCII with single- or double-byte characters, as "
            "in GBK, CP950, CP949, CP932, CP1252 or ISO-8859-1");
    slot.Page.store(page.release(), std::memory_order_release);
}

} // namespace tandrel
