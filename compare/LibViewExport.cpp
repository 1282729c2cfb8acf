// The library frame's output commands: the whole comparison as an HTML report, and the
// exported sources of objects written to a folder.

#include "AllObjects.h"
#include "HtmlReport.h"
#include "LibCompare.h"
#include "LibView.h"
#include "MainShell.h"
#include "MyListView.h"
#include "PathText.h"
#include "ResultListModel.h"
#include "SourceExport.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tandrel {

namespace {

std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::vector<std::string> LibraryPaths(const TLibList& libs) {
    std::vector<std::string> paths;
    for (const auto& item : libs)
        if (!item.Key.empty())
            paths.push_back(item.Object->FileName);
    return paths;
}

// Asks which side and which objects: the answer, or false when cancelled.
bool AskExportScope(QWidget* parent, bool haveSelection, int& side, bool& changedOnly) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("导出源代码"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* sides = new QGroupBox(QStringLiteral("源"), &dialog);
    auto* sidesLayout = new QVBoxLayout(sides);
    auto* side1 = new QRadioButton(QStringLiteral("源 1"), sides);
    auto* side2 = new QRadioButton(QStringLiteral("源 2"), sides);
    side1->setChecked(true);
    sidesLayout->addWidget(side1);
    sidesLayout->addWidget(side2);
    auto* scope = new QGroupBox(QStringLiteral("对象"), &dialog);
    auto* scopeLayout = new QVBoxLayout(scope);
    auto* selected = new QRadioButton(QStringLiteral("选中的对象"), scope);
    auto* changed = new QRadioButton(QStringLiteral("所有不同的对象"), scope);
    selected->setEnabled(haveSelection);
    (haveSelection ? selected : changed)->setChecked(true);
    scopeLayout->addWidget(selected);
    scopeLayout->addWidget(changed);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(sides);
    layout->addWidget(scope);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    side = side2->isChecked() ? 2 : 1;
    changedOnly = changed->isChecked();
    return true;
}

} // namespace

void TLibFrame::InitExportCommands() {
    TSharedCommands& commands = FShell.Commands();
    if (commands.mnuExportReport)
        FShell.Bind(commands.mnuExportReport, [this] { mnuExportReportClick(); });
    // Both object lists offer it, each for its own rows.
    for (TMyListView* view : {FLvObjs, FLvAll}) {
        auto* exportSources = new QAction(QStringLiteral("导出源代码..."), view);
        exportSources->setObjectName(QStringLiteral("actExportSources"));
        connect(exportSources, &QAction::triggered, this,
                [this] { FShell.Guarded([this] { lvObjsExportClick(); }); });
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view, exportSources](QPoint at) {
                    exportSources->setEnabled(Idle() && ObjectRowCount() > 0);
                    QMenu menu(view);
                    menu.addAction(exportSources);
                    menu.exec(view->viewport()->mapToGlobal(at));
                });
    }
    UpdateExportReport();
}

int TLibFrame::ObjectRowCount() const {
    if (FAllShown)
        return FAll ? FAll->RowCount() : 0;
    return FCompare ? FCompare->ObjPairCount() : 0;
}

void TLibFrame::UpdateExportReport() {
    if (QAction* item = FShell.Commands().mnuExportReport)
        item->setEnabled(!FHeld && FCompare && FCompare->LibPairCount() > 0);
}

void TLibFrame::mnuExportReportClick() {
    if (!Idle() || FCompare->LibPairCount() == 0)
        return;
    QString path =
        QFileDialog::getSaveFileName(FShell.Window(), QStringLiteral("导出比较报告"),
                                     QString::fromUtf8(PathToUtf8Text(FShell.Values().Folder1)),
                                     QStringLiteral("HTML (*.html *.htm)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".html");
    ExportCompareReport(FileSystemPath(path));
}

void TLibFrame::ExportCompareReport(const std::string& path) {
    if (!Idle())
        return;
    const TProgramValues& values = FShell.Values();
    THtmlReportInfo info;
    info.Colors = {RgbColor(0xFF, 0xFF, 0xFF), values.AddColor, values.ModColor, values.DelColor};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        // The list shown is the one reported: the all-objects rows as they stand, in the
        // libraries' search order.
        if (FAllShown && FAll) {
            for (int side = 1; side <= 2; ++side)
                for (const std::string& lib : FCompare->SearchOrder(side))
                    (side == 1 ? info.Side1 : info.Side2).push_back(PathToUtf8Text(lib));
            WriteAllObjectsReport(path, *FAll, Options(), info);
        } else {
            WriteHtmlReport(path, LibraryPaths(FCompare->Libs1()), LibraryPaths(FCompare->Libs2()),
                            Options(), info);
        }
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

void TLibFrame::lvObjsExportClick() {
    if (!Idle() || ObjectRowCount() == 0)
        return;
    int side = 1;
    bool changedOnly = false;
    const TMyListView* view = FAllShown ? FLvAll : FLvObjs;
    if (!AskExportScope(FShell.Window(), !view->SelectedRows().empty(), side, changedOnly))
        return;
    const QString folder = QFileDialog::getExistingDirectory(
        FShell.Window(), QStringLiteral("导出源代码"),
        QString::fromUtf8(
            PathToUtf8Text(side == 1 ? FShell.Values().Folder1 : FShell.Values().Folder2)));
    if (folder.isEmpty())
        return;
    const int written = ExportSources(side, changedOnly, FileSystemPath(folder));
    FShell.SetPanelText(7, QStringLiteral("已导出 %1 个文件").arg(written));
}

int TLibFrame::ExportSources(int side, bool changedOnly, const std::string& folder) {
    if (!Idle())
        return 0;
    if (FAllShown) {
        if (!FAll)
            return 0;
        std::vector<int> indexes = changedOnly ? FAll->DifferingRows() : std::vector<int>();
        if (!changedOnly)
            for (const int row : FLvAll->SelectedRows())
                indexes.push_back(FAllModel->PairIndex(row));
        return ExportAllObjectSources(*FAll, indexes, side, folder);
    }
    std::vector<int> indexes;
    if (changedOnly) {
        for (const int k : FCompare->ObjViewOrder()) {
            TResultRow row;
            if (FCompare->ObjRow(k, row) && row.Status != csSame)
                indexes.push_back(k);
        }
    } else {
        for (const int row : FLvObjs->SelectedRows())
            indexes.push_back(FObjsModel->PairIndex(row));
    }
    return ExportObjectSources(*FCompare, indexes, side, folder);
}

} // namespace tandrel
