#include "ReplaceForm.h"

#include "FindForm.h"

#include <iterator>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tandrel {

namespace {

constexpr int kFormWidth = 313;
constexpr int kFormHeight = 126;
constexpr int kLabelLeft = 15;
constexpr int kEditLeft = 69;
constexpr int kEditWidth = 220;
constexpr int kEditHeight = 21;
constexpr int kButtonTop = 68;
constexpr int kButtonWidth = 64;
constexpr int kButtonHeight = 22;

// The texts are only shown: they look like the dialog's face and are skipped by Tab.
QLineEdit* MakeShowEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    edit->setPalette(palette);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TReplaceForm::TReplaceForm(QWidget* owner) : QDialog(owner, DialogWindowFlags()) {
    if (owner != nullptr) {
        setFont(owner->font());
    }
    setWindowTitle(QStringLiteral("Replace ..."));

    edFind = MakeShowEdit(this);
    edFind->installEventFilter(this);
    lblFind = MakeLabel(this, QStringLiteral("Replace:"), edFind);
    edReplace = MakeShowEdit(this);
    lblReplace = MakeLabel(this, QStringLiteral("with:"), edReplace);

    auto makeButton = [this](const QString& caption, TModalResult result) {
        auto* button = new QPushButton(caption, this);
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        return button;
    };
    btnOk = makeButton(QStringLiteral("&OK"), mrOk);
    btnOk->setDefault(true);
    btnSkip = makeButton(QStringLiteral("&Skip"), mrNo);
    btnAll = makeButton(QStringLiteral("&All"), mrYes);
    btnCancel = makeButton(QStringLiteral("&Cancel"), mrCancel);
    ApplyLayout();
}

// The table's sizes suit the classic 8-point dialog font; a larger font grows all of them
// by the least factor that lets the labels, the button captions and the rows fit.
void TReplaceForm::ApplyLayout() {
    const QFontMetrics fm(font());
    TDialogScale s;
    for (const QLabel* label : {lblFind, lblReplace})
        s.FitX(fm.horizontalAdvance(label->text()) + 4, kEditLeft - kLabelLeft);
    for (const QPushButton* button : {btnOk, btnSkip, btnAll, btnCancel})
        s.FitX(TDialogScale::ButtonTextRoom(fm, button->text()), kButtonWidth);
    s.FitY(fm.height() + 8, kEditHeight);
    s.FitY(fm.height() + 9, kButtonHeight);
    FScale = s;

    edFind->setGeometry(s.X(kEditLeft), s.Y(10), s.X(kEditWidth), s.Y(kEditHeight));
    edReplace->setGeometry(s.X(kEditLeft), s.Y(34), s.X(kEditWidth), s.Y(kEditHeight));
    for (QLabel* label : {lblFind, lblReplace}) {
        label->adjustSize();
        const QWidget* edit = label->buddy();
        label->move(s.X(kLabelLeft), edit->y() + (edit->height() - label->height()) / 2);
    }
    const int lefts[] = {15, 84, 154, 225};
    QPushButton* const buttons[] = {btnOk, btnSkip, btnAll, btnCancel};
    for (size_t i = 0; i < std::size(buttons); ++i)
        buttons[i]->setGeometry(s.X(lefts[i]), s.Y(kButtonTop), s.X(kButtonWidth),
                                s.Y(kButtonHeight));
    setFixedSize(s.X(kFormWidth), s.Y(kFormHeight));
}

// A line edit without focus drops its selection when its window becomes active; the find
// text is to stay selected, so the edit only repaints for the new state.
bool TReplaceForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edFind && event->type() == QEvent::WindowActivate) {
        edFind->update();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TReplaceForm::Prepare(const QString& findText, const QString& replaceText,
                           bool replaceAllChosen) {
    ApplyLayout();
    edFind->setText(findText);
    edFind->selectAll();
    edReplace->setText(replaceText);
    btnSkip->setEnabled(replaceAllChosen);
    btnAll->setEnabled(replaceAllChosen);
    btnOk->setFocus();
}

} // namespace tandrel
