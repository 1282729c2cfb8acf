#pragma once
// The question asked before each single replacement.

#include "FindForm.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tandrel {

// The per-match prompt: shows the find text and its replacement read-only and closes with
// mrOk (replace this one), mrNo (skip it), mrYes (replace all the rest) or mrCancel. It is
// built once and reused for every match.
class TReplaceForm : public QDialog {
    Q_OBJECT
public:
    // The font is copied from the owner, which also owns the dialog.
    explicit TReplaceForm(QWidget* owner);

    // Fills both edits (the first one selected) and focuses "&OK"; "&Skip" and "&All" are
    // enabled only when the replace dialog was closed with "Replace &All".
    void Prepare(const QString& findText, const QString& replaceText, bool replaceAllChosen);

    QLineEdit* FindEdit() const { return edFind; }
    QLineEdit* ReplaceEdit() const { return edReplace; }
    QLabel* FindLabel() const { return lblFind; }
    QLabel* ReplaceLabel() const { return lblReplace; }
    QPushButton* OkButton() const { return btnOk; }
    QPushButton* SkipButton() const { return btnSkip; }
    QPushButton* AllButton() const { return btnAll; }
    QPushButton* CancelButton() const { return btnCancel; }
    // The factors the layout table was grown by for the font (1 for the classic one).
    const TDialogScale& LayoutScale() const { return FScale; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyLayout();

    TDialogScale FScale;
    QLineEdit* edFind = nullptr;
    QLabel* lblFind = nullptr;
    QLineEdit* edReplace = nullptr;
    QLabel* lblReplace = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnSkip = nullptr;
    QPushButton* btnAll = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace tandrel
