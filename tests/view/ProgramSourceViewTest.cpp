// The source view in the program's own main window: an object pair of two real library
// versions opened from the object list, as a user opens it.

#include "CommandGuard.h"
#include "CommandLine.h"
#include "FileView.h"
#include "LibView.h"
#include "Main.h"
#include "MyListView.h"
#include "TCodeEdit.h"

#include <filesystem>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace tandrel {

class ProgramSourceViewTest : public QObject {
    Q_OBJECT

private:
    // Selects the list row whose first column is `name` and opens it as a double-click does.
    static bool OpenRow(TLibFrame& frame, TMyListView& list, const QString& name) {
        QAbstractItemModel* model = list.model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            if (model->data(index).toString() != name)
                continue;
            list.selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
            frame.lvLibsDblClick(&list);
            return true;
        }
        return false;
    }

    QTemporaryDir FDir;
    std::vector<std::string> FMessages;

private slots:
    void init() {
        FMessages.clear();
        SetMessageSink([this](const TMessage& m) { FMessages.push_back(m.Text.toStdString()); });
    }
    void cleanup() { SetMessageSink({}); }

    void objectPairOpenedFromTheObjectList() {
        const std::string data = TANDREL_REALDATA_DIR;
        const std::string lib1 = data + "/pfc105/pfcutil/pfcutil.pbl";
        const std::string lib2 = data + "/pfc2022/pfcutil/pfcutil.pbl";
        if (!std::filesystem::exists(lib1) || !std::filesystem::exists(lib2))
            QSKIP("no real data");
        TMainForm form(
            {FDir.filePath("tandrel.ini").toStdString(), QStringLiteral("/nowhere/tandrel")});
        form.resize(1000, 700);
        form.show();
        form.OpenLaunch(ParseCommandLine({lib1, lib2}));
        TLibFrame& libs = *form.LibFrame();
        QVERIFY(OpenRow(libs, *libs.lvLibs(), "pfcutil.pbl"));
        QCOMPARE(form.View(), TViewMode::Objs);
        QVERIFY(OpenRow(libs, *libs.lvObjs(), "pfc_n_cst_debug"));
        QCOMPARE(form.View(), TViewMode::Files);

        TFilesFrame& frame = *form.FilesFrame();
        QVERIFY(frame.Compared());
        TCodeEdit& left = frame.Pane(true);
        QVERIFY(left.ReadOnly());
        QCOMPARE(left.Lines()[0], std::string("$PBExportHeader$pfc_n_cst_debug.sru"));
        // The caption names the library as a user writes its path, without detours.
        const std::string shown = std::filesystem::path(lib1).lexically_normal().string();
        QVERIFY(frame.Caption(true).text().endsWith("pfc_n_cst_debug@" +
                                                    QString::fromStdString(shown)));
        const TCompareCounts& counts = frame.Model().Counts();
        QVERIFY(counts.Added > 0 && counts.Changed > 0 && counts.Deleted > 0);
        QVERIFY(form.Commands().mnuNext->isEnabled());

        // Stepping by the window's own command; a library object is not edited by a copy.
        left.setFocus();
        form.Commands().mnuNext->trigger();
        QVERIFY(frame.Model().IsOnDifference(left));
        const std::int32_t block = left.CaretPt().Y;
        const std::string before = frame.Pane(false).Lines()[block];
        form.Commands().mnuCopyBlockRight->trigger();
        QCOMPARE(frame.Pane(false).Lines()[block], before);
        QVERIFY(!frame.Pane(false).Lines().Modified());
        QVERIFY(FMessages.empty());
    }
};

} // namespace tandrel

QTEST_MAIN(tandrel::ProgramSourceViewTest)
#include "ProgramSourceViewTest.moc"
