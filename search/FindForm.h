#pragma once
// The find and replace dialog.

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QFontMetrics;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tandrel {

// What the buttons of the find, replace and prompt dialogs close them with; closing the
// window or pressing Esc gives mrCancel.
enum TModalResult : int {
    mrCancel = QDialog::Rejected,
    mrOk = QDialog::Accepted,
    mrYes = 6,
    mrNo = 7,
};

// The factors by which a dialog's table of sizes and places grows for its font, across and
// down, as dialog units do: 1 for the classic 8-point dialog font, more where a caption or
// a row of text would not fit.
class TDialogScale {
public:
    // Raise a factor so that `wanted` pixels fit where the table gives `tableSize`.
    void FitX(double wanted, int tableSize);
    void FitY(double wanted, int tableSize);
    double FactorX() const { return FX; }
    double FactorY() const { return FY; }
    // A size or place of the table, across or down, grown by its factor.
    int X(int tableValue) const;
    int Y(int tableValue) const;
    // What a push button needs around its caption (the '&' of a mnemonic takes no room).
    static double ButtonTextRoom(const QFontMetrics& fm, const QString& caption);

private:
    double FX = 1.0;
    double FY = 1.0;
};

// The one modal dialog of both the find and the replace command. It is built once, in the
// replace layout, and keeps its texts and check states between showings; one of the two
// layouts is applied before each showing. The first two buttons are enabled exactly when
// the find edit holds text, so an empty search can not be confirmed.
class TFindForm : public QDialog {
    Q_OBJECT
public:
    // The font is copied from the owner, which also owns the dialog.
    explicit TFindForm(QWidget* owner);

    // Each layout is sized from the dialog's font; the layout tables give the least sizes.
    void ApplyFindLayout();
    void ApplyReplaceLayout();
    // The factors the last layout grew the tables by.
    const TDialogScale& LayoutScale() const { return FScale; }
    // Places the dialog centred over the remembered owner form (over its screen when there
    // is none).
    void CentreOverOwner();

    QWidget* OwnerForm() const { return FOwnerForm; }
    void SetOwnerForm(QWidget* ownerForm) { FOwnerForm = ownerForm; }
    // Whether the replace layout was last closed with "Replace &All"; it decides whether the
    // per-match prompt offers "&Skip" and "&All".
    bool ReplaceAllChosen() const { return FReplaceAll; }
    void SetReplaceAllChosen(bool value) { FReplaceAll = value; }

    QLineEdit* FindEdit() const { return edFind; }
    QLineEdit* ReplaceEdit() const { return edReplace; }
    QLabel* FindLabel() const { return lblFind; }
    QLabel* ReplaceLabel() const { return lblReplace; }
    QGroupBox* OptionsGroup() const { return gbOptions; }
    QGroupBox* DirectionGroup() const { return gbDirection; }
    QCheckBox* CaseSensitiveBox() const { return chkCaseSensitive; }
    QCheckBox* WholeWordsBox() const { return chkWholeWords; }
    QCheckBox* PromptOnReplaceBox() const { return chkPromptOnReplace; }
    QRadioButton* ForwardsRadio() const { return rbForwards; }
    QRadioButton* BackwardsRadio() const { return rbBackwards; }
    QPushButton* FirstButton() const { return btnFirst; }
    QPushButton* SecondButton() const { return btnSecond; }
    QPushButton* CancelButton() const { return btnCancel; }

private:
    void edFindChange();
    TDialogScale FitScale() const;
    void ApplyLayout(bool replacing);

    QPointer<QWidget> FOwnerForm;
    bool FReplaceAll = false;
    TDialogScale FScale;

    QLineEdit* edFind = nullptr;
    QLabel* lblFind = nullptr;
    QLineEdit* edReplace = nullptr;
    QLabel* lblReplace = nullptr;
    QGroupBox* gbOptions = nullptr;
    QCheckBox* chkCaseSensitive = nullptr;
    QCheckBox* chkWholeWords = nullptr;
    QCheckBox* chkPromptOnReplace = nullptr;
    QGroupBox* gbDirection = nullptr;
    QRadioButton* rbForwards = nullptr;
    QRadioButton* rbBackwards = nullptr;
    QPushButton* btnFirst = nullptr;
    QPushButton* btnSecond = nullptr;
    QPushButton* btnCancel = nullptr;
};

// A dialog border with a system menu and a close box only, as the three dialogs have.
Qt::WindowFlags DialogWindowFlags();

} // namespace tandrel
