// The whole-comparison HTML report: what it holds for the libraries, objects and lines of
// two sets, and for the rows of the all-objects list; that it needs nothing from elsewhere;
// and tandrel-cli compare --html.

#include "AllObjects.h"
#include "CompareTestUtil.h"
#include "HtmlReport.h"

namespace tandrel::test {
namespace {

PblObject Source(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class HtmlReport : public ::testing::Test {
protected:
    void SetUp() override {
        std::string body;
        for (int i = 1; i <= 20; ++i)
            body += "line " + std::to_string(i) + "\r\n";
        WriteLib(Dir / "a/lib.pbl",
                 {Source("w_main.srw", body + "if a < b & c then\r\n" + body),
                  Source("w_same.srw", "same\r\n"), Source("w_gone.srw", "gone\r\n")});
        WriteLib(Dir / "b/lib.pbl",
                 {Source("w_main.srw", body + "if a > b & c then\r\n" + body, kStamp + 60),
                  Source("w_same.srw", "same\r\n"), Source("w_new.srw", "new\r\n")},
                 PblForm::Ansi, kFileTime + 60);
        WriteLib(Dir / "b/new.pbl", {Source("f_new.srf", "new\r\n")});
        TPathLookup lookup;
        Model.AddLibraryPaths({Dir / "a/lib.pbl"}, "", 1, {}, lookup);
        Model.AddLibraryPaths({Dir / "b/lib.pbl", Dir / "b/new.pbl"}, "", 2, {}, lookup);
    }

    std::string Report(int context = 3) {
        THtmlReportInfo info;
        info.Side1 = {Dir / "a/lib.pbl"};
        info.Side2 = {Dir / "b/lib.pbl", Dir / "b/new.pbl"};
        info.Now = "2026-12-08 16:00:00";
        info.Colors = {0x00FFFFFF, 0x00F0CCA8, 0x006FFB8A, 0x00BB77FF};
        info.Context = context;
        std::string html;
        EmitHtmlReport(Model, {}, info, [&](std::string_view piece) { html += piece; });
        return html;
    }

    TTempDir Dir;
    TLibCompare Model{std::string()};
};

TEST_F(HtmlReport, SidesLibrariesObjectsAndTheChangedLines) {
    const std::string html = Report();
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(html.find(Dir / "a/lib.pbl"), std::string::npos);
    EXPECT_NE(html.find(Dir / "b/new.pbl"), std::string::npos);
    EXPECT_NE(html.find("2026-12-08 16:00:00"), std::string::npos);
    // The library list with its statuses and counts.
    EXPECT_NE(html.find("<tr class=\"changed\"><td class=\"name\">lib.pbl</td><td "
                        "class=\"status\">更改</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr class=\"added\"><td class=\"name\">new.pbl</td><td "
                        "class=\"status\">增加</td>"),
              std::string::npos);
    EXPECT_NE(html.find("1: 1，2: 2，增加 1，减少 0，更改 1"), std::string::npos);
    // The changed library's object list; the added one has none.
    EXPECT_NE(html.find("<h2>lib.pbl</h2>"), std::string::npos);
    EXPECT_EQ(html.find("<h2>new.pbl</h2>"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"name\">w_gone.srw</td><td class=\"status\">减少</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"name\">w_new.srw</td><td class=\"status\">增加</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"name\">w_same.srw</td><td class=\"status\">相同</td>"),
              std::string::npos);
    // Only the changed object has a diff, its line aligned and escaped, with its context
    // and the rest folded.
    EXPECT_EQ(Count(html, "<h3>"), 1u);
    EXPECT_NE(html.find("<h3>lib.pbl / w_main.srw</h3>"), std::string::npos);
    EXPECT_NE(html.find("<tr class=\"m\"><td class=\"line\">22</td><td>if a &lt; b &amp; c "
                        "then</td><td class=\"line\">22</td><td>if a &gt; b &amp; c then</td>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<td class=\"line\">19</td><td>line 18</td>"), std::string::npos);
    EXPECT_EQ(html.find("<td>line 17</td>"), std::string::npos);
    EXPECT_NE(html.find("… 18 行相同 …"), std::string::npos);
    EXPECT_NE(html.find("… 17 行相同 …"), std::string::npos);
    // Readable without anything from elsewhere: no script, no link, no remote resource.
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);
    EXPECT_EQ(html.find("url("), std::string::npos);
    // The list colours, and kept in print.
    EXPECT_NE(html.find("tr.m td{background:#8afb6f}"), std::string::npos);
    EXPECT_NE(html.find("print-color-adjust:exact"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 8), "</html>\n");
}

TEST_F(HtmlReport, NoFoldWhereItWouldHideOneLineOrNone) {
    const std::string html = Report(100);
    EXPECT_EQ(html.find("行相同"), std::string::npos);
    EXPECT_NE(html.find("<td>line 1</td>"), std::string::npos);
    // With 20 lines of context only the export header line is left over above the change.
    const std::string one = Report(20);
    EXPECT_EQ(one.find("行相同"), std::string::npos);
    EXPECT_NE(one.find("<td class=\"line\">1</td><td>$PBExportHeader$w_main.srw</td>"),
              std::string::npos);
}

TEST(HtmlEscape, MarkupCharactersOnly) {
    EXPECT_EQ(HtmlEscape("a<b>&\"'中\t"), "a&lt;b&gt;&amp;&quot;&#39;中\t");
}

TEST_F(HtmlReport, CommandLineWritesTheReportBesideTheListing) {
    const std::string out = Dir / "report.html";
    TCliRun run = RunCliArgs(Dir, {"compare", "--html", out, Dir / "a/lib.pbl", "--",
                                   Dir / "b/lib.pbl", Dir / "b/new.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\t')), "更改");
    const std::string html = ReadText(out);
    EXPECT_NE(html.find("<h3>lib.pbl / w_main.srw</h3>"), std::string::npos);
    EXPECT_NE(html.find("if a &gt; b &amp; c then"), std::string::npos);
    // A report that cannot be written is an error, and leaves nothing behind.
    WriteText(Dir / "file", "");
    run = RunCliArgs(Dir, {"compare", "--html", Dir / "file/r.html", Dir / "a/lib.pbl", "--",
                           Dir / "b/lib.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("r.html"), std::string::npos) << run.Err;
    EXPECT_EQ(RunCliArgs(Dir, {"compare", "--html"}).Status, 2);
}

// Side 1 holds w_main and w_moved in lib.pbl and w_dup in two libraries; side 2 has moved
// w_moved (and changed it) into new.pbl.
class AllObjectsReport : public HtmlReport {
protected:
    std::string AllReport() {
        WriteLib(Dir / "a/lib.pbl",
                 {Source("w_main.srw", "main\r\n"), Source("w_moved.srw", "a < b\r\n"),
                  Source("w_dup.srw", "first\r\n")});
        WriteLib(Dir / "a/more.pbl", {Source("w_dup.srw", "second\r\n")});
        WriteLib(Dir / "b/lib.pbl",
                 {Source("w_main.srw", "main\r\n"), Source("w_dup.srw", "first\r\n")});
        WriteLib(Dir / "b/new.pbl", {Source("w_moved.srw", "a > b\r\n", kStamp + 60)});
        All.Build({Dir / "a/lib.pbl", Dir / "a/more.pbl"}, {Dir / "b/lib.pbl", Dir / "b/new.pbl"},
                  {});
        THtmlReportInfo info;
        info.Side1 = {Dir / "a/lib.pbl", Dir / "a/more.pbl"};
        info.Side2 = {Dir / "b/lib.pbl", Dir / "b/new.pbl"};
        info.Now = "2026-12-08 16:00:00";
        info.Colors = {0x00FFFFFF, 0x00F0CCA8, 0x006FFB8A, 0x00BB77FF};
        std::string html;
        EmitAllObjectsReport(All, {}, info, [&](std::string_view piece) { html += piece; });
        return html;
    }

    TAllObjects All;
};

TEST_F(AllObjectsReport, MovesShowAsMovesWithBothLibraries) {
    const std::string html = AllReport();
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find(Dir / "a/more.pbl"), std::string::npos);
    EXPECT_NE(html.find("<h2>全部对象</h2>"), std::string::npos);
    EXPECT_NE(html.find("1: 4，2: 3，增加 0，减少 1，更改 1，移动 1"), std::string::npos) << html;
    EXPECT_NE(html.find("<th>库1</th><th>时间1</th><th>大小1</th><th>库2</th>"), std::string::npos);
    // The move on its own colour, with the library of each half; a shadowed half marked.
    EXPECT_NE(html.find("<tr class=\"moved\"><td class=\"name\">w_moved.srw</td><td "
                        "class=\"status\">移动+更改</td><td>lib.pbl</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<td>new.pbl</td>"), std::string::npos);
    EXPECT_NE(html.find("tr.moved td.status,tr.moved td.name{background:#ffe08a}"),
              std::string::npos);
    EXPECT_NE(html.find("<tr class=\"same\"><td class=\"name\">w_dup.srw</td>"), std::string::npos);
    EXPECT_NE(html.find("<tr class=\"deleted\"><td class=\"name\">w_dup.srw</td><td "
                        "class=\"status\">减少</td><td>more.pbl (被遮蔽)</td>"),
              std::string::npos);
    // Only the changed move has a diff, titled by both its libraries.
    EXPECT_EQ(Count(html, "<h3>"), 1u);
    EXPECT_NE(html.find("<h3>lib.pbl → new.pbl / w_moved.srw</h3>"), std::string::npos);
    EXPECT_NE(html.find("<td>a &lt; b</td><td class=\"line\">2</td><td>a &gt; b</td>"),
              std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 8), "</html>\n");
}

TEST_F(AllObjectsReport, CommandLineReportsTheAllObjectsRows) {
    AllReport();
    const std::string out = Dir / "all.html";
    const TCliRun run =
        RunCliArgs(Dir, {"compare", "--all-objects", "--html", out, Dir / "a/lib.pbl",
                         Dir / "a/more.pbl", "--", Dir / "b/lib.pbl", Dir / "b/new.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Out.find("移动+更改\tw\tw_moved\tlib.pbl\t"), std::string::npos) << run.Out;
    const std::string html = ReadText(out);
    EXPECT_NE(html.find("<h2>全部对象</h2>"), std::string::npos);
    EXPECT_NE(html.find("<h3>lib.pbl → new.pbl / w_moved.srw</h3>"), std::string::npos);
    EXPECT_EQ(html.find("<h2>库文件列表</h2>"), std::string::npos);
}

} // namespace
} // namespace tandrel::test
