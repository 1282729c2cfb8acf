// The script structure of exported sources written the way PowerBuilder writes them: the
// sections and their lines, control events, nested types, "on" scripts, overloads, ends
// hidden in strings and comments, and the pairing of two versions.

#include "CodePage.h"
#include "ScriptPairs.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using Lines = std::vector<std::string>;

const CodePage& Gbk() {
    static const CodePage page("GBK");
    return page;
}

// A window with a control, as exported (line numbers in the comments are 0-based).
const Lines kWindow = {
    "$PBExportHeader$w_main.srw",                                                    // 0
    "$PBExportComments$Main window",                                                 // 1
    "forward",                                                                       // 2
    "global type w_main from window",                                                // 3
    "end type",                                                                      // 4
    "type cb_ok from commandbutton within w_main",                                   // 5
    "end type",                                                                      // 6
    "end forward",                                                                   // 7
    "",                                                                              // 8
    "global type w_main from window",                                                // 9
    "integer width = 100",                                                           // 10
    "event type integer ue_resize ( integer ai_x )",                                 // 11
    "cb_ok cb_ok",                                                                   // 12
    "end type",                                                                      // 13
    "global w_main w_main",                                                          // 14
    "",                                                                              // 15
    "type variables",                                                                // 16
    "integer ii_count",                                                              // 17
    "end variables",                                                                 // 18
    "",                                                                              // 19
    "forward prototypes",                                                            // 20
    "public function integer of_size (integer ai_w)",                                // 21
    "public function integer of_size (ref string as_w[], integer ai_h)",             // 22
    "end prototypes",                                                                // 23
    "",                                                                              // 24
    "public function integer of_size (integer ai_w);return ai_w",                    // 25
    "end function",                                                                  // 26
    "",                                                                              // 27
    "public function integer of_size (ref string as_w[], integer ai_h);return ai_h", // 28
    "end function",                                                                  // 29
    "",                                                                              // 30
    "event open;ii_count = 1",                                                       // 31
    "end event",                                                                     // 32
    "",                                                                              // 33
    "on w_main.create",                                                              // 34
    "this.cb_ok=create cb_ok",                                                       // 35
    "end on",                                                                        // 36
    "",                                                                              // 37
    "type cb_ok from commandbutton within w_main",                                   // 38
    "string text = \"OK\"",                                                          // 39
    "end type",                                                                      // 40
    "",                                                                              // 41
    "event clicked;call super::clicked;close(parent)",                               // 42
    "end event",                                                                     // 43
};

std::string Describe(const TScriptOutline& outline) {
    std::string text;
    for (const TScriptSection& s : outline.Sections())
        text += SectionTitle(s) + " " + std::to_string(s.First) + "-" + std::to_string(s.End) +
                "-" + std::to_string(s.Last) +
                (s.Parent >= 0 ? " in " + std::to_string(s.Parent) : "") + "\n";
    return text;
}

TEST(ScriptOutline, SectionsOfAWindowExport) {
    const TScriptOutline outline(kWindow, Gbk());
    EXPECT_EQ(Describe(outline), "header 0-1-1\n"
                                 "forward 2-7-8\n"
                                 "w_main 9-13-15\n"
                                 "type variables 16-18-19\n"
                                 "forward prototypes 20-23-24\n"
                                 "of_size(integer) 25-26-27\n"
                                 "of_size(ref string[], integer) 28-29-30\n"
                                 "open 31-32-33\n"
                                 "w_main.create 34-36-37\n"
                                 "cb_ok 38-40-41\n"
                                 "cb_ok.clicked 42-43-43\n");
    const std::vector<TScriptSection>& s = outline.Sections();
    EXPECT_EQ(s[5].Kind, TSectionKind::Function);
    EXPECT_NE(SectionKey(s[5], Gbk()), SectionKey(s[6], Gbk())) << "overloads stay apart";
    EXPECT_EQ(s[10].Kind, TSectionKind::Event);
    EXPECT_EQ(s[10].Owner, "cb_ok");
    EXPECT_EQ(s[7].Owner, "") << "the window's own event";
    EXPECT_NE(SectionKey(s[7], Gbk()), SectionKey(s[10], Gbk()));
    EXPECT_EQ(s[8].Kind, TSectionKind::On);

    // Every line in exactly one section, the one whose range holds it.
    ASSERT_EQ(outline.LineCount(), static_cast<int32_t>(kWindow.size()));
    for (int32_t line = 0; line < outline.LineCount(); ++line) {
        const TScriptSection& holder = s[static_cast<size_t>(outline.SectionAt(line))];
        EXPECT_TRUE(holder.First <= line && line <= holder.Last) << line;
    }
    EXPECT_EQ(outline.SectionAt(11), 2) << "an event declared in a type block is no script";
    EXPECT_EQ(outline.SectionAt(-1), -1);
    EXPECT_EQ(outline.SectionAt(44), -1);
    EXPECT_TRUE(TScriptOutline(Lines{}, Gbk()).Sections().empty());
}

