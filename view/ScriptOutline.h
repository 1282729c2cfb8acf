#pragma once
// The structure of an object's exported source: its header lines, the forward block, the
// type blocks, the variable and prototype blocks and the scripts (events, "on" scripts,
// functions and subroutines), found line by line as PowerBuilder writes them.
//
// Invariants: every line of the text belongs to exactly one innermost section; sections
// are listed in the order they open; a section lies inside its parent, which is listed
// before it; top-level sections follow one another without overlap. Lines between two
// top-level sections (blank lines, "global w_main w_main") belong to the one before them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

class CodePage;

enum class TSectionKind : uint8_t {
    Header,     // the export header lines before the first block
    Forward,    // forward ... end forward
    Type,       // [global] type NAME from ANCESTOR [within PARENT] ... end type
    Variables,  // type / shared / global variables ... end variables
    Prototypes, // forward / type prototypes ... end prototypes
    Event,      // event [type T] NAME[(ARGS)]; ... end event
    On,         // on NAME ... end on
    Function,   // [ACCESS] function T NAME (ARGS); ... end function, and subroutines
};

struct TScriptSection {
    TSectionKind Kind = TSectionKind::Header;
    // As written: the script or type name, or the opening line of a variable or prototype
    // block ("type variables"); empty for the header and the forward block.
    std::string Name;
    // The type block an event or "on" script follows when that is not the object's own
    // global type (a control's events: "cb_ok"), or the type a nested type sits in; else
    // empty.
    std::string Owner;
    // A function's argument types as written, ", " between them ("ref string, integer").
    std::string Arguments;
    int32_t First = 0; // the opening line, 0-based
    int32_t End = 0;   // the closing line ("end event"); the text's last line when missing
    int32_t Last = 0;  // the last line that belongs here, loose lines after End included
    int32_t Parent = -1;
};

// What pairs a section with its counterpart on the other side: kind, owner, name and, for
// a function, its argument types however they are passed (overloads stay apart), in lower
// case by the code page.
std::string SectionKey(const TScriptSection& section, const CodePage& page);

// "cb_ok.clicked", "of_size(integer, integer)", "w_main.create", "type variables"; for the
// header and the forward block their kind's own word.
std::string SectionTitle(const TScriptSection& section);

class TScriptOutline {
public:
    TScriptOutline() = default;
    // Names are compared in lower case by the code page, and double-byte characters are
    // stepped over whole while looking for strings and comments.
    TScriptOutline(const std::vector<std::string>& lines, const CodePage& page);
    TScriptOutline(const std::vector<std::string_view>& lines, const CodePage& page);

    const std::vector<TScriptSection>& Sections() const { return FSections; }
    int32_t LineCount() const { return static_cast<int32_t>(FLineSection.size()); }
    // The innermost section that holds line `line` (0-based); -1 outside the text.
    int32_t SectionAt(int32_t line) const;

private:
    template <class Lines> void Parse(const Lines& lines, const CodePage& page);
    friend class TOutlineParser;

    std::vector<TScriptSection> FSections;
    std::vector<int32_t> FLineSection;
};

} // namespace tandrel
