#include "HtmlReport.h"

#include "AllObjects.h"
#include "AtomicFile.h"
#include "CodePage.h"
#include "Colors.h"
#include "PathText.h"
#include "SetPatch.h"
#include "SourceExport.h"
#include "UnifiedDiff.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <initializer_list>

namespace tandrel {

namespace {

std::string CssColor(TColor color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(color), GreenOf(color), BlueOf(color));
    return text;
}

std::string Cell(const std::string& tag, const std::string& utf8, const char* cls = nullptr) {
    std::string cell = "<" + tag;
    if (cls)
        cell += std::string(" class=\"") + cls + "\"";
    return cell + ">" + HtmlEscape(utf8) + "</" + tag + ">";
}

const char* StatusClass(uint8_t status) {
    switch (status) {
    case csAdded:
        return "added";
    case csDeleted:
        return "deleted";
    case csChanged:
        return "changed";
    default:
        return "same";
    }
}

std::string StatusText(uint8_t status) {
    return status <= csChanged ? StatusNames[status] : "?";
}

std::string Styles(const TRowColors& colors) {
    const std::string add = CssColor(colors.Added);
    const std::string mod = CssColor(colors.Modified);
    const std::string del = CssColor(colors.Deleted);
    return "<style>\n"
           "body{font-family:sans-serif;font-size:10pt;margin:1em;color:#000;background:#fff}\n"
           "h1{font-size:16pt}h2{font-size:13pt;margin-top:1.5em}h3{font-size:11pt}\n"
           "table{border-collapse:collapse}\n"
           "th,td{border:1px solid #bbb;padding:1px 6px;text-align:left;vertical-align:top}\n"
           "td.num{text-align:right}\n"
           "tr.added td.status,tr.added td.name{background:" +
           add +
           "}\n"
           "tr.deleted td.status,tr.deleted td.name{background:" +
           del +
           "}\n"
           "tr.changed td.status,tr.changed td.name{background:" +
           mod +
           "}\n"
           "tr.moved td.status,tr.moved td.name{background:" +
           CssColor(MovedColor) +
           "}\n"
           "table.diff{width:100%;table-layout:fixed;font-family:monospace;font-size:9pt}\n"
           "table.diff td{border:none;border-left:1px solid #ddd;white-space:pre-wrap;"
           "word-break:break-all;tab-size:4}\n"
           "table.diff col.line{width:3.5em}\n"
           "table.diff td.line{text-align:right;color:#666}\n"
           "table.diff tr.a td{background:" +
           add +
           "}\n"
           "table.diff tr.m td{background:" +
           mod +
           "}\n"
           "table.diff tr.d td{background:" +
           del +
           "}\n"
           "table.diff tr.fold td{color:#666;text-align:center;border-top:1px dashed #bbb;"
           "border-bottom:1px dashed #bbb}\n"
           "tr{break-inside:avoid}\n"
           "*{-webkit-print-color-adjust:exact;print-color-adjust:exact}\n"
           "</style>\n";
}

// The cells of one side of a row: its library when the list has a column for it, then its
// time and size.
std::string SideCells(const std::string* library, const std::string& time,
                      const std::string& size) {
    return (library != nullptr ? Cell("td", *library) : std::string()) +
           Cell("td", SystemCodePage().ToUtf8(time)) + Cell("td", size, "num");
}

// One of the result lists: a header row, then a row per pair.
class TListTable {
public:
    TListTable(std::string& out, std::initializer_list<const char*> captions) : FOut(out) {
        FOut += "<table class=\"list\"><tr>";
        for (const char* caption : captions)
            FOut += std::string("<th>") + caption + "</th>";
        FOut += "</tr>\n";
    }
    ~TListTable() { FOut += "</table>\n"; }