TEST(ScriptOutline, EndsInsideStringsAndCommentsDoNotEndTheScript) {
    const Lines text = {
        "event clicked;// end event",
        "/* the old ending:",
        "end event",
        "*/",
        "ls_text = 'first line &",
        "end event",
        "'",
        "ls_text = \"quote ~\" /* not a comment\"",
        "ls_url = \"http://host\" /* a comment after a string that holds //",
        "end event",
        "*/",
        "ls_text = 'a/*b' // a comment marker in a string opens nothing",

        "ls_other = '\xD6\x7E' + &", // a double-byte character whose trail byte is "~"
        "end event",
        "event other;",
        "END EVENT  // any case, a comment after it",
    };
    const TScriptOutline outline(text, Gbk());
    ASSERT_EQ(outline.Sections().size(), 2u) << Describe(outline);
    EXPECT_EQ(outline.Sections()[0].End, 13);
    EXPECT_EQ(outline.Sections()[1].First, 14);
    EXPECT_EQ(outline.Sections()[1].End, 15);
}

TEST(ScriptOutline, NestedTypesControlsAndOlderExports) {
    const Lines text = {
        "global type w_old from window",             // 0
        "type str_pos from structure within w_old",  // 1
        "integer x",                                 // 2
        "end type",                                  // 3
        "integer height = 10",                       // 4
        "end type",                                  // 5
        "type m_file from menu within m_main",       // 6
        "end type",                                  // 7
        "on clicked;close(parent)",                  // 8
        "end on",                                    // 9
        "type cb_1 from commandbutton within w_old", // 10
        "end type",                                  // 11
        "on clicked",                                // 12
        "end on",                                    // 13
        "event cb_2::clicked;",                      // 14
        "end event",                                 // 15
        "global subroutine f_log (string as_text);", // 16
        "end subroutine",                            // 17
        "public function string of_name ();",        // 18
        "end subroutine",                            // 19 wrong end: the function goes on
    };
    const TScriptOutline outline(text, Gbk());
    const std::vector<TScriptSection>& s = outline.Sections();
    ASSERT_EQ(s.size(), 9u) << Describe(outline);
    EXPECT_EQ(s[1].Name, "str_pos");
    EXPECT_EQ(s[1].Parent, 0);
    EXPECT_EQ(s[1].Owner, "w_old");
    EXPECT_EQ(s[1].Last, 3);
    EXPECT_EQ(s[0].End, 5);
    EXPECT_EQ(outline.SectionAt(2), 1);
    EXPECT_EQ(outline.SectionAt(4), 0);
    EXPECT_EQ(SectionTitle(s[3]), "m_file.clicked");
    EXPECT_EQ(SectionTitle(s[5]), "cb_1.clicked");
    EXPECT_NE(SectionKey(s[3], Gbk()), SectionKey(s[5], Gbk()));
    EXPECT_EQ(SectionTitle(s[6]), "cb_2.clicked");
    EXPECT_EQ(SectionTitle(s[7]), "f_log(string)");
    EXPECT_EQ(s[7].End, 17);
    EXPECT_EQ(s[8].End, 19) << "an unterminated script ends with the text";
    EXPECT_EQ(outline.SectionAt(19), 8);
}

Lines Edited(Lines text, size_t line, const std::string& replacement) {
    text[line] = replacement;
    return text;
}

// Status of every pair as "title:status" with the side's title.
std::string Statuses(const TScriptPairs& pairs) {
    std::string text;
    for (const TSectionPair& pair : pairs.Pairs()) {
        const bool side1 = pair.Section1 >= 0;
        const TScriptSection& s =
            pairs.Outline(side1)
                .Sections()[static_cast<size_t>(side1 ? pair.Section1 : pair.Section2)];
        text += SectionTitle(s) + ":" + "SADC"[pair.Status] + " ";
    }
    return text;
}

