#include "FindForm.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace tandrel {

namespace {

constexpr int kFormWidth = 304;
constexpr int kReplaceFormHeight = 231;
constexpr int kFindFormHeight = 182;
constexpr int kEditHeight = 21;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kBoxHeight = 18;
constexpr int kLabelLeft = 15;
constexpr int kEditLeft = 88;
constexpr int kEditWidth = 190;
constexpr int kOptionsLeft = 15;
constexpr int kOptionsWidth = 148;
constexpr int kDirectionLeft = 176;
constexpr int kDirectionWidth = 102;
constexpr int kBoxLeft = 12;
constexpr int kCheckWidth = 120;
constexpr int kRadioWidth = 80;
constexpr int kGroupInnerMargin = 2;

// Rows and heights of the parts that move between the two layouts.
struct TLayoutGeometry {
    int GroupTop;
    int GroupHeight;
    int ForwardsTop;
    int BackwardsTop;
    int ButtonTop;
    int FirstButtonLeft;
    int CancelButtonLeft;
    int FormHeight;
};

constexpr TLayoutGeometry kReplaceLayout{72, 84, 26, 47, 165, 15, 204, kReplaceFormHeight};
constexpr TLayoutGeometry kFindLayout{41, 65, 19, 39, 119, 63, 156, kFindFormHeight};

} // namespace

void TDialogScale::FitX(double wanted, int tableSize) {
    FX = std::max(FX, wanted / tableSize);
}

void TDialogScale::FitY(double wanted, int tableSize) {
    FY = std::max(FY, wanted / tableSize);
}

int TDialogScale::X(int tableValue) const {
    return int(std::lround(tableValue * FX));
}

int TDialogScale::Y(int tableValue) const {
    return int(std::lround(tableValue * FY));
}

double TDialogScale::ButtonTextRoom(const QFontMetrics& fm, const QString& caption) {
    return fm.horizontalAdvance(QString(caption).remove(QLatin1Char('&'))) +
           2 * fm.averageCharWidth();
}