    void Row(const TResultRow& row, const std::string& name) {
        Row(StatusClass(row.Status), name, StatusText(row.Status),
            SideCells(nullptr, row.Time1, row.Size1) + SideCells(nullptr, row.Time2, row.Size2));
    }
    void Row(const char* cls, const std::string& name, const std::string& status,
             const std::string& sides) {
        FOut += std::string("<tr class=\"") + cls + "\">" + Cell("td", name, "name") +
                Cell("td", status, "status") + sides + "</tr>\n";
    }

private:
    std::string& FOut;
};

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[64];
    if (!::localtime_r(&now, &local) ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return "";
    return text;
}

std::string CountsText(const TCompareCounts& counts) {
    return "1: " + std::to_string(counts.Count1) + "，2: " + std::to_string(counts.Count2) +
           "，增加 " + std::to_string(counts.Added) + "，减少 " + std::to_string(counts.Deleted) +
           "，更改 " + std::to_string(counts.Changed);
}

const char* RowClass(uint8_t kind) {
    switch (kind) {
    case rkAddedFiller:
        return " class=\"a\"";
    case rkDeleted:
        return " class=\"d\"";
    case rkModified:
        return " class=\"m\"";
    default:
        return "";
    }
}

std::string LineCell(const TDiffRow& row) {
    return "<td class=\"line\">" + (row.Tag > 0 ? std::to_string(row.Tag) : std::string()) +
           "</td>";
}

// The aligned rows of one object pair; runs of unchanged rows longer than the context on
// both ends are folded.
void DiffTable(std::string& out, const TDiffRows& rows, int context) {
    const CodePage& cp = SystemCodePage();
    const size_t count = rows.Side1.size();
    std::vector<bool> shown(count, false);
    const size_t reach = static_cast<size_t>(std::max(context, 0));
    for (size_t r = 0; r < count; ++r)
        if (rows.Side1[r].Kind != rkUnchanged)
            for (size_t k = r > reach ? r - reach : 0; k < std::min(count, r + reach + 1); ++k)
                shown[k] = true;
    out += "<table class=\"diff\"><colgroup><col class=\"line\"><col><col class=\"line\"><col>"
           "</colgroup>\n";
    for (size_t r = 0; r < count;) {
        if (!shown[r]) {
            size_t end = r;
            while (end < count && !shown[end])
                ++end;
            // A fold row would take the place of the one line it hides.
            if (end - r == 1) {
                shown[r] = true;
                continue;
            }
            out += "<tr class=\"fold\"><td colspan=\"4\">… " + std::to_string(end - r) +
                   " 行相同 …</td></tr>\n";
            r = end;
            continue;
        }
        const TDiffRow& row1 = rows.Side1[r];
        const TDiffRow& row2 = rows.Side2[r];
        out += std::string("<tr") + RowClass(row1.Kind) + ">" + LineCell(row1) +
               Cell("td", cp.ToUtf8(std::string(row1.Text))) + LineCell(row2) +
               Cell("td", cp.ToUtf8(std::string(row2.Text))) + "</tr>\n";
        ++r;
    }
    out += "</table>\n";
}

void ObjectDiff(std::string& out, const std::vector<std::string>& lines1,
                const std::vector<std::string>& lines2, const TCompareOptions& options,
                const THtmlReportInfo& info, const std::string& title) {
    const std::string text1 = JoinExportLines(lines1);
    const std::string text2 = JoinExportLines(lines2);
    const std::vector<TDiffBlock> blocks =
        DiffTexts(text1, text2, options.IgnoreCase, options.IgnoreBlanks);
    out += Cell("h3", title);
    DiffTable(out, BuildDiffRows(blocks, lines1, lines2, info.Colors, false), info.Context);
}

void LibraryObjects(std::string& out, TLibCompare& model, int index, const TCompareOptions& options,
                    const THtmlReportInfo& info, const std::string& library,
                    const std::function<void(std::string_view)>& emit) {
    if (!model.OpenLibPair(index, options))
        return;
    out += Cell("h2", library);
    out += "<p>" + HtmlEscape(CountsText(model.ObjCounts())) + "</p>\n";
    std::vector<int> changed;
    {
        TListTable table(out, {"对象名称", "比较结果", "时间1", "大小1", "时间2", "大小2"});
        for (const int k : model.ObjViewOrder()) {
            TResultRow row;
            if (!model.ObjRow(k, row))
                continue;
            const TEntryList& objs = row.Time1.empty() ? model.Objs2() : model.Objs1();
            table.Row(row, ExportFileName(*objs[static_cast<size_t>(k)].Object));
            if (row.Status == csChanged)
                changed.push_back(k);
        }
    }
    for (const int k : changed) {
        const std::string name = ExportFileName(*model.Objs1()[static_cast<size_t>(k)].Object);
        std::vector<std::string> lines1;
        std::vector<std::string> lines2;
        model.ObjSource(k, 1, lines1);
        model.ObjSource(k, 2, lines2);
        ObjectDiff(out, lines1, lines2, options, info, library + " / " + name);
        emit(out);
        out.clear();
    }
}

// The report's head and styles, and the table of what the sides were made of and when.
std::string ReportHead(const THtmlReportInfo& info) {
    const std::string now = info.Now.empty() ? LocalTimeNow() : info.Now;
    std::string out = "<!DOCTYPE html>\n<html lang=\"zh\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>比较报告</title>\n" +
                      Styles(info.Colors) +
                      "</head>\n<body>\n<h1>比较报告</h1>\n<table class=\"sides\">";
    auto sideRow = [&](const char* caption, const std::vector<std::string>& paths) {
        out += "<tr><th>" + std::string(caption) + "</th><td>";
        for (size_t i = 0; i < paths.size(); ++i)
            out += (i ? "<br>" : "") + HtmlEscape(paths[i]);
        out += "</td></tr>";
    };
    sideRow("1", info.Side1);
    sideRow("2", info.Side2);
    out += "<tr><th>时间</th>" + Cell("td", now) + "</tr></table>\n";
    return out;
}

// A library cell of the all-objects list: the library's key, marked when its object is
// hidden by one of the same name in a library searched before.
std::string LibraryCell(const std::string& key, bool shadowed) {
    return key.empty() ? key : PathToUtf8Text(key) + (shadowed ? ShadowedMark : "");
}

} // namespace

