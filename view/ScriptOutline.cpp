#include "ScriptOutline.h"

#include "CodePage.h"

#include <array>
#include <optional>

namespace tandrel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Keywords are ASCII and PowerScript ignores their case.
bool IsWord(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (LowerAscii(word[i]) != keyword[i])
            return false;
    return true;
}

std::string_view TrimFront(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimBlanks(std::string_view text) {
    text = TrimFront(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Takes the next blank-separated word off the front of `rest`.
std::string_view NextWord(std::string_view& rest) {
    rest = TrimFront(rest);
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

// Takes a name off the front of `rest`: up to a blank, "(" or ";".
std::string_view NextName(std::string_view& rest) {
    rest = TrimFront(rest);
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != '(' && rest[end] != ';')
        ++end;
    const std::string_view name = rest.substr(0, end);
    rest.remove_prefix(end);
    return name;
}

// Nothing but a comment (or nothing) follows.
bool OnlyComment(std::string_view rest) {
    rest = TrimFront(rest);
    return rest.empty() || rest.starts_with("//") || rest.starts_with("/*");
}

// What an opening line says about the section it opens.
struct TOpening {
    explicit TOpening(TSectionKind kind, std::string_view endWord = {}, std::string_view name = {})
        : Kind(kind), EndWord(endWord), Name(name) {}

    TSectionKind Kind;
    std::string_view EndWord; // the word after "end" that closes it
    std::string_view Name;
    std::string_view Owner; // "within PARENT" of a type, "OWNER::" of an event
    std::string Arguments;
};

// "(ref string as_a, integer ai_b[])" after a function's name.
void ReadArguments(std::string_view rest, TOpening& opening) {
    rest = TrimBlanks(rest);
    if (!rest.starts_with('('))
        return;
    const size_t close = rest.find(')');
    std::string_view list = rest.substr(1, close == std::string_view::npos ? rest.npos : close - 1);
    while (!TrimBlanks(list).empty()) {
        const size_t comma = list.find(',');
        std::string_view argument = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        std::string_view words = argument;
        std::string_view type = NextWord(words);
        std::string_view passing;
        if (IsWord(type, "ref") || IsWord(type, "readonly")) {
            passing = type;
            type = NextWord(words);
        }
        const bool array = type.find('[') != type.npos || words.find('[') != words.npos;
        if (!opening.Arguments.empty())
            opening.Arguments += ", ";
        if (!passing.empty())
            opening.Arguments.append(passing).append(" ");
        opening.Arguments.append(type);
        if (array && type.find('[') == type.npos)
            opening.Arguments += "[]";
    }
}

std::optional<TOpening> TypeOpening(std::string_view rest) {
    TOpening opening{TSectionKind::Type, "type"};
    opening.Name = NextWord(rest);
    if (opening.Name.empty() || !IsWord(NextWord(rest), "from") || NextWord(rest).empty())
        return std::nullopt;
    if (IsWord(NextWord(rest), "within"))
        opening.Owner = NextWord(rest);
    return opening;
}

std::optional<TOpening> FunctionOpening(std::string_view keyword, std::string_view rest) {
    TOpening opening{TSectionKind::Function};
    if (IsWord(keyword, "function")) {
        opening.EndWord = "function";
        if (NextWord(rest).empty()) // the return type
            return std::nullopt;
    } else if (IsWord(keyword, "subroutine")) {
        opening.EndWord = "subroutine";
    } else {
        return std::nullopt;
    }
    opening.Name = NextName(rest);
    if (opening.Name.empty())
        return std::nullopt;
    ReadArguments(rest, opening);
    return opening;
}

std::optional<TOpening> EventOpening(std::string_view rest) {
    TOpening opening{TSectionKind::Event, "event"};
    std::string_view probe = rest;
    if (IsWord(NextWord(probe), "type")) {
        rest = probe;
        NextWord(rest); // the return type
    }
    opening.Name = NextName(rest);
    if (const size_t scope = opening.Name.find("::"); scope != opening.Name.npos) {
        opening.Owner = opening.Name.substr(0, scope);
        opening.Name = opening.Name.substr(scope + 2);
    }
    if (opening.Name.empty())
        return std::nullopt;
    return opening;
}

// An opening line outside every section.
std::optional<TOpening> TopOpening(std::string_view line) {
    const std::string_view text = TrimFront(line);
    if (text.empty() ||
        std::string_view("eftgsop").find(LowerAscii(text[0])) == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line;
    const std::string_view first = NextWord(rest);
    std::string_view probe = rest;
    const std::string_view second = NextWord(probe);
    const std::string_view firstTwo = TrimBlanks(line.substr(0, line.size() - probe.size()));
    if (IsWord(first, "forward")) {
        if (OnlyComment(rest))
            return TOpening{TSectionKind::Forward, "forward"};
        if (IsWord(second, "prototypes"))
            return TOpening{TSectionKind::Prototypes, "prototypes", firstTwo};
        return std::nullopt;
    }
    if (IsWord(first, "type") || IsWord(first, "global") || IsWord(first, "shared")) {
        if (IsWord(second, "variables"))
            return TOpening{TSectionKind::Variables, "variables", firstTwo};
        if (IsWord(first, "type") && IsWord(second, "prototypes"))
            return TOpening{TSectionKind::Prototypes, "prototypes", firstTwo};
        if (IsWord(first, "type"))
            return TypeOpening(rest);
        if (IsWord(first, "global") && IsWord(second, "type"))
            return TypeOpening(probe);
    }
    if (IsWord(first, "event"))
        return EventOpening(rest);
    if (IsWord(first, "on")) {
        TOpening opening{TSectionKind::On, "on"};
        opening.Name = NextName(rest);
        if (opening.Name.empty())
            return std::nullopt;
        return opening;
    }
    if (IsWord(first, "public") || IsWord(first, "protected") || IsWord(first, "private") ||
        IsWord(first, "global"))
        return FunctionOpening(second, probe);
    return FunctionOpening(first, rest);
}

// "end WORD", perhaps with a comment after it.
bool IsEndLine(std::string_view line, std::string_view word) {
    std::string_view rest = TrimFront(line);
    if (rest.size() < 4 || LowerAscii(rest[0]) != 'e' || !IsBlank(rest[3]))
        return false;
    return IsWord(NextWord(rest), "end") && IsWord(NextName(rest), word) &&
           (OnlyComment(rest) || TrimFront(rest).starts_with(';'));
}

bool IsGlobalType(std::string_view line) {
    std::string_view rest = line;
    return IsWord(NextWord(rest), "global") && IsWord(NextWord(rest), "type");
}

// A line of a type block that may open a nested one: "type …" or "global type …".
bool MayOpenType(std::string_view line) {
    const std::string_view text = TrimFront(line);
    if (text.empty())
        return false;
    const char c = LowerAscii(text[0]);
    if (c != 't' && c != 'g')
        return false;
    std::string_view rest = line;
    return IsWord(NextWord(rest), "type") || IsGlobalType(line);
}

// Sections of code a person wrote, where strings and comments may hide an end line. The
// rest (forward and type blocks) PowerBuilder writes itself, in a fixed form.
bool HoldsCode(TSectionKind kind) {
    return kind != TSectionKind::Forward && kind != TSectionKind::Type &&
           kind != TSectionKind::Header;
}

const char* const kKindKeys[] = {"header",     "forward", "type", "variables",
                                 "prototypes", "event",   "on",   "function"};

// Strings and comments as PowerScript writes them, carried from line to line: an
// "end event" inside a block comment, or in a string continued over lines with "&", does
// not end the script. Block comments nest; "~" escapes the character after it in a string.
class TScriptLexer {
    // The bytes the lexer has to look at; every other byte is plain text in every state.
    static constexpr std::array<bool, 256> kNotable = [] {
        std::array<bool, 256> notable{};
        for (const char c : std::string_view("\"'/*~"))
            notable[static_cast<unsigned char>(c)] = true;
        for (size_t c = 0x80; c < 256; ++c)
            notable[c] = true;
        return notable;
    }();

public:
    explicit TScriptLexer(const CodePage& page) : FPage(page) {}

    bool Clean() const { return FCommentDepth == 0 && FQuote == 0; }
    void Reset() { FCommentDepth = 0, FQuote = 0; }

    void Scan(std::string_view line) {
        // From a clean start only a block comment or a string continued with "&" can reach
        // past the line; most lines have neither and need no closer look.
        size_t end = line.size();
        while (end > 0 && IsBlank(line[end - 1]))
            --end;
        const bool continued = end > 0 && line[end - 1] == '&';
        if (Clean() && !continued && line.find('/') == line.npos)
            return;
        size_t i = 0;
        while (i < line.size()) {
            const auto c = static_cast<unsigned char>(line[i]);
            if (!kNotable[c]) {
                ++i;
                continue;
            }
            const char next = i + 1 < line.size() ? line[i + 1] : '\0';
            if (c >= 0x80) {
                i += FPage.CharLength(line, i);
            } else if (FQuote != 0) {
                if (c == '~')
                    i += 1 + (i + 1 < line.size() ? FPage.CharLength(line, i + 1) : 0);
                else {
                    if (c == static_cast<unsigned char>(FQuote))
                        FQuote = 0;
                    ++i;
                }
            } else if (FCommentDepth > 0) {
                if (c == '*' && next == '/')
                    --FCommentDepth, i += 2;
                else if (c == '/' && next == '*')
                    ++FCommentDepth, i += 2;
                else
                    ++i;
            } else if (c == '/' && next == '/') {
                break;
            } else if (c == '/' && next == '*') {
                FCommentDepth = 1, i += 2;
            } else {
                if (c == '"' || c == '\'')
                    FQuote = static_cast<char>(c);
                ++i;
            }
        }
        // A string left open goes on only where the line asks for it.
        if (!continued)
            FQuote = 0;
    }

private:
    const CodePage& FPage;
    int FCommentDepth = 0;
    char FQuote = 0;
};

} // namespace

// Fills an outline one line at a time. The open sections form a stack, innermost last; only
// a type block opens sections inside itself, every other block holds plain lines until its
// own end line, which counts only where the lexer is outside strings and comments.
class TOutlineParser {
public:
    TOutlineParser(TScriptOutline& outline, const CodePage& page)
        : FSections(outline.FSections), FLineSection(outline.FLineSection), FPage(page),
          FLexer(page) {}

    void Line(std::string_view line) {
        const auto index = static_cast<int32_t>(FLineSection.size());
        if (FOpen.empty() && TrimFront(line).empty()) {
            Loose(index);
            return;
        }
        if (FOpen.empty()) {
            if (const std::optional<TOpening> opening = TopOpening(line)) {
                Open(*opening, index, -1, line);
                FLastTop = FOpen.back();
            } else {
                Loose(index);
            }
            return;
        }
        const int32_t open = FOpen.back();
        TScriptSection& inner = FSections[static_cast<size_t>(open)];
        // Most lines are neither an end line nor a nested type: their first letter tells.
        const std::string_view text = TrimFront(line);
        const char first = text.empty() ? '\0' : LowerAscii(text[0]);
        if (first == 'e' && FLexer.Clean() && IsEndLine(text, FEndWords.back())) {
            inner.End = inner.Last = index;
            FLineSection.push_back(open);
            FOpen.pop_back();
            FEndWords.pop_back();
            FLexer.Reset();
            return;
        }
        if (inner.Kind == TSectionKind::Type && (first == 't' || first == 'g') && MayOpenType(text))
            if (std::optional<TOpening> nested = TopOpening(text);
                nested && nested->Kind == TSectionKind::Type) {
                if (nested->Owner.empty())
                    nested->Owner = inner.Name;
                Open(*nested, index, open, line);
                return;
            }
        FLineSection.push_back(open);
        if (HoldsCode(inner.Kind))
            FLexer.Scan(line);
    }

    // Sections the text ends inside end with it.
    void Finish() {
        const auto last = static_cast<int32_t>(FLineSection.size()) - 1;
        for (const int32_t open : FOpen)
            FSections[static_cast<size_t>(open)].End = FSections[static_cast<size_t>(open)].Last =
                last;
        FOpen.clear();
    }

private:
    void Open(const TOpening& opening, int32_t index, int32_t parent, std::string_view line) {
        TScriptSection section;
        section.Kind = opening.Kind;
        section.Name = opening.Name;
        section.Arguments = opening.Arguments;
        section.First = section.End = section.Last = index;
        section.Parent = parent;
        if (opening.Kind == TSectionKind::Type) {
            if (parent < 0)
                FScriptOwner = IsGlobalType(line) ? std::string() : section.Name;
            if (parent >= 0)
                section.Owner = opening.Owner;
        } else if (opening.Kind == TSectionKind::Event || opening.Kind == TSectionKind::On) {
            // Functions are the object's alone; a control cannot declare one.
            section.Owner = opening.Owner.empty() ? FScriptOwner : std::string(opening.Owner);
        }

        FOpen.push_back(static_cast<int32_t>(FSections.size()));
        FEndWords.push_back(opening.EndWord);
        FLineSection.push_back(FOpen.back());
        FSections.push_back(std::move(section));
        FLexer.Reset();
        if (HoldsCode(opening.Kind))
            FLexer.Scan(line);
    }

    // A line outside every block: the header before the first one, else part of the
    // top-level section before it.
    void Loose(int32_t index) {
        if (FLastTop < 0) {
            TScriptSection header;
            header.First = index;
            FLastTop = static_cast<int32_t>(FSections.size());
            FSections.push_back(std::move(header));
        }
        TScriptSection& owner = FSections[static_cast<size_t>(FLastTop)];
        owner.Last = index;
        if (owner.Kind == TSectionKind::Header)
            owner.End = index;
        FLineSection.push_back(FLastTop);
    }

    std::vector<TScriptSection>& FSections;
    std::vector<int32_t>& FLineSection;
    const CodePage& FPage;
    TScriptLexer FLexer;
    std::vector<int32_t> FOpen;              // open sections, innermost last
    std::vector<std::string_view> FEndWords; // the word that closes each of them
    int32_t FLastTop = -1;
    std::string FScriptOwner; // the top-level type block the scripts that follow belong to
};

template <class Lines> void TScriptOutline::Parse(const Lines& lines, const CodePage& page) {
    FLineSection.reserve(lines.size());
    FSections.reserve(lines.size() / 16);
    TOutlineParser parser(*this, page);
    for (const auto& line : lines)
        parser.Line(line);
    parser.Finish();
}

TScriptOutline::TScriptOutline(const std::vector<std::string>& lines, const CodePage& page) {
    Parse(lines, page);
}

TScriptOutline::TScriptOutline(const std::vector<std::string_view>& lines, const CodePage& page) {
    Parse(lines, page);
}

int32_t TScriptOutline::SectionAt(int32_t line) const {
    if (line < 0 || line >= LineCount())
        return -1;
    return FLineSection[static_cast<size_t>(line)];
}

std::string SectionKey(const TScriptSection& section, const CodePage& page) {
    std::string key = kKindKeys[static_cast<size_t>(section.Kind)];
    key.append("\x1f").append(section.Owner).append("\x1f").append(section.Name);
    if (section.Kind == TSectionKind::Function) {
        key += '(';
        std::string_view list = section.Arguments;
        while (!list.empty()) {
            const size_t comma = list.find(',');
            std::string_view words = list.substr(0, comma);
            list = comma == list.npos ? std::string_view() : list.substr(comma + 1);
            std::string_view type = NextWord(words);
            if (IsWord(type, "ref") || IsWord(type, "readonly"))
                type = NextWord(words);
            if (key.back() != '(')
                key += ',';
            key.append(type.substr(0, type.find('[')));
            if (type.find('[') != type.npos)
                key += "[]";
        }
        key += ')';
    }
    page.LowerInPlace(key);
    return key;
}

std::string SectionTitle(const TScriptSection& section) {
    switch (section.Kind) {
    case TSectionKind::Header:
        return "header";
    case TSectionKind::Forward:
        return "forward";
    case TSectionKind::Function:
        return section.Name + "(" + section.Arguments + ")";
    case TSectionKind::Event:
    case TSectionKind::On:
        return section.Owner.empty() ? section.Name : section.Owner + "." + section.Name;
    default:
        return section.Name;
    }
}

} // namespace tandrel