TEST(ScriptPairs, PairsByKindNameAndArgumentTypes) {
    const TScriptPairs same(kWindow, kWindow, false, false, Gbk());
    EXPECT_EQ(Statuses(same), "header:S forward:S w_main:S type variables:S forward prototypes:S "
                              "of_size(integer):S of_size(ref string[], integer):S open:S "
                              "w_main.create:S cb_ok:S cb_ok.clicked:S ");

    // One overload changed; the control's event changed only in case and blanks.
    Lines text2 = Edited(
        kWindow, 28, "public function integer of_size (ref string as_w[], integer ai_h);return 0");
    text2 = Edited(text2, 42, "event clicked;call super::clicked;Close( parent )");
    EXPECT_EQ(Statuses(TScriptPairs(kWindow, text2, false, false, Gbk())),
              "header:S forward:S w_main:S type variables:S forward prototypes:S "
              "of_size(integer):S of_size(ref string[], integer):C open:S "
              "w_main.create:S cb_ok:S cb_ok.clicked:C ");
    EXPECT_EQ(Statuses(TScriptPairs(kWindow, text2, true, true, Gbk())),
              "header:S forward:S w_main:S type variables:S forward prototypes:S "
              "of_size(integer):S of_size(ref string[], integer):C open:S "
              "w_main.create:S cb_ok:S cb_ok.clicked:S ");
}

TEST(ScriptPairs, AddedAndDeletedSectionsKeepTheirPlace) {
    // Side 2 drops the window's open event and gains an overload after the first of_size
    // and, at its end, a close event of the control whose type block it follows.
    Lines text2(kWindow.begin(), kWindow.begin() + 28);
    text2.push_back("public function integer of_size ();return 0");
    text2.push_back("end function");
    text2.insert(text2.end(), kWindow.begin() + 28, kWindow.begin() + 31);
    text2.insert(text2.end(), kWindow.begin() + 34, kWindow.end());
    text2.push_back("event close;");
    text2.push_back("end event");
    const TScriptPairs pairs(kWindow, text2, false, false, Gbk());
    EXPECT_EQ(Statuses(pairs), "header:S forward:S w_main:S type variables:S forward prototypes:S "
                               "of_size(integer):S of_size():A of_size(ref string[], integer):S "
                               "open:D w_main.create:S cb_ok:S cb_ok.clicked:S cb_ok.close:A ");
    // Reversed, what was added is deleted.
    EXPECT_EQ(Statuses(TScriptPairs(text2, kWindow, false, false, Gbk())),
              "header:S forward:S w_main:S type variables:S forward prototypes:S "
              "of_size(integer):S of_size():D of_size(ref string[], integer):S "
              "open:A w_main.create:S cb_ok:S cb_ok.clicked:S cb_ok.close:D ");

    EXPECT_EQ(pairs.TitleAtLine(true, 32), "open");
    EXPECT_EQ(pairs.TitleAtLine(false, 29), "of_size()");
    EXPECT_EQ(pairs.Pairs()[static_cast<size_t>(pairs.PairAtLine(true, 31))].Status, csDeleted);
    EXPECT_EQ(pairs.PairAtLine(false, 28), 6);
    EXPECT_EQ(pairs.PairAtLine(true, 99), -1);
    EXPECT_EQ(pairs.TitleAtLine(false, 99), "");
}

TEST(ScriptPairs, RepeatedSectionsPairInOrder) {
    const Lines text1 = {"event open;", "a", "end event", "event open;", "b", "end event"};
    const Lines text2 = {"event open;", "a",           "end event", "event open;", "c",
                         "end event",   "event open;", "d",         "end event"};
    EXPECT_EQ(Statuses(TScriptPairs(text1, text2, false, false, Gbk())), "open:S open:C open:A ");
    // A script that only moved is the same.
    const Lines moved1 = {"event a;", "end event", "event b;", "end event"};
    const Lines moved2 = {"event b;", "end event", "event a;", "end event"};
    EXPECT_EQ(Statuses(TScriptPairs(moved1, moved2, false, false, Gbk())), "a:S b:S ");
}

TEST(ScriptPairs, NamesPairWhateverTheirCaseAndPassing) {
    // PowerScript ignores the case of names, and an argument passed by reference instead
    // of by value is the same function changed, not another overload.
    const Lines text1 = {"event Clicked;", "end event",
                         "public function integer of_x (string as_a);", "end function"};
    const Lines text2 = {"event clicked;", "end event",
                         "public function integer OF_X (ref String as_a);", "end function"};
    EXPECT_EQ(Statuses(TScriptPairs(text1, text2, false, false, Gbk())),
              "Clicked:C of_x(string):C ");
    EXPECT_EQ(Statuses(TScriptPairs(text1, text2, true, false, Gbk())),
              "Clicked:S of_x(string):C ");
}

} // namespace
} // namespace tandrel