std::string HtmlEscape(std::string_view utf8) {
    std::string escaped;
    escaped.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void EmitHtmlReport(TLibCompare& model, const TCompareOptions& options, const THtmlReportInfo& info,
                    const std::function<void(std::string_view)>& emit) {
    std::string out = ReportHead(info);
    out += "<h2>库文件列表</h2>\n<p>" + HtmlEscape(CountsText(model.LibCounts())) + "</p>\n";
    std::vector<std::pair<int, std::string>> changed;
    {
        TListTable table(out,
                         {"库文件列表", "比较结果", "修改时间1", "大小1", "修改时间2", "大小2"});
        TResultRow row;
        for (int i = 0; model.LibRow(i, row); ++i) {
            const std::string name =
                PathToUtf8Text(PathFileName(row.Path1.empty() ? row.Path2 : row.Path1));
            table.Row(row, name);
            if (row.Status == csChanged)
                changed.emplace_back(i, name);
        }
    }
    emit(out);
    out.clear();
    for (const auto& [index, name] : changed)
        LibraryObjects(out, model, index, options, info, name, emit);
    emit("</body>\n</html>\n");
}

void EmitAllObjectsReport(const TAllObjects& all, const TCompareOptions& options,
                          const THtmlReportInfo& info,
                          const std::function<void(std::string_view)>& emit) {
    std::string out = ReportHead(info);
    out += "<h2>全部对象</h2>\n<p>" +
           HtmlEscape(CountsText(all.Counts()) + "，移动 " + std::to_string(all.Moved())) +
           "</p>\n";
    // A row's title names its library, or both when the object moved.
    std::vector<std::pair<int, std::string>> changed;
    {
        TListTable table(
            out, {"对象名称", "比较结果", "库1", "时间1", "大小1", "库2", "时间2", "大小2"});
        TResultRow row;
        for (const int k : all.ViewOrder()) {
            const TPblEntry* entry = all.Entry(k, 1);
            if (entry == nullptr)
                entry = all.Entry(k, 2);
            if (!all.Row(k, row) || entry == nullptr)
                continue;
            const std::string name = ExportFileName(*entry);
            const std::string lib1 = LibraryCell(row.Lib1, row.Shadowed1);
            const std::string lib2 = LibraryCell(row.Lib2, row.Shadowed2);
            table.Row(
                row.Moved ? "moved" : StatusClass(row.Status), name, AllObjectsStatusWord(row),
                SideCells(&lib1, row.Time1, row.Size1) + SideCells(&lib2, row.Time2, row.Size2));
            if (row.Status == csChanged)
                changed.emplace_back(k, (row.Moved ? lib1 + " → " + lib2 : lib1) + " / " + name);
        }
    }
    emit(out);
    out.clear();
    for (const auto& [index, title] : changed) {
        std::vector<std::string> lines1;
        std::vector<std::string> lines2;
        all.Source(index, 1, lines1);
        all.Source(index, 2, lines2);
        ObjectDiff(out, lines1, lines2, options, info, title);
        emit(out);
        out.clear();
    }
    emit("</body>\n</html>\n");
}

void WriteAllObjectsReport(const std::string& path, const TAllObjects& all,
                           const TCompareOptions& options, const THtmlReportInfo& info) {
    std::string html;
    EmitAllObjectsReport(all, options, info, [&html](std::string_view piece) { html += piece; });
    WriteFileAtomic(path, html);
}

void WriteHtmlReport(const std::string& path, const std::vector<std::string>& libs1,
                     const std::vector<std::string>& libs2, const TCompareOptions& options,
                     THtmlReportInfo info) {
    TLibCompare model{std::string()};
    TPathLookup lookup;
    model.AddLibraryPaths(libs1, std::string(), 1, options, lookup);
    model.AddLibraryPaths(libs2, std::string(), 2, options, lookup);
    for (int side = 1; side <= 2; ++side) {
        std::vector<std::string>& shown = side == 1 ? info.Side1 : info.Side2;
        if (shown.empty())
            for (const std::string& lib : side == 1 ? libs1 : libs2)
                shown.push_back(PathToUtf8Text(lib));
    }
    std::string html;
    EmitHtmlReport(model, options, info, [&html](std::string_view piece) { html += piece; });
    WriteFileAtomic(path, html);
}

} // namespace tandrel
