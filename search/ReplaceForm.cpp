#include "ReplaceForm.h"

#include "FindForm.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tandrel {

namespace {

constexpr int kFormWidth = 313;
constexpr int kFormHeight = 126;
constexpr int kEditHeight = 21;
constexpr int kButtonTop = 68;
constexpr int kButtonWidth = 64;
constexpr int kButtonHeight = 22;

// The texts are only shown: they look like the dialog's face and are skipped by Tab.
QLineEdit* MakeShowEdit(QWidget* parent, int top) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(69, top, 220, kEditHeight);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    edit->setPalette(palette);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, int top, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->move(15, top);
    label->adjustSize();
    label->setBuddy(buddy);
    return label;
}

} // namespace

TReplaceForm::TReplaceForm(QWidget* owner) : QDialog(owner, DialogWindowFlags()) {
    if (owner != nullptr) {
        setFont(owner->font());
    }
    setWindowTitle(QStringLiteral("Replace ..."));
    setFixedSize(kFormWidth, kFormHeight);

    edFind = MakeShowEdit(this, 10);
    edFind->installEventFilter(this);
    lblFind = MakeLabel(this, QStringLiteral("Replace:"), 14, edFind);
    edReplace = MakeShowEdit(this, 34);
    lblReplace = MakeLabel(this, QStringLiteral("with:"), 37, edReplace);

    auto makeButton = [this](const QString& caption, int left, TModalResult result) {
        auto* button = new QPushButton(caption, this);
        button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        return button;
    };
    btnOk = makeButton(QStringLiteral("&OK"), 15, mrOk);
    btnOk->setDefault(true);
    btnSkip = makeButton(QStringLiteral("&Skip"), 84, mrNo);
    btnAll = makeButton(QStringLiteral("&All"), 154, mrYes);
    btnCancel = makeButton(QStringLiteral("&Cancel"), 225, mrCancel);
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
    edFind->setText(findText);
    edFind->selectAll();
    edReplace->setText(replaceText);
    btnSkip->setEnabled(replaceAllChosen);
    btnAll->setEnabled(replaceAllChosen);
    btnOk->setFocus();
}

} // namespace tandrel
