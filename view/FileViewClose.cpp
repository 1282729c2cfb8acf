// The source frame's side of leaving: what becomes of edits in the panes when the window
// closes or a loaded file changes on disk, and a close that arrives while the engine runs.

#include "DisplayText.h"
#include "FileView.h"
#include "TCodeEdit.h"

#include <filesystem>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>

namespace tandrel {

namespace {

int SideIndex(bool isSide1) {
    return isSide1 ? 0 : 1;
}

// The file's time stamp as a number to compare with an earlier one; 0 when it has none.
std::int64_t DiskStamp(const std::string& path) {
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(path, error);
    return error ? 0 : std::int64_t(stamp.time_since_epoch().count());
}

struct TAnswer {
    QMessageBox::StandardButton Button;
    QString Text;
};

// A question titled as the main window; Esc gives the last answer.
QMessageBox::StandardButton Ask(QWidget* main, const QString& text,
                                const std::vector<TAnswer>& answers,
                                QMessageBox::StandardButton byDefault) {
    QMessageBox box(QMessageBox::Warning,
                    main ? main->windowTitle() : QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, main);
    for (const TAnswer& answer : answers)
        box.addButton(answer.Button)->setText(answer.Text);
    box.setDefaultButton(byDefault);
    box.setEscapeButton(box.button(answers.back().Button));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? box.standardButton(clicked) : answers.back().Button;
}

} // namespace

bool TFilesFrame::HasUnsavedEdits(bool isSide1) const {
    const TLines& lines = isSide1 ? FLeft->Lines() : FRight->Lines();
    return lines.Modified() && lines.Revision() != FSavedRevision[SideIndex(isSide1)];
}

bool TFilesFrame::CloseQuery() {
    const QScopedValueRollback<bool> asking(FAsking, true);
    for (bool isSide1 : {true, false}) {
        if (!HasUnsavedEdits(isSide1))
            continue;
        const QString text = QStringLiteral("文件 %1 有未保存的修改:\n%2\n\n关闭前保存吗?")
                                 .arg(isSide1 ? 1 : 2)
                                 .arg(DisplayText(FModel->FileName(isSide1)));
        const QMessageBox::StandardButton answer =
            Ask(FShell.Window(), text,
                {{QMessageBox::Save, QStringLiteral("保存")},
                 {QMessageBox::Discard, QStringLiteral("不保存")},
                 {QMessageBox::Cancel, QStringLiteral("取消")}},
                QMessageBox::Save);
        if (answer == QMessageBox::Cancel ||
            (answer == QMessageBox::Save && !SaveForClose(isSide1)))
            return false;
    }
    return true;
}

bool TFilesFrame::SaveForClose(bool isSide1) {
    // A side loaded from a file goes back to it; an object's source has no file of its own
    // and is saved where the save dialog says.
    bool saved = false;
    FShell.Guarded([&] {
        if (FModel->FileAge(isSide1) == 0) {
            saved = SaveSource(isSide1);
            return;
        }
        WriteSource(isSide1, FModel->FileName(isSide1));
        saved = true;
    });
    return saved;
}

bool TFilesFrame::CancelForClose(std::function<void()> closeAgain) {
    if (!FModel->Running())
        return false;
    // The user is leaving: files dropped or pairs opened meanwhile are of no use any more.
    FHeld.clear();
    FHeld.push_back(std::move(closeAgain));
    CancelCompare();
    return true;
}

void TFilesFrame::CheckFileChanges() {
    // A question is up already; switching away from it and back must not ask over it.
    if (FAsking)
        return;
    if (FModel->Running()) {
        RunOrHold([this] { CheckFileChanges(); });
        return;
    }
    const QScopedValueRollback<bool> asking(FAsking, true);
    for (bool isSide1 : {true, false}) {
        if (!FModel->FileChanged(isSide1) || !AskReload(isSide1))
            continue;
        // Asked already: the comparison after the reload does not ask again.
        const QScopedValueRollback<std::function<bool()>> confirmed(FModel->OnConfirmDiscard,
                                                                    nullptr);
        LoadFile(FModel->FileName(isSide1), isSide1);
    }
}

bool TFilesFrame::AskReload(bool isSide1) {
    // A reload compares anew, which rebuilds both panes: edits in either are at stake.
    std::int64_t& kept = FKeptStamp[SideIndex(isSide1)];
    if (!HasUnsavedEdits(true) && !HasUnsavedEdits(false)) {
        kept = 0;
        return true;
    }
    // Kept once, the same change is not asked about at every activation; a newer one is.
    const std::int64_t stamp = DiskStamp(FModel->FileName(isSide1));
    if (stamp == kept)
        return false;
    const QString text =
        QStringLiteral("文件 %1 已在磁盘上被修改:\n%2\n\n重新载入并重新比较将丢失窗格中未保存的"
                       "修改。")
            .arg(isSide1 ? 1 : 2)
            .arg(DisplayText(FModel->FileName(isSide1)));
    const bool reload = Ask(FShell.Window(), text,
                            {{QMessageBox::Yes, QStringLiteral("重新载入")},
                             {QMessageBox::No, QStringLiteral("保留修改")}},
                            QMessageBox::No) == QMessageBox::Yes;
    kept = reload ? 0 : stamp;
    return reload;
}

} // namespace tandrel
