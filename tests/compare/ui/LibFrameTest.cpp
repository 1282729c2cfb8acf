// The library comparison frame on a stand-in main window: list views filled from real and
// generated libraries, their colours, markers and sorting, the double-clicks, the open
// commands with their dialogs and histories, the clear buttons, progress and message boxes.

#include "CodePage.h"
#include "FrameTestUtil.h"
#include "LibCompare.h"
#include "LibView.h"
#include "ListImages.h"
#include "MyListView.h"
#include "PblWriter.h"
#include "ResultListModel.h"
#include "TestShell.h"

#include <fcntl.h>
#include <fstream>
#include <QDateTime>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QtTest>
#include <sys/stat.h>

using namespace tandrel;
using namespace tandrel::test;

namespace {

constexpr int32_t kStamp = 1700000000;

void WriteLib(const std::string& path, const std::vector<PblObject>& objects, time_t fileTime,
              PblForm form = PblForm::Ansi) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    PblWriter writer(form);
    for (const PblObject& o : objects)
        writer.Add(o);
    writer.Build().WriteFile(path);
    const struct timespec times[2] = {{fileTime, 0}, {fileTime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string Source(const std::string& name, const std::string& body) {
    return "$PBExportHeader$" + name + "\r\nforward\r\nend forward\r\n" + body + "\r\n";
}

// Side 1 and side 2 of a small application: a.pbl on both sides with a changed, a same, a
// deleted and an added object; b.pbl only on side 1, c.pbl only on side 2.
struct TSmallPair {
    std::string Side1, Side2;
    explicit TSmallPair(const TScratch& dir) : Side1(dir / "one/"), Side2(dir / "two/") {
        WriteLib(Side1 + "a.pbl",
                 {{"w_main.srw", Source("w_main.srw", "open()"), "", kStamp},
                  {"d_emp.srd", Source("d_emp.srd", "release 10;"), "", kStamp},
                  {"f_calc.srf", Source("f_calc.srf", "return 1"), "", kStamp + 50},
                  {"m_main.srm", Source("m_main.srm", "menu"), "", kStamp}},
                 1600000000);
        WriteLib(Side2 + "a.pbl",
                 {{"w_main.srw", Source("w_main.srw", "open()\r\nclose()"), "", kStamp + 100},
                  {"d_emp.srd", Source("d_emp.srd", "release 10;"), "", kStamp},
                  {"m_main.srm", Source("m_main.srm", "menu"), "", kStamp},
                  {"u_new.sru", Source("u_new.sru", "new"), "", kStamp}},
                 1600000100);
        WriteLib(Side1 + "b.pbl", {{"s_point.srs", Source("s_point.srs", "x"), "", kStamp}},
                 1600000000);
        WriteLib(Side2 + "c.pbl", {{"f_two.srf", Source("f_two.srf", "y"), "", kStamp}},
                 1600000000);
    }
};

QColor ToQColor(TColor c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

bool Near(QColor a, QColor b, int tolerance = 8) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int RowOfName(TResultListModel* model, const QString& name) {
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->Text(r, 0) == name)
            return r;
    return -1;
}

void ClickHeader(TMyListView* view, int column) {
    QHeaderView* header = view->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void DoubleClickRow(TMyListView* view, int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

} // namespace

class TLibFrameTest : public QObject {
    Q_OBJECT

private:
    // A shown window with its frame; the history lives in `exeDir`.
    std::unique_ptr<TTestShell> NewShell(const std::string& exeDir) {
        auto shell = std::make_unique<TTestShell>();
        shell->ShowsStopBox = true;
        shell->CreateLibFrame(exeDir);
        shell->show();
        if (!QTest::qWaitForWindowExposed(shell.get()))
            qWarning("window not exposed");
        return shell;
    }

private slots:
    void startState() {
        TScratch dir("start");
        { std::ofstream(dir / "File1.lst", std::ios::binary) << "/x/one.pbl\r\n/y/two.pbl\r\n"; }
        { std::ofstream(dir / "File2.lst", std::ios::binary) << ""; }
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        QCOMPARE(shell->Commands().mnuOpen1->text(), QStringLiteral("打开PB库文件 1"));
        QCOMPARE(shell->Commands().mnuOpen2->text(), QStringLiteral("打开PB库文件 2"));
        QCOMPARE(shell->Commands().tbOpen2->toolTip(), QStringLiteral("打开PB库文件 2"));
        QVERIFY(!frame.ObjsShown());
        QCOMPARE(frame.LibsList()->isVisible(), true);
        QCOMPARE(frame.lvLibs()->SortTag(0), 1);
        QCOMPARE(frame.lvLibs()->Header()->Mark(0), int(smAscending));
        QCOMPARE(shell->Counts.Count1, 0);
        QCOMPARE(frame.Comparison().FilterKind(), int(fkLibraries));
        QCOMPARE(frame.cbOpen1()->count(), 2);
        QCOMPARE(frame.cbOpen1()->itemText(0), QStringLiteral("/x/one.pbl"));
        QCOMPARE(frame.cbOpen2()->count(), 0);

        // Columns: captions, alignments, and widths fitted to the view in proportion.
        auto* libs = frame.lvLibs();
        QCOMPARE(libs->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("库文件列表"));
        QCOMPARE(libs->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("大小2"));
        QCOMPARE(frame.lvObjs()->model()->headerData(6, Qt::Horizontal).toString(),
                 QStringLiteral("类型标志"));
        QCOMPARE(frame.lvObjs()->model()->columnCount(), 7);
        const int total = libs->header()->length();
        // The room of the scroll bar a long list brings is kept free.
        const int barRoom = libs->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                       libs->verticalScrollBar());
        QVERIFY(std::abs(total - (libs->viewport()->width() - barRoom)) <= 6);
        QVERIFY(std::abs(libs->header()->sectionSize(0) * 100 / total - 170 * 100 / 670) <= 1);
        QCOMPARE(Qt::Alignment(
                     libs->model()->headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
                     Qt::AlignRight,
                 Qt::AlignRight);

        // The tool bar: combo boxes of half the width less a clear button, each followed by
        // its clear button.
        QWidget* bar = frame.ToolBar1();
        QCOMPARE(bar->height(), 29);
        QCOMPARE(frame.cbOpen1()->width(), bar->width() / 2 - frame.tbClear1()->width());
        QCOMPARE(frame.cbOpen2()->width(), frame.cbOpen1()->width());
        QCOMPARE(frame.tbClear1()->x(), frame.cbOpen1()->geometry().right() + 1);
        QCOMPARE(frame.cbOpen2()->x(), frame.tbClear1()->geometry().right() + 1);
        QCOMPARE(frame.tbClear2()->x(), frame.cbOpen2()->geometry().right() + 1);

        // The object view's captions and counts, and back.
        shell->ShowObjsView();
        QVERIFY(frame.ObjsShown());
        QCOMPARE(shell->Commands().mnuOpen1->text(), QStringLiteral("打开一个PB库文件 1"));
        QCOMPARE(shell->Commands().tbOpen1->toolTip(), QStringLiteral("打开一个PB库文件 1"));
        QCOMPARE(frame.lvObjs()->model()->rowCount(), 0);
        shell->ShowLibsView();
        QVERIFY(!frame.ObjsShown());
        QCOMPARE(shell->Commands().mnuOpen2->text(), QStringLiteral("打开PB库文件 2"));
    }

    void realLibraryList() {
        if (!HaveRealData())
            QSKIP("real data not present");
        TScratch dir("real");
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        int dialogs = 0;
        const std::vector<TBox> boxes = CaptureBoxes(
            [&] { frame.OpenSides({RealData("pfc105/PFC.pbw")}, {RealData("pfc2022/PFC.pbw")}); },
            &dialogs);
        // Both workspaces name libraries that were too large to keep: each missing path is
        // one notice, and the libraries shared by several targets are notices on side 2;
        // all of them in one dialog, not one box each.
        QCOMPARE(dialogs, 1);
        QVERIFY(boxes.size() > 30);
        int missing = 0;
        for (const TBox& box : boxes) {
            QCOMPARE(box.Title, QStringLiteral("information"));
            QCOMPARE(box.Icon, QMessageBox::Information);
            missing += box.Text.endsWith(QStringLiteral(" does not exist"));
            QVERIFY(box.Text.endsWith(QStringLiteral(" does not exist")) ||
                    box.Text.endsWith(QStringLiteral(" already in Destination")));
        }
        QCOMPARE(missing, 33);

        TResultListModel* model = frame.lvLibs()->ResultModel();
        const TLibCompare& compare = frame.Comparison();
        QCOMPARE(model->rowCount(), compare.LibPairCount());
        QCOMPARE(model->rowCount(), 19);
        const TCompareCounts counts = shell->Counts;
        QCOMPARE(counts.Count1, compare.LibCounts().Count1);
        QCOMPARE(counts.Deleted, 1);
        // pfcapp.pbl among them: equal size and time, different bytes.
        QCOMPARE(counts.Changed, 17);
        QCOMPARE(model->Text(RowOfName(model, QStringLiteral("pfcapp.pbl")), 1),
                 QStringLiteral("更改"));
        for (int r = 0; r < model->rowCount(); ++r) {
            TResultRow row;
            QVERIFY(compare.LibRow(model->PairIndex(r), row));
            QCOMPARE(model->Text(r, 0).toStdString(), SystemCodePage().ToUtf8(row.Name));
            QCOMPARE(model->Text(r, 1), QString::fromUtf8(StatusNames[row.Status]));
            QCOMPARE(model->Text(r, 3).toStdString(), row.Size1);
            QCOMPARE(model->Text(r, 4).toStdString(), row.Time2);
        }
        const int msg = RowOfName(model, QStringLiteral("pfcmsg.pbl"));
        QCOMPARE(model->Text(msg, 1), QStringLiteral("减少"));
        QVERIFY(model->Text(msg, 4).isEmpty() && model->Text(msg, 5).isEmpty());
        // Same although the sizes differ: each side shows its own size.
        const int wnsrv = RowOfName(model, QStringLiteral("exmwnsrv.pbl"));
        QCOMPARE(model->Text(wnsrv, 1), QStringLiteral("相同"));
        QVERIFY(model->Text(wnsrv, 3) != model->Text(wnsrv, 5));
        // Files checked out together carry one time: no newer side.
        QCOMPARE(model->NewerImage(wnsrv), -1);

        // Each row lies on its status colour.
        TMyListView* view = frame.lvLibs();
        const QImage image = view->viewport()->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        for (int r = 0; r < model->rowCount(); ++r) {
            const QRect cell = view->visualRect(model->index(r, 1));
            if (cell.bottom() >= view->viewport()->height())
                break;
            const QPoint at(cell.right() - 3, cell.center().y());
            const QColor shown = image.pixelColor(at * ratio);
            const TProgramValues& values = shell->Values();
            const TColor expected = model->Status(r) == csChanged   ? values.ModColor
                                    : model->Status(r) == csDeleted ? values.DelColor
                                    : model->Status(r) == csAdded   ? values.AddColor
                                                                    : RgbColor(255, 255, 255);
            QVERIFY2(Near(shown, ToQColor(expected)), qPrintable(model->Text(r, 0)));
        }
    }

    void headerSortsThreeClicks() {
        if (!HaveRealData())
            QSKIP("real data not present");
        TScratch dir("sort");
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        CaptureBoxes(
            [&] { frame.OpenSides({RealData("pfc105/PFC.pbw")}, {RealData("pfc2022/PFC.pbw")}); });
        TMyListView* view = frame.lvLibs();
        TResultListModel* model = view->ResultModel();
        auto sizes = [&](int column) {
            std::vector<long> values;
            for (int r = 0; r < model->rowCount(); ++r)
                values.push_back(model->Text(r, column).toLong());
            return values;
        };
        ClickHeader(view, 5);
        QCOMPARE(view->SortTag(5), 1);
        QCOMPARE(view->SortTag(0), 0);
        QCOMPARE(view->Header()->Mark(0), -1);
        QCOMPARE(view->Header()->Mark(5), int(smAscending));
        std::vector<long> up = sizes(5);
        QVERIFY(std::is_sorted(up.begin(), up.end()));
        // The deleted library has no size 2: its empty cell counts as 0.
        QCOMPARE(model->Text(0, 0), QStringLiteral("pfcmsg.pbl"));
        ClickHeader(view, 5);
        QCOMPARE(view->SortTag(5), -1);
        QCOMPARE(view->Header()->Mark(5), int(smDescending));
        std::vector<long> down = sizes(5);
        QVERIFY(std::is_sorted(down.rbegin(), down.rend()));
        ClickHeader(view, 5);
        QCOMPARE(view->SortTag(5), 1);
        QVERIFY(sizes(5) == up);
        // As numbers, not as texts: "15360" (five digits) before "1226240" and "2798080".
        QCOMPARE(model->Text(1, 5), QStringLiteral("15360"));

        // The mark survives a resized column, and is drawn to the right of the caption.
        view->header()->resizeSection(5, 150);
        QCOMPARE(view->Header()->Mark(5), int(smAscending));
        const QImage header = view->header()->grab().toImage();
        const int left = view->header()->sectionViewportPosition(5);
        bool markDrawn = false;
        for (int x = left; x < left + 150 && !markDrawn; ++x)
            for (int y = 0; y < view->header()->height() && !markDrawn; ++y)
                markDrawn = Near(header.pixelColor(QPoint(x, y) * header.devicePixelRatio()),
                                 QColor(0x9a, 0x9a, 0x9a), 4);
        QVERIFY(markDrawn);

        // Texts sort with a-z folded to capitals.
        ClickHeader(view, 0);
        for (int r = 1; r < model->rowCount(); ++r)
            QVERIFY(model->Text(r - 1, 0).toUpper() <= model->Text(r, 0).toUpper());
    }

    void libraryToObjectListAndSource() {
        if (!HaveRealData())
            QSKIP("real data not present");
        TScratch dir("objects");
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        CaptureBoxes(
            [&] { frame.OpenSides({RealData("pfc105/PFC.pbw")}, {RealData("pfc2022/PFC.pbw")}); });
        TResultListModel* libs = frame.lvLibs()->ResultModel();
        DoubleClickRow(frame.lvLibs(), RowOfName(libs, QStringLiteral("appexamp.pbl")));
        QCOMPARE(int(shell->View()), int(TView::Objs));
        QVERIFY(frame.ObjsShown());
        QVERIFY(frame.ObjsList()->isVisible());
        const TLibCompare& compare = frame.Comparison();
        QVERIFY(compare.LibPath1().find("pfc105/") != std::string::npos);
        QVERIFY(compare.LibPath1().ends_with("/appexamp.pbl"));
        TMyListView* view = frame.lvObjs();
        TResultListModel* objs = view->ResultModel();
        QCOMPARE(objs->rowCount(), compare.ObjPairCount());
        QVERIFY(objs->rowCount() > 60);
        QCOMPARE(shell->Counts.Count1, compare.ObjCounts().Count1);
        QCOMPARE(shell->Counts.Changed, compare.ObjCounts().Changed);
        QCOMPARE(frame.cbOpen1()->currentText().toStdString(), compare.LibPath1());
        QCOMPARE(shell->Commands().mnuOpen2->text(), QStringLiteral("打开一个PB库文件 2"));

        // Grouped by type letter in the model's own view order; only column 6 is marked.
        const std::vector<int> order = compare.ObjViewOrder();
        for (int r = 0; r < objs->rowCount(); ++r)
            QCOMPARE(objs->PairIndex(r), order[static_cast<size_t>(r)]);
        QCOMPARE(view->Header()->Mark(6), int(smAscending));
        for (int c = 0; c < 6; ++c)
            QCOMPARE(view->Header()->Mark(c), -1);

        // Newer-side markers follow the times, and are drawn.
        int markers = 0;
        const QImage image = view->viewport()->grab().toImage();
        for (int r = 0; r < objs->rowCount(); ++r) {
            const QString t1 = objs->Text(r, 2), t2 = objs->Text(r, 4);
            const int newer = objs->NewerImage(r);
            if (objs->Status(r) == csAdded || objs->Status(r) == csDeleted || t1 == t2)
                QCOMPARE(newer, -1);
            else
                QCOMPARE(newer, t1 > t2 ? int(riSide1Newer) : int(riSide2Newer));
            const QRect cell = view->visualRect(objs->index(r, 0));
            if (newer < 0 || cell.bottom() >= view->viewport()->height())
                continue;
            const int top = cell.top() + (cell.height() - 16) / 2;
            const QPoint at(cell.left() + 15 + (newer == riSide1Newer ? 11 : 4), top + 8);
            const QColor expected =
                newer == riSide1Newer ? QColor(0x3c, 0xb0, 0x43) : QColor(0x9b, 0x4d, 0xca);
            QVERIFY(Near(image.pixelColor(at * image.devicePixelRatio()), expected, 24));
            ++markers;
        }
        QVERIFY(markers > 0);

        // Dates sort in time order.
        ClickHeader(view, 4);
        QDateTime last;
        for (int r = 0; r < objs->rowCount(); ++r) {
            const QString text = objs->Text(r, 4);
            if (text.isEmpty()) {
                QVERIFY(!last.isValid());
                continue;
            }
            const QDateTime time =
                QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            QVERIFY(time.isValid());
            QVERIFY(!last.isValid() || last <= time);
            last = time;
        }

        // A changed object opens in the source view, titled by name and library.
        int changed = -1;
        for (int r = 0; r < objs->rowCount() && changed < 0; ++r)
            if (objs->Status(r) == csChanged)
                changed = r;
        QVERIFY(changed >= 0);
        const QString name = objs->Text(changed, 0);
        DoubleClickRow(view, changed);
        QCOMPARE(int(shell->View()), int(TView::Files));
        TRecordingSourceView& source = shell->Source();
        QCOMPARE(source.Loads.size(), size_t(2));
        QCOMPARE(source.Compares, 1);
        QCOMPARE(source.Loads[0].Title, name.toStdString() + "@" + compare.LibPath1());
        QCOMPARE(source.Loads[1].Title, name.toStdString() + "@" + compare.LibPath2());
        QVERIFY(source.Loads[0].Side1 && !source.Loads[1].Side1);
        std::vector<std::string> lines;
        QVERIFY(compare.ObjSource(objs->PairIndex(changed), 1, lines));
        QVERIFY(source.Loads[0].Lines == lines);
        QVERIFY(!lines.empty() && lines.front().starts_with("$PBExportHeader$"));
    }

    void smallPairDoubleClicks() {
        TScratch dir("small");
        TSmallPair pair(dir);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        frame.OpenSides({pair.Side1 + "a.pbl", pair.Side1 + "b.pbl"},
                        {pair.Side2 + "a.pbl", pair.Side2 + "c.pbl"});
        TResultListModel* libs = frame.lvLibs()->ResultModel();
        QCOMPARE(libs->rowCount(), 3);
        QCOMPARE(libs->Text(0, 1), QStringLiteral("更改"));
        QCOMPARE(libs->Text(1, 1), QStringLiteral("减少"));
        QCOMPARE(libs->Text(2, 1), QStringLiteral("增加"));
        QCOMPARE(libs->data(libs->index(0, 0), Qt::ToolTipRole).toString().toStdString(),
                 pair.Side1 + "a.pbl\n" + pair.Side2 + "a.pbl");
        // Side-2 file is newer: the purple marker.
        QCOMPARE(libs->NewerImage(0), int(riSide2Newer));
        QCOMPARE(libs->NewerImage(1), -1);

        // A library gone since it was listed: the error is shown, the view stays.
        std::filesystem::rename(pair.Side1 + "b.pbl", pair.Side1 + "b.gone");
        frame.lvLibs()->selectionModel()->select(
            libs->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        std::vector<TBox> boxes = CaptureBoxes([&] { DoubleClickRow(frame.lvLibs(), 1); });
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(boxes[0].Text.startsWith(QStringLiteral("Cannot open file \"")));
        QCOMPARE(int(shell->View()), int(TView::Libs));
        QVERIFY(!frame.ObjsShown());
        std::filesystem::rename(pair.Side1 + "b.gone", pair.Side1 + "b.pbl");

        // No selection: a double-click does nothing.
        frame.lvLibs()->clearSelection();
        frame.lvLibsDblClick(frame.lvLibs());
        QCOMPARE(int(shell->View()), int(TView::Libs));

        // The row of c.pbl has no side 1: the first box empties, the second shows the path.
        frame.cbOpen1()->setEditText(QStringLiteral("something"));
        frame.lvLibs()->selectionModel()->select(
            libs->index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(frame.cbOpen1()->currentText(), QString());
        QCOMPARE(frame.cbOpen2()->currentText().toStdString(), pair.Side2 + "c.pbl");

        // Library pair to objects; the added object opens with an empty left side.
        DoubleClickRow(frame.lvLibs(), 0);
        QCOMPARE(int(shell->View()), int(TView::Objs));
        TResultListModel* objs = frame.lvObjs()->ResultModel();
        QStringList rows;
        for (int r = 0; r < objs->rowCount(); ++r)
            rows << objs->Text(r, 6) + ":" + objs->Text(r, 0) + ":" + objs->Text(r, 1);
        QCOMPARE(rows.join(' '), QStringLiteral("d:d_emp:相同 f:f_calc:减少 m:m_main:相同 "
                                                "u:u_new:增加 w:w_main:更改"));
        QCOMPARE(objs->Image(0), int(riDataWindow));
        QCOMPARE(objs->Image(3), int(riUserObject));
        QCOMPARE(objs->Image(4), int(riWindow));
        QCOMPARE(objs->NewerImage(4), int(riSide2Newer));
        QCOMPARE(shell->Counts.Added, 1);
        QCOMPARE(shell->Counts.Deleted, 1);
        QCOMPARE(shell->Counts.Changed, 1);

        // Clearing a side does nothing while the object list is in front.
        frame.tbClear1()->click();
        QCOMPARE(frame.Comparison().LibCounts().Count1, 2);

        DoubleClickRow(frame.lvObjs(), 3);
        QCOMPARE(int(shell->View()), int(TView::Files));
        TRecordingSourceView& source = shell->Source();
        QCOMPARE(source.Loads.size(), size_t(2));
        QCOMPARE(source.Loads[0].Title, "u_new@" + pair.Side1 + "a.pbl");
        QVERIFY(source.Loads[0].Lines.empty());
        QCOMPARE(source.Loads[1].Title, "u_new@" + pair.Side2 + "a.pbl");
        QCOMPARE(source.Loads[1].Lines.front(), std::string("$PBExportHeader$u_new.sru"));

        // Back to the library list: the clear button empties side 1, all rows added.
        shell->ShowLibsView();
        frame.tbClear1()->click();
        QCOMPARE(libs->rowCount(), 2);
        QCOMPARE(libs->Text(0, 1), QStringLiteral("增加"));
        QCOMPARE(shell->Counts.Count1, 0);
        QCOMPARE(shell->Counts.Added, 2);
    }

    void foldersAndTheAllObjectsList() {
        TScratch dir("folders");
        const std::string one = dir / "one/", two = dir / "two/";
        WriteLib(one + "a.pbl",
                 {{"w_main.srw", "open()\r\n", "", kStamp}, {"d_emp.srd", "r\r\n", "", kStamp}},
                 1600000000);
        WriteLib(one + "b.pbl", {{"s_point.srs", "x\r\n", "", kStamp}}, 1600000000);
        std::filesystem::create_directories(two + "a");
        std::ofstream(two + "a/w_main.srw", std::ios::binary)
            << "$PBExportHeader$w_main.srw\r\nopen()\r\nclose()\r\n";
        std::ofstream(two + "a/d_emp.srd", std::ios::binary)
            << "$PBExportHeader$d_emp.srd\r\nr\r\n";
        std::ofstream(two + "a/s_point.srs", std::ios::binary)
            << "$PBExportHeader$s_point.srs\r\nx\r\n";
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        frame.OpenSides({one + "a.pbl", one + "b.pbl"}, {two + "a/"});

        // The folder pairs with a.pbl and shows the folder image; b.pbl stays a library.
        TResultListModel* libs = frame.lvLibs()->ResultModel();
        QCOMPARE(libs->rowCount(), 2);
        QCOMPARE(libs->Text(0, 0), QStringLiteral("a.pbl"));
        QCOMPARE(libs->Image(0), int(riFolder));
        QCOMPARE(libs->Image(1), int(riLibrary));
        QCOMPARE(libs->Text(0, 1), QStringLiteral("更改"));

        // All objects: the structure moved from b.pbl into the folder, the window changed.
        shell->Commands().mnuAllObjs->trigger();
        QVERIFY(frame.AllShown());
        TResultListModel* all = frame.lvAll()->ResultModel();
        QStringList rows;
        for (int r = 0; r < all->rowCount(); ++r)
            rows << all->Text(r, 8) + ":" + all->Text(r, 0) + ":" + all->Text(r, 1) + ":" +
                        all->Text(r, 2) + ":" + all->Text(r, 5);
        QCOMPARE(rows.join(' '),
                 QStringLiteral("d:d_emp:相同:a.pbl:a.pbl s:s_point:移动:b.pbl:a.pbl "
                                "w:w_main:更改:a.pbl:a.pbl"));
        QCOMPARE(all->Status(1), kMovedStatus);
        QCOMPARE(shell->Counts.Changed, 1);
        QCOMPARE(shell->Panels[7], QStringLiteral("移动1"));

        // Sorting by the side-1 library puts the moved row last.
        ClickHeader(frame.lvAll(), 2);
        QCOMPARE(all->Text(2, 0), QStringLiteral("s_point"));

        // A moved pair opens with each half from its own library.
        DoubleClickRow(frame.lvAll(), 2);
        TRecordingSourceView& source = shell->Source();
        QCOMPARE(source.Loads.size(), size_t(2));
        QCOMPARE(source.Loads[0].Title, "s_point@" + one + "b.pbl");
        QCOMPARE(source.Loads[1].Title, "s_point@" + two + "a");
        QCOMPARE(source.Loads[1].Lines.back(), std::string("x"));
        QCOMPARE(shell->Panels[7], QString());

        // Leaving the list takes its move count off the status bar.
        shell->ShowLibsView();
        QVERIFY(!frame.AllShown());
        QCOMPARE(shell->Panels[7], QString());
    }

    void allObjectsSortExportReportAndChangedLibraries() {
        TScratch dir("allobjects");
        TSmallPair pair(dir);
        // s_point moves from b.pbl on side 1 to d.pbl on side 2, and changes.
        WriteLib(pair.Side2 + "d.pbl",
                 {{"s_point.srs", Source("s_point.srs", "x changed"), "", kStamp + 9}}, 1600000000);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        frame.OpenSides({pair.Side1 + "a.pbl", pair.Side1 + "b.pbl"},
                        {pair.Side2 + "a.pbl", pair.Side2 + "c.pbl", pair.Side2 + "d.pbl"});
        shell->Commands().mnuAllObjs->trigger();
        TMyListView* view = frame.lvAll();
        TResultListModel* all = view->ResultModel();
        QCOMPARE(all->rowCount(), 7);
        const int moved = RowOfName(all, QStringLiteral("s_point"));
        QCOMPARE(all->Text(moved, 1), QStringLiteral("移动+更改"));
        QCOMPARE(all->Status(moved), kMovedStatus);

        // Every column sorts its rows, ascending on the first click and descending on the
        // second, and the rows keep their pairs.
        for (int column = 0; column < all->columnCount(); ++column)
            for (const int direction : {1, -1}) {
                ClickHeader(view, column);
                QCOMPARE(view->SortTag(column), direction);
                for (int r = 0; r + 1 < all->rowCount(); ++r)
                    QVERIFY2(all->CompareRows(r, r + 1, column) * direction <= 0,
                             qPrintable(QStringLiteral("column %1 row %2").arg(column).arg(r)));
            }
        ClickHeader(view, 5);
        QCOMPARE(all->Text(all->rowCount() - 1, 5), QStringLiteral("d.pbl"));
        QCOMPARE(all->Text(all->rowCount() - 1, 0), QStringLiteral("s_point"));

        // The report is of the rows shown: the move with both libraries, and its diff.
        frame.ExportCompareReport(dir / "all.html");
        const std::string html = ReadFile(dir / "all.html");
        QVERIFY(html.find("<h2>全部对象</h2>") != std::string::npos);
        QVERIFY(html.find("<h3>b.pbl → d.pbl / s_point.srs</h3>") != std::string::npos);
        QVERIFY(html.find("<h3>a.pbl / w_main.srw</h3>") != std::string::npos);
        QVERIFY(html.find(pair.Side2 + "d.pbl") != std::string::npos);

        // The context command is there, and exports the chosen half of the selected rows,
        // or of every row that is not the same.
        QVERIFY(view->findChild<QAction*>(QStringLiteral("actExportSources")) != nullptr);
        const int row = RowOfName(all, QStringLiteral("s_point"));
        view->selectionModel()->select(all->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
        QCOMPARE(frame.ExportSources(2, false, dir / "out1"), 1);
        QVERIFY(ReadFile(dir / "out1/s_point.srs").find("x changed") != std::string::npos);
        QCOMPARE(frame.ExportSources(1, true, dir / "out2"), 3);
        for (const char* name : {"f_calc.srf", "s_point.srs", "w_main.srw"})
            QVERIFY2(std::filesystem::exists(dir / "out2/" + std::string(name)), name);

        // A library written again while the rows show: the double-click says so, reads
        // nothing of it, and the list shows it as it is now.
        WriteLib(pair.Side2 + "d.pbl", {{"s_point.srs", Source("s_point.srs", "x"), "", kStamp}},
                 1600000500);
        std::vector<TBox> boxes =
            CaptureBoxes([&] { DoubleClickRow(view, RowOfName(all, QStringLiteral("s_point"))); });
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].Text.toStdString(), "\"" + pair.Side2 +
                                                  "d.pbl\" has changed since its objects were "
                                                  "listed; its objects are listed again");
        QVERIFY(shell->Source().Loads.empty());
        QVERIFY(frame.AllShown());
        QCOMPARE(all->Text(RowOfName(all, QStringLiteral("s_point")), 1), QStringLiteral("移动"));
        // Cut short, it is found damaged when listed again, and told so.
        std::filesystem::resize_file(pair.Side1 + "a.pbl", 3000);
        boxes = CaptureBoxes([&] { DoubleClickRow(view, RowOfName(all, "w_main")); });
        QCOMPARE(boxes.size(), size_t(2));
        QCOMPARE(boxes[1].Title, QStringLiteral("damaged"));
        QVERIFY(shell->Source().Loads.empty());
        // Deleted, it says so too, and that it cannot be listed again: as in the object
        // view, a listing that fails changes nothing, and the rows of the other libraries
        // still open.
        std::filesystem::remove(pair.Side1 + "b.pbl");
        boxes =
            CaptureBoxes([&] { DoubleClickRow(view, RowOfName(all, QStringLiteral("s_point"))); });
        QCOMPARE(boxes.size(), size_t(2));
        QCOMPARE(boxes[0].Text.toStdString(), "\"" + pair.Side1 +
                                                  "b.pbl\" has changed since its objects were "
                                                  "listed; its objects are listed again");
        QVERIFY(boxes[1].Text.startsWith(QStringLiteral("Cannot open file")));
        QVERIFY(shell->Source().Loads.empty());
        boxes = CaptureBoxes([&] { DoubleClickRow(view, RowOfName(all, "w_main")); });
        QVERIFY(boxes.empty());
        QCOMPARE(shell->Source().Loads.size(), size_t(2));
        QCOMPARE(shell->Source().Loads[1].Lines.back(), std::string("close()"));
    }

    void workspaceWhoseTargetNamesALibraryFolder() {
        TScratch dir("wsfolder");
        const std::string old = dir / "old/", now = dir / "new/";
        WriteLib(old + "app.pbl",
                 {{"w_main.srw", "open()\r\n", "", kStamp}, {"f_util.srf", "r\r\n", "", kStamp}},
                 1600000000);
        std::filesystem::create_directories(now + "app.pbl");
        std::ofstream(now + "app.pbl/w_main.srw", std::ios::binary)
            << "$PBExportHeader$w_main.srw\r\nopen()\r\n";
        WriteLib(now + "lib/util.pbl", {{"f_util.srf", "r\r\n", "", kStamp}}, 1600000000);
        for (const std::string& side : {old, now}) {
            std::ofstream(side + "app.pbt", std::ios::binary)
                << (side == old ? "LibList \"app.pbl\";\r\n"
                                : "LibList \"app.pbl;lib\\\\util.pbl\";\r\n");
            std::ofstream(side + "app.pbw", std::ios::binary)
                << "@begin Targets\r\n 0 \"app.pbt\";\r\n@end;\r\n";
        }
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        const std::vector<TBox> boxes =
            CaptureBoxes([&] { frame.OpenSides({old + "app.pbw"}, {now + "app.pbw"}); });
        QVERIFY(boxes.empty());

        // The folder the target names is its library app.pbl, shown as a folder.
        TResultListModel* libs = frame.lvLibs()->ResultModel();
        QCOMPARE(libs->rowCount(), 2);
        QCOMPARE(libs->Text(0, 0), QStringLiteral("app.pbl"));
        QCOMPARE(libs->Text(0, 1), QStringLiteral("更改"));
        QCOMPARE(libs->Image(0), int(riFolder));
        QCOMPARE(libs->Text(1, 1), QStringLiteral("增加"));

        // Its objects against the old library's: w_main the same, f_util moved out.
        shell->Commands().mnuAllObjs->trigger();
        TResultListModel* all = frame.lvAll()->ResultModel();
        QCOMPARE(all->rowCount(), 2);
        QCOMPARE(all->Text(0, 0) + ":" + all->Text(0, 1) + ":" + all->Text(0, 5),
                 QStringLiteral("f_util:移动:util.pbl"));
        QCOMPARE(all->Text(1, 0) + ":" + all->Text(1, 1) + ":" + all->Text(1, 5),
                 QStringLiteral("w_main:相同:app.pbl"));
        QCOMPARE(shell->Panels[7], QStringLiteral("移动1"));
        DoubleClickRow(frame.lvAll(), 1);
        QCOMPARE(shell->Source().Loads.size(), size_t(2));
        QCOMPARE(shell->Source().Loads[1].Title, "w_main@" + now + "app.pbl");
    }

    void enterOpensTheRowAsADoubleClickDoes() {
        TScratch dir("enter");
        TSmallPair pair(dir);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        frame.OpenSides({pair.Side1 + "a.pbl"}, {pair.Side2 + "a.pbl"});
        TMyListView* libs = frame.lvLibs();
        libs->setFocus();
        libs->setCurrentIndex(libs->model()->index(0, 0));
        QTest::keyClick(libs, Qt::Key_Return);
        QCOMPARE(int(shell->View()), int(TView::Objs));

        TMyListView* objs = frame.lvObjs();
        objs->setFocus();
        objs->setCurrentIndex(objs->model()->index(3, 0));
        // Enter with a modifier is some other command's key, not the row's.
        QTest::keyClick(objs, Qt::Key_Enter, Qt::ControlModifier);
        QCOMPARE(int(shell->View()), int(TView::Objs));
        QTest::keyClick(objs, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(int(shell->View()), int(TView::Files));
        QCOMPARE(shell->Source().Loads.size(), size_t(2));
        QCOMPARE(shell->Source().Loads[1].Title, "u_new@" + pair.Side2 + "a.pbl");
    }

    void textColumnsFoldToCapitals() {
        TScratch dir("fold");
        WriteLib(dir / "x.pbl",
                 {{"w_a_b.srw", "a", "", kStamp},
                  {"w_aab.srw", "b", "", kStamp},
                  {"w_AC.srw", "c", "", kStamp},
                  {"w_a.srw", "d", "", kStamp}},
                 1600000000);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        shell->ShowObjsView();
        frame.OpenSingleLib(dir / "x.pbl", 1);
        TResultListModel* objs = frame.lvObjs()->ResultModel();
        auto names = [&] {
            QStringList out;
            for (int r = 0; r < objs->rowCount(); ++r)
                out << objs->Text(r, 0);
            return out.join(' ');
        };
        // Grouped by type, then in key order (letters lowered, so "_" before "a").
        QCOMPARE(names(), QStringLiteral("w_a w_a_b w_aab w_AC"));
        // The list's own order folds a-z to capitals: "_" sorts after the letters.
        ClickHeader(frame.lvObjs(), 0);
        QCOMPARE(names(), QStringLiteral("w_a w_aab w_AC w_a_b"));
        QCOMPARE(frame.lvObjs()->CompareRows(0, 1, 0), -1);
        ClickHeader(frame.lvObjs(), 0);
        QCOMPARE(names(), QStringLiteral("w_a_b w_AC w_aab w_a"));
        QCOMPARE(frame.lvObjs()->CompareRows(0, 1, 0), -1);
        // Refilling groups by type again, marking only the type column.
        frame.FillObjsView();
        QCOMPARE(names(), QStringLiteral("w_a w_a_b w_aab w_AC"));
        QCOMPARE(frame.lvObjs()->Header()->Mark(0), -1);
        QCOMPARE(frame.lvObjs()->Header()->Mark(6), int(smAscending));
    }

    void progressHoldsCommands() {
        TScratch dir("progress");
        TSmallPair pair(dir);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        QStringList texts;
        bool heldDuring = true, barShown = true;
        shell->OnPanelText = [&](int panel, const QString& text) {
            if (panel != 7 || text.isEmpty())
                return;
            texts << text;
            heldDuring = heldDuring && !shell->Commands().mnuOpen1->isEnabled() &&
                         !shell->Commands().tbOpen2->isEnabled() && !frame.tbClear1()->isEnabled();
            barShown = barShown && shell->ProgressBar()->isVisible();
            // A command arriving meanwhile is held back.
            frame.tbClear2Click();
            frame.OpenSides({}, {pair.Side2 + "c.pbl"});
        };
        frame.OpenSides({pair.Side1 + "a.pbl", pair.Side1 + "b.pbl"},
                        {pair.Side2 + "a.pbl", pair.Side2 + "c.pbl"});
        shell->OnPanelText = nullptr;
        QVERIFY(!texts.isEmpty());
        QVERIFY(texts.contains(QStringLiteral("Approx. 50% complete")));
        QVERIFY(heldDuring);
        QVERIFY(barShown);
        QVERIFY(!shell->ProgressBar()->isVisible());
        QCOMPARE(shell->Panels[7], QString());
        QVERIFY(shell->Commands().mnuOpen1->isEnabled());
        QVERIFY(frame.tbClear1()->isEnabled());
        QCOMPARE(frame.lvLibs()->model()->rowCount(), 3);
    }

    // The report entry is there in every view once libraries are listed (and held while a
    // comparison runs); the report leaves the object list as it was; exported sources are
    // the selected objects or every differing one of a side.
    void reportAndSourceExport() {
        TScratch dir("export");
        TSmallPair pair(dir);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        QAction* report = shell->Commands().mnuExportReport;
        QCOMPARE(report->text(), QStringLiteral("导出比较报告..."));
        QVERIFY(!report->isEnabled());
        bool heldDuring = true;
        shell->OnPanelText = [&](int panel, const QString& text) {
            if (panel == 7 && !text.isEmpty())
                heldDuring = heldDuring && !report->isEnabled();
        };
        frame.OpenSides({pair.Side1 + "a.pbl", pair.Side1 + "b.pbl"},
                        {pair.Side2 + "a.pbl", pair.Side2 + "c.pbl"});
        shell->OnPanelText = nullptr;
        QVERIFY(heldDuring);
        QVERIFY(report->isEnabled());

        DoubleClickRow(frame.lvLibs(), 0);
        QCOMPARE(int(shell->View()), int(TView::Objs));
        QVERIFY(report->isEnabled());
        TResultListModel* objs = frame.lvObjs()->ResultModel();
        const int rows = objs->rowCount();
        frame.ExportCompareReport(dir / "report.html");
        const std::string html = ReadFile(dir / "report.html");
        QVERIFY(html.find("<h3>a.pbl / w_main.srw</h3>") != std::string::npos);
        QVERIFY(html.find("<td>close()</td>") != std::string::npos);
        QVERIFY(html.find("<td class=\"name\">c.pbl</td><td class=\"status\">增加</td>") !=
                std::string::npos);
        QCOMPARE(objs->rowCount(), rows);
        QCOMPARE(frame.Comparison().LibPath1(), pair.Side1 + "a.pbl");

        const int main = RowOfName(objs, QStringLiteral("w_main"));
        frame.lvObjs()->selectionModel()->select(
            objs->index(main, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(frame.ExportSources(1, false, dir / "out1"), 1);
        // The reader's export puts its own header line before the stored source.
        auto exported = [](const std::string& name, const std::string& body) {
            return "$PBExportHeader$" + name + "\r\n" + Source(name, body);
        };
        QCOMPARE(ReadFile(dir / "out1/w_main.srw"), exported("w_main.srw", "open()"));
        QCOMPARE(frame.ExportSources(2, true, dir / "out2"), 2);
        QCOMPARE(ReadFile(dir / "out2/w_main.srw"), exported("w_main.srw", "open()\r\nclose()"));
        QCOMPARE(ReadFile(dir / "out2/u_new.sru"), exported("u_new.sru", "new"));
        QVERIFY(!std::filesystem::exists(dir / "out2/d_emp.srd"));

        shell->ShowLibsView();
        frame.tbClear1Click();
        QVERIFY(report->isEnabled());
        frame.tbClear2Click();
        QVERIFY(!report->isEnabled());
    }

    void noticesAndErrors() {
        TScratch dir("notices");
        TSmallPair pair(dir);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        frame.OpenSides({pair.Side1 + "a.pbl"}, {pair.Side2 + "a.pbl"});

        std::vector<TBox> boxes =
            CaptureBoxes([&] { frame.AddLibraries({pair.Side2 + "a.pbl"}, 2); });
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].Title, QStringLiteral("information"));
        QCOMPARE(boxes[0].Text, QStringLiteral("a.pbl already in Destination"));
        QCOMPARE(boxes[0].Icon, QMessageBox::Information);
        boxes = CaptureBoxes([&] { frame.AddLibraries({pair.Side1 + "a.pbl"}, 1); });
        QVERIFY(boxes.empty());
        boxes = CaptureBoxes([&] { frame.AddLibraries({dir / "none.pbl"}, 1); });
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].Text.toStdString(), dir / "none.pbl does not exist");

        // The notices of one command come in one dialog, every text in the order raised
        // (looked up last to first), and an error after them still has its own box.
        int dialogs = 0;
        QStringList lists;
        boxes = CaptureBoxes(
            [&] {
                frame.AddLibraries({dir / "x.pbl", dir / "y.pbl", pair.Side2 + "a.pbl"}, 2);
            },
            &dialogs, &lists);
        QCOMPARE(dialogs, 1);
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists[0].toStdString(),
                 dir / "y.pbl does not exist\n" +
                     dir / "x.pbl does not exist\na.pbl already in Destination");
        QCOMPARE(boxes.size(), size_t(3));
        frame.AddLibraries({pair.Side1 + "b.pbl"}, 1);
        // A folder named like a library is one; a pipe is no library at all.
        std::filesystem::create_directories(dir / "folder");
        QCOMPARE(::mkfifo((dir / "folder/b.pbl").c_str(), 0600), 0);
        dialogs = 0;
        boxes = CaptureBoxes(
            [&] {
                shell->Guarded([&] {
                    frame.AddLibraries({dir / "gone.pbl", dir / "folder/b.pbl"}, 2);
                });
            },
            &dialogs);
        QCOMPARE(dialogs, 1);
        QCOMPARE(boxes.size(), size_t(2));
        QCOMPARE(boxes[0].Text.toStdString(), dir / "gone.pbl does not exist");
        QCOMPARE(boxes[1].Title, QStringLiteral("Tandrel"));
        QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
        frame.tbClear2Click();

        // A library that cannot be opened fails through the guard: stop box, view unchanged.
        // A folder is a library only when named like one or holding exported sources.
        std::filesystem::create_directories(dir / "folder");
        shell->ShowObjsView();
        boxes =
            CaptureBoxes([&] { shell->Guarded([&] { frame.OpenSingleLib(dir / "folder", 1); }); });
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].Title, QStringLiteral("Tandrel"));
        QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
        QVERIFY(boxes[0].Text.endsWith(QLatin1Char('.')));
        QVERIFY(frame.ObjsShown());

        boxes = CaptureBoxes(
            [&] { shell->Guarded([&] { frame.OpenSingleLib(dir / "missing.pbl", 1); }); });
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(boxes[0].Text.startsWith(QStringLiteral("Cannot open file \"")));
    }

    void openDialogs() {
        TScratch dir("dialog");
        TSmallPair pair(dir);
        { std::ofstream(pair.Side2 + "two.pbt") << "LibList \"a.pbl;c.pbl\";\r\n"; }
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        shell->Values().Folder1 = pair.Side1;

        // Side 1: two libraries through the library filter; the dialog starts in Folder.1.
        QString startFolder;
        const QStringList filters =
            DriveFileDialog([&] { shell->Commands().mnuOpen1->trigger(); }, 0,
                            {QString::fromStdString(pair.Side1 + "a.pbl"),
                             QString::fromStdString(pair.Side1 + "b.pbl")},
                            &startFolder);
        QCOMPARE(filters, TLibFrame::LibraryFilters());
        QCOMPARE(filters.value(2), QStringLiteral("PowerBuilder WorkSpace(*.pbw)"));
        QCOMPARE(startFolder + "/", QString::fromStdString(pair.Side1));
        QCOMPARE(frame.Comparison().LibCounts().Count1, 2);
        QCOMPARE(frame.Comparison().FilterKind(), int(fkLibraries));

        // Side 2: the target filter picked in the dialog makes the file a target.
        DriveFileDialog([&] { shell->Commands().tbOpen2->trigger(); }, 1,
                        {QString::fromStdString(pair.Side2 + "two.pbt")});
        QCOMPARE(frame.Comparison().FilterKind(), int(fkTarget));
        QCOMPARE(frame.Comparison().LibCounts().Count2, 2);
        QCOMPARE(shell->Values().Folder2, pair.Side2);
        QCOMPARE(frame.lvLibs()->model()->rowCount(), 3);
        // Both opened through the dialog went to their side's history, the first chosen
        // first; a target is remembered as itself.
        QCOMPARE(ReadFile(dir / "File1.lst"), pair.Side1 + "a.pbl\r\n" + pair.Side1 + "b.pbl\r\n");
        QCOMPARE(ReadFile(dir / "File2.lst"), pair.Side2 + "two.pbt\r\n");
        QCOMPARE(frame.cbOpen2()->itemText(0).toStdString(), pair.Side2 + "two.pbt");

        // A library chosen while the workspace filter shows is opened as a library.
        frame.tbClear2Click();
        const std::vector<TBox> boxes = CaptureBoxes([&] {
            DriveFileDialog([&] { shell->Commands().tbOpen2->trigger(); }, 2,
                            {QString::fromStdString(pair.Side2 + "c.pbl")});
        });
        QVERIFY(boxes.empty());
        QCOMPARE(frame.Comparison().FilterKind(), int(fkWorkspace));
        QCOMPARE(frame.Comparison().LibCounts().Count2, 1);
        TResultRow row;
        QVERIFY(frame.Comparison().LibRow(
            RowOfName(frame.lvLibs()->ResultModel(), QStringLiteral("c.pbl")), row));
        QCOMPARE(row.Path2, pair.Side2 + "c.pbl");

        // The object view's open command: one library, the history written and shown.
        shell->ShowObjsView();
        DriveFileDialog([&] { shell->Commands().mnuOpen1->trigger(); }, 0,
                        {QString::fromStdString(pair.Side1 + "b.pbl")});
        QCOMPARE(frame.Comparison().LibPath1(), pair.Side1 + "b.pbl");
        QCOMPARE(frame.cbOpen1()->currentText().toStdString(), pair.Side1 + "b.pbl");
        QCOMPARE(frame.cbOpen1()->itemText(0).toStdString(), pair.Side1 + "b.pbl");
        QCOMPARE(ReadFile(dir / "File1.lst"), pair.Side1 + "b.pbl\r\n" + pair.Side1 + "a.pbl\r\n");
        QCOMPARE(frame.lvObjs()->model()->rowCount(), 1);
        QCOMPARE(shell->Values().Folder1, pair.Side1); // not changed by this command

        frame.OpenSingleLib(pair.Side1 + "a.pbl", 1);
        frame.OpenSingleLib(pair.Side1 + "b.pbl", 1);
        QCOMPARE(ReadFile(dir / "File1.lst"), pair.Side1 + "b.pbl\r\n" + pair.Side1 + "a.pbl\r\n");
        QCOMPARE(frame.cbOpen1()->count(), 2);

        // A cancelled dialog changes nothing.
        DriveFileDialog([&] { shell->Commands().mnuOpen2->trigger(); }, 0, {});
        QCOMPARE(frame.Comparison().LibPath2(), std::string());
    }

    void historiesRememberEveryWayOfOpening() {
        TScratch dir("histories");
        TSmallPair pair(dir);
        // A target names its libraries relative to itself, as workspaces do.
        { std::ofstream(pair.Side2 + "two.pbt") << "LibList \"..\\two\\a.pbl;c.pbl\";\r\n"; }
        {
            auto shell = NewShell(dir.Path());
            TLibFrame& frame = shell->LibFrame();

            // The command line, with a detour in one path: both sides remember what they
            // opened, and paths are shown and kept without the detour.
            const std::vector<TBox> boxes = CaptureBoxes(
                [&] { frame.OpenSides({dir / "one/../one/a.pbl"}, {pair.Side2 + "two.pbt"}); });
            QVERIFY(boxes.empty());
            QCOMPARE(ReadFile(dir / "File1.lst"), pair.Side1 + "a.pbl\r\n");
            QCOMPARE(ReadFile(dir / "File2.lst"), pair.Side2 + "two.pbt\r\n");
            QCOMPARE(frame.cbOpen1()->currentText().toStdString(), pair.Side1 + "a.pbl");
            QCOMPARE(shell->Values().Folder1, pair.Side1);
            TResultRow row;
            QVERIFY(frame.Comparison().LibRow(0, row));
            QCOMPARE(row.Path1, pair.Side1 + "a.pbl");
            QCOMPARE(row.Path2, pair.Side2 + "a.pbl");

            // Picking an entry only changes the text.
            frame.cbOpen2()->addItem(QStringLiteral("/nowhere/x.pbl"));
            frame.cbOpen2()->showPopup();
            QTest::keyClick(frame.cbOpen2()->view(), Qt::Key_End);
            QTest::keyClick(frame.cbOpen2()->view(), Qt::Key_Return);
            QCOMPARE(frame.cbOpen2()->currentText(), QStringLiteral("/nowhere/x.pbl"));
            QCOMPARE(frame.Comparison().LibCounts().Count2, 2);

            // Enter in the library view adds what the box holds to its side.
            frame.cbOpen1()->setEditText(QString::fromStdString(pair.Side1 + "b.pbl"));
            QTest::keyClick(frame.cbOpen1(), Qt::Key_Return);
            QCOMPARE(frame.Comparison().LibCounts().Count1, 2);
            QCOMPARE(ReadFile(dir / "File1.lst"),
                     pair.Side1 + "b.pbl\r\n" + pair.Side1 + "a.pbl\r\n");
            QCOMPARE(frame.cbOpen1()->count(), 2);

            // A path that is not there is a notice, and nothing is remembered.
            int dialogs = 0;
            std::vector<TBox> told = CaptureBoxes(
                [&] {
                    frame.cbOpen1()->setEditText(QString::fromStdString(dir / "gone.pbl"));
                    QTest::keyClick(frame.cbOpen1(), Qt::Key_Return);
                },
                &dialogs);
            QCOMPARE(dialogs, 1);
            QCOMPARE(told.size(), size_t(1));
            QCOMPARE(frame.cbOpen1()->count(), 2);

            // A file dropped on a side's box is opened on that side.
            WriteLib(dir / "three/d.pbl", {{"f_d.srf", Source("f_d.srf", "d"), "", kStamp}},
                     1600000000);
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir / "three/d.pbl"))});
            QLineEdit* target = frame.cbOpen1()->lineEdit();
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(target, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(target, &drop);
            QCOMPARE(frame.Comparison().LibCounts().Count1, 3);
            QCOMPARE(ReadFile(dir / "File1.lst"),
                     dir / "three/d.pbl\r\n" + pair.Side1 + "b.pbl\r\n" + pair.Side1 + "a.pbl\r\n");

            // Enter in the object view makes it the side's library.
            shell->ShowObjsView();
            frame.cbOpen2()->setEditText(QString::fromStdString(pair.Side2 + "c.pbl"));
            QTest::keyClick(frame.cbOpen2(), Qt::Key_Return);
            QCOMPARE(frame.Comparison().LibPath2(), pair.Side2 + "c.pbl");
            QCOMPARE(ReadFile(dir / "File2.lst"),
                     pair.Side2 + "c.pbl\r\n" + pair.Side2 + "two.pbt\r\n");

            // A side cleared shows an empty box; its history stays.
            shell->ShowLibsView();
            frame.tbClear1Click();
            QCOMPARE(frame.cbOpen1()->currentText(), QString());
            QCOMPARE(frame.cbOpen1()->count(), 3);
        }
        // After a restart both histories are there, most recent first.
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        QCOMPARE(frame.cbOpen1()->count(), 3);
        QCOMPARE(frame.cbOpen1()->itemText(0).toStdString(), dir / "three/d.pbl");
        QCOMPARE(frame.cbOpen1()->itemText(1).toStdString(), pair.Side1 + "b.pbl");
        QCOMPARE(frame.cbOpen2()->itemText(0).toStdString(), pair.Side2 + "c.pbl");
        QCOMPARE(frame.cbOpen2()->itemText(1).toStdString(), pair.Side2 + "two.pbt");
    }

    void libraryChangedUnderItsObjectList() {
        TScratch dir("changed");
        TSmallPair pair(dir);
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        frame.OpenSides({pair.Side1 + "a.pbl"}, {pair.Side2 + "a.pbl"});
        DoubleClickRow(frame.lvLibs(), 0);
        QCOMPARE(int(shell->View()), int(TView::Objs));
        TResultListModel* objs = frame.lvObjs()->ResultModel();
        const int wMain = RowOfName(objs, QStringLiteral("w_main"));
        QCOMPARE(objs->Text(wMain, 1), QStringLiteral("更改"));

        // Cut short on disk while its objects are listed: nothing of it is read, the user is
        // told, and the list shows the library as it is now.
        std::filesystem::resize_file(pair.Side1 + "a.pbl", 3000);
        std::vector<TBox> boxes = CaptureBoxes([&] { DoubleClickRow(frame.lvObjs(), wMain); });
        QCOMPARE(boxes.size(), size_t(2));
        QCOMPARE(boxes[0].Title, QStringLiteral("information"));
        QCOMPARE(boxes[0].Icon, QMessageBox::Information);
        QCOMPARE(boxes[0].Text.toStdString(), "\"" + pair.Side1 +
                                                  "a.pbl\" has changed since its objects were "
                                                  "listed; its objects are listed again");
        // Read again, the cut file is found damaged, which only a new listing can tell.
        QCOMPARE(boxes[1].Title, QStringLiteral("damaged"));
        QCOMPARE(int(shell->View()), int(TView::Objs));
        QVERIFY(frame.ObjsShown());
        QVERIFY(shell->Source().Loads.empty());
        QCOMPARE(frame.Comparison().LibStream1()->Size(), int64_t(3000));
        QCOMPARE(shell->Counts.Count1, frame.Comparison().ObjCounts().Count1);

        // The list read again opens as usual.
        const int added = RowOfName(objs, QStringLiteral("u_new"));
        QVERIFY(added >= 0);
        boxes = CaptureBoxes([&] { DoubleClickRow(frame.lvObjs(), added); });
        QVERIFY(boxes.empty());
        QCOMPARE(int(shell->View()), int(TView::Files));
        QCOMPARE(shell->Source().Loads.size(), size_t(2));
    }

    void nonUtf8LibraryName() {
        TScratch dir("gbk");
        // "库.pbl" in GBK bytes, as a name copied from a Windows disk.
        const std::string raw = dir / "\xBF\xE2.pbl";
        WriteLib(raw, {{"w_one.srw", Source("w_one.srw", "x"), "", kStamp}}, 1600000000);
        {
            auto shell = NewShell(dir.Path());
            TLibFrame& frame = shell->LibFrame();
            shell->ShowObjsView();
            frame.OpenSingleLib(raw, 2);
            QCOMPARE(frame.lvObjs()->model()->rowCount(), 1);
            QVERIFY(frame.cbOpen2()->currentText().endsWith(QStringLiteral("/库.pbl")));
            QCOMPARE(ReadFile(dir / "File2.lst"), raw + "\r\n");

            shell->ShowLibsView();
            frame.OpenSides({}, {raw});
            QCOMPARE(frame.lvLibs()->ResultModel()->Text(0, 0), QStringLiteral("库.pbl"));

            // The source title stays readable.
            shell->ShowObjsView();
            DoubleClickRow(frame.lvObjs(), 0);
            QVERIFY(QString::fromStdString(shell->Source().Loads[1].Title)
                        .endsWith(QStringLiteral("/库.pbl")));
        }
        {
            // Chosen in the open dialogs, where Qt knows the name only with replacement
            // characters.
            auto shell = NewShell(dir.Path());
            TLibFrame& frame = shell->LibFrame();
            const QString shown = QFile::decodeName(QByteArray::fromStdString(raw));
            DriveFileDialog([&] { shell->Commands().mnuOpen1->trigger(); }, 0, {shown});
            QCOMPARE(frame.Comparison().Libs1().size(), size_t(1));
            QCOMPARE(frame.Comparison().Libs1()[0].Object->FileName, raw);
            shell->ShowObjsView();
            DriveFileDialog([&] { shell->Commands().tbOpen1->trigger(); }, 0, {shown});
            QCOMPARE(frame.Comparison().LibPath1(), raw);
        }
        // Remembered: the next start lists it readably and opens the very file.
        auto shell = NewShell(dir.Path());
        TLibFrame& frame = shell->LibFrame();
        QCOMPARE(frame.cbOpen2()->count(), 1);
        QCOMPARE(frame.cbOpen1()->count(), 1);
        QVERIFY(frame.cbOpen2()->itemText(0).endsWith(QStringLiteral("/库.pbl")));
        QCOMPARE(frame.cbOpen2()->itemData(0).toByteArray().toStdString(), raw);
        QCOMPARE(frame.Comparison().History(2).front(), raw);
    }
};

QTEST_MAIN(TLibFrameTest)
#include "LibFrameTest.moc"
