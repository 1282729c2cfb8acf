#include "FindForm.h"

#include <algorithm>
#include <initializer_list>
#include <QCheckBox>
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

void SetTop(QWidget* widget, int top) {
    widget->move(widget->x(), top);
}

// The sizes suit the classic 8-point dialog font; with a larger owner font a check box or
// radio button grows to show its whole caption, as far as its group allows.
constexpr int kGroupInnerMargin = 2;
void FitCaption(QWidget* box) {
    const int room = box->parentWidget()->width() - box->x() - kGroupInnerMargin;
    const int wanted = std::min(box->sizeHint().width(), room);
    if (wanted > box->width()) {
        box->resize(wanted, box->height());
    }
}

} // namespace

Qt::WindowFlags DialogWindowFlags() {
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

TFindForm::TFindForm(QWidget* owner) : QDialog(owner, DialogWindowFlags()) {
    if (owner != nullptr) {
        setFont(owner->font());
    }

    edFind = new QLineEdit(this);
    edFind->setGeometry(88, 14, 190, kEditHeight);
    connect(edFind, &QLineEdit::textChanged, this, &TFindForm::edFindChange);
    lblFind = new QLabel(QStringLiteral("&Text to Find:"), this);
    lblFind->move(15, 17);
    lblFind->adjustSize();
    lblFind->setBuddy(edFind);

    edReplace = new QLineEdit(this);
    edReplace->setGeometry(88, 41, 190, kEditHeight);
    lblReplace = new QLabel(QStringLiteral("&Replace with:"), this);
    lblReplace->move(15, 44);
    lblReplace->adjustSize();
    lblReplace->setBuddy(edReplace);

    gbOptions = new QGroupBox(QStringLiteral("Options"), this);
    gbOptions->setGeometry(15, 72, 148, 84);
    chkCaseSensitive = new QCheckBox(QStringLiteral("&Case Sensitive"), gbOptions);
    chkCaseSensitive->setGeometry(12, 19, 120, 18);
    chkWholeWords = new QCheckBox(QStringLiteral("&Whole Words Only"), gbOptions);
    chkWholeWords->setGeometry(12, 39, 120, 18);
    chkPromptOnReplace = new QCheckBox(QStringLiteral("&Prompt on Replace"), gbOptions);
    chkPromptOnReplace->setGeometry(12, 59, 120, 18);
    chkPromptOnReplace->setChecked(true);

    gbDirection = new QGroupBox(QStringLiteral("Direction"), this);
    gbDirection->setGeometry(176, 72, 102, 84);
    rbForwards = new QRadioButton(QStringLiteral("&Forwards"), gbDirection);
    rbForwards->setGeometry(12, 26, 80, 18);
    rbForwards->setChecked(true);
    rbBackwards = new QRadioButton(QStringLiteral("&Backwards"), gbDirection);
    rbBackwards->setGeometry(12, 47, 80, 18);
    for (QWidget* box : std::initializer_list<QWidget*>{
             chkCaseSensitive, chkWholeWords, chkPromptOnReplace, rbForwards, rbBackwards}) {
        FitCaption(box);
    }

    btnFirst = new QPushButton(this);
    btnFirst->setGeometry(15, 165, kButtonWidth, kButtonHeight);
    btnFirst->setDefault(true);
    btnFirst->setEnabled(false);
    connect(btnFirst, &QPushButton::clicked, this, [this] { done(mrOk); });
    btnSecond = new QPushButton(QStringLiteral("Replace &All"), this);
    btnSecond->setGeometry(111, 165, kButtonWidth, kButtonHeight);
    btnSecond->setEnabled(false);
    connect(btnSecond, &QPushButton::clicked, this, [this] { done(mrYes); });
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setGeometry(204, 165, kButtonWidth, kButtonHeight);
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

    ApplyReplaceLayout();
}

void TFindForm::edFindChange() {
    const bool hasText = !edFind->text().isEmpty();
    btnFirst->setEnabled(hasText);
    btnSecond->setEnabled(hasText);
}

// Both layouts set every part that differs between them, so either can follow the other.
static void ApplyLayout(TFindForm& form, const TLayoutGeometry& layout, bool replacing) {
    for (QGroupBox* group : {form.OptionsGroup(), form.DirectionGroup()}) {
        group->resize(group->width(), layout.GroupHeight);
        SetTop(group, layout.GroupTop);
    }
    SetTop(form.ForwardsRadio(), layout.ForwardsTop);
    SetTop(form.BackwardsRadio(), layout.BackwardsTop);
    form.FirstButton()->setText(replacing ? QStringLiteral("Replace &One") : QStringLiteral("&OK"));
    form.FirstButton()->move(layout.FirstButtonLeft, layout.ButtonTop);
    form.SecondButton()->setVisible(replacing);
    form.CancelButton()->move(layout.CancelButtonLeft, layout.ButtonTop);
    form.PromptOnReplaceBox()->setVisible(replacing);
    form.ReplaceLabel()->setVisible(replacing);
    form.ReplaceEdit()->setVisible(replacing);
    form.setWindowTitle(replacing ? QStringLiteral("Replace text") : QStringLiteral("Find text"));
    form.setFixedSize(kFormWidth, layout.FormHeight);
}

void TFindForm::ApplyFindLayout() {
    ApplyLayout(*this, kFindLayout, false);
}

void TFindForm::ApplyReplaceLayout() {
    ApplyLayout(*this, kReplaceLayout, true);
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