Qt::WindowFlags DialogWindowFlags() {
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

TFindForm::TFindForm(QWidget* owner) : QDialog(owner, DialogWindowFlags()) {
    if (owner != nullptr) {
        setFont(owner->font());
    }

    edFind = new QLineEdit(this);
    connect(edFind, &QLineEdit::textChanged, this, &TFindForm::edFindChange);
    lblFind = new QLabel(QStringLiteral("&Text to Find:"), this);
    lblFind->setBuddy(edFind);

    edReplace = new QLineEdit(this);
    lblReplace = new QLabel(QStringLiteral("&Replace with:"), this);
    lblReplace->setBuddy(edReplace);

    gbOptions = new QGroupBox(QStringLiteral("Options"), this);
    chkCaseSensitive = new QCheckBox(QStringLiteral("&Case Sensitive"), gbOptions);
    chkWholeWords = new QCheckBox(QStringLiteral("&Whole Words Only"), gbOptions);
    chkPromptOnReplace = new QCheckBox(QStringLiteral("&Prompt on Replace"), gbOptions);
    chkPromptOnReplace->setChecked(true);

    gbDirection = new QGroupBox(QStringLiteral("Direction"), this);
    rbForwards = new QRadioButton(QStringLiteral("&Forwards"), gbDirection);
    rbForwards->setChecked(true);
    rbBackwards = new QRadioButton(QStringLiteral("&Backwards"), gbDirection);

    btnFirst = new QPushButton(this);
    btnFirst->setDefault(true);
    btnFirst->setEnabled(false);
    connect(btnFirst, &QPushButton::clicked, this, [this] { done(mrOk); });
    btnSecond = new QPushButton(QStringLiteral("Replace &All"), this);
    btnSecond->setEnabled(false);
    connect(btnSecond, &QPushButton::clicked, this, [this] { done(mrYes); });
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

    ApplyReplaceLayout();
}

void TFindForm::edFindChange() {
    const bool hasText = !edFind->text().isEmpty();
    btnFirst->setEnabled(hasText);
    btnSecond->setEnabled(hasText);
}

// The sizes of the layout tables suit the classic 8-point dialog font. With a larger font
// every size and place grows by one factor, the smallest that lets each caption fit: the
// labels before their edits, the check boxes and radio buttons in their groups, the button
// captions, and the heights of a row of text.
TDialogScale TFindForm::FitScale() const {
    const QFontMetrics fm(font());
    TDialogScale scale;
    for (const QLabel* label : {lblFind, lblReplace})
        scale.FitX(fm.horizontalAdvance(label->text().remove(QLatin1Char('&'))) + 4,
                   kEditLeft - kLabelLeft);
    for (const QWidget* box :
         std::initializer_list<const QWidget*>{chkCaseSensitive, chkWholeWords, chkPromptOnReplace})
        scale.FitX(box->sizeHint().width(), kOptionsWidth - kBoxLeft - kGroupInnerMargin);
    for (const QWidget* box : std::initializer_list<const QWidget*>{rbForwards, rbBackwards})
        scale.FitX(box->sizeHint().width(), kDirectionWidth - kBoxLeft - kGroupInnerMargin);
    for (const QString& caption : {QStringLiteral("Replace &One"), QStringLiteral("&OK"),
                                   btnSecond->text(), btnCancel->text()})
        scale.FitX(TDialogScale::ButtonTextRoom(fm, caption), kButtonWidth);
    scale.FitY(fm.height() + 8, kEditHeight);
    scale.FitY(fm.height() + 5, kBoxHeight);
    scale.FitY(fm.height() + 12, kButtonHeight);
    return scale;
}

// Both layouts set every part, so either can follow the other and a new font takes effect.
void TFindForm::ApplyLayout(bool replacing) {
    const TLayoutGeometry& layout = replacing ? kReplaceLayout : kFindLayout;
    FScale = FitScale();
    const TDialogScale& s = FScale;
    edFind->setGeometry(s.X(kEditLeft), s.Y(14), s.X(kEditWidth), s.Y(kEditHeight));
    edReplace->setGeometry(s.X(kEditLeft), s.Y(41), s.X(kEditWidth), s.Y(kEditHeight));
    for (QLabel* label : {lblFind, lblReplace}) {
        label->adjustSize();
        const QLineEdit* edit = label == lblFind ? edFind : edReplace;
        // Level with the text of the edit.
        label->move(s.X(kLabelLeft), edit->y() + (edit->height() - label->height()) / 2);
    }
    gbOptions->setGeometry(s.X(kOptionsLeft), s.Y(layout.GroupTop), s.X(kOptionsWidth),
                           s.Y(layout.GroupHeight));
    gbDirection->setGeometry(s.X(kDirectionLeft), s.Y(layout.GroupTop), s.X(kDirectionWidth),
                             s.Y(layout.GroupHeight));
    chkCaseSensitive->setGeometry(s.X(kBoxLeft), s.Y(19), s.X(kCheckWidth), s.Y(kBoxHeight));
    chkWholeWords->setGeometry(s.X(kBoxLeft), s.Y(39), s.X(kCheckWidth), s.Y(kBoxHeight));
    chkPromptOnReplace->setGeometry(s.X(kBoxLeft), s.Y(59), s.X(kCheckWidth), s.Y(kBoxHeight));
    rbForwards->setGeometry(s.X(kBoxLeft), s.Y(layout.ForwardsTop), s.X(kRadioWidth),
                            s.Y(kBoxHeight));
    rbBackwards->setGeometry(s.X(kBoxLeft), s.Y(layout.BackwardsTop), s.X(kRadioWidth),
                             s.Y(kBoxHeight));
    // A caption wider than its table place takes the room its group has.
    for (QWidget* box : std::initializer_list<QWidget*>{
             chkCaseSensitive, chkWholeWords, chkPromptOnReplace, rbForwards, rbBackwards}) {
        const int room = box->parentWidget()->width() - box->x() - kGroupInnerMargin;
        box->resize(std::max(box->width(), std::min(box->sizeHint().width(), room)), box->height());
    }
    btnFirst->setText(replacing ? QStringLiteral("Replace &One") : QStringLiteral("&OK"));
    btnFirst->setGeometry(s.X(layout.FirstButtonLeft), s.Y(layout.ButtonTop), s.X(kButtonWidth),
                          s.Y(kButtonHeight));
    btnSecond->setGeometry(s.X(111), s.Y(layout.ButtonTop), s.X(kButtonWidth), s.Y(kButtonHeight));
    btnCancel->setGeometry(s.X(layout.CancelButtonLeft), s.Y(layout.ButtonTop), s.X(kButtonWidth),
                           s.Y(kButtonHeight));
    btnSecond->setVisible(replacing);
    chkPromptOnReplace->setVisible(replacing);
    lblReplace->setVisible(replacing);
    edReplace->setVisible(replacing);
    setWindowTitle(replacing ? QStringLiteral("Replace text") : QStringLiteral("Find text"));
    setFixedSize(s.X(kFormWidth), s.Y(layout.FormHeight));
}

void TFindForm::ApplyFindLayout() {
    ApplyLayout(false);
}

void TFindForm::ApplyReplaceLayout() {
    ApplyLayout(true);
}

void TFindForm::CentreOverOwner() {
    // The window's frame position with its client size, for the owner as for the dialog:
    // with frames of equal width this centres the frames, and the dialog's frame is not
    // known before it is first shown.
    QRect area;
    if (FOwnerForm != nullptr) {
        const QWidget* owner = FOwnerForm->window();
        area = QRect(owner->pos(), owner->size());
    } else if (screen() != nullptr) {
        area = screen()->availableGeometry();
    }
    // Integer division rounds toward zero, also when the owner is the smaller one.
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

} // namespace tandrel
