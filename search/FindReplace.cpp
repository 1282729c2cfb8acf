#include "FindReplace.h"

#include "CodePage.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace tandrel {

namespace {

// The prompt keeps this far from the right screen edge, and this far above the match.
constexpr int kEdgeGap = 4;
constexpr int kGapAboveMatch = 8;
// When there is no room above, the prompt goes this far below the match's top so that
// the match line stays visible.
constexpr int kOffsetBelowMatch = 30;

QString ToQString(const std::string& text) {
    return QString::fromStdU16String(SystemCodePage().ToUtf16(text));
}

std::string FromQString(const QString& text) {
    return SystemCodePage().FromUtf16(reinterpret_cast<const char16_t*>(text.utf16()),
                                      static_cast<size_t>(text.size()));
}

} // namespace

QPoint PromptPosition(const QRect& area, const QPoint& match, const QSize& frame) {
    int left = match.x();
    if (left + frame.width() > area.right() + 1) {
        left = area.right() + 1 - frame.width() - kEdgeGap;
    }
    int top = match.y() - frame.height() - kGapAboveMatch;
    if (top <= area.top()) {
        top = match.y() + kOffsetBelowMatch;
    }
    return QPoint(left, top);
}

TFindReplace::~TFindReplace() {
    delete FReplaceForm.data();
    delete FFindForm.data();
}

// Steps shared by both dialogs before the layout: create on first use, remember the owner
// and show the caller's find text, or the edit's previous one when the caller has none.
TFindForm& TFindReplace::PrepareFindForm(QWidget* ownerForm, const TFindInfo& findInfo) {
    if (FFindForm == nullptr) {
        FFindForm = new TFindForm(ownerForm);
    }
    FFindForm->SetOwnerForm(ownerForm);
    if (!findInfo.FindText.empty()) {
        FFindForm->FindEdit()->setText(ToQString(findInfo.FindText));
    }
    FFindForm->FindEdit()->selectAll();
    return *FFindForm;
}

void TFindReplace::ReadChoices(TFindInfo& findInfo) const {
    findInfo.FindText = FromQString(FFindForm->FindEdit()->text());
    findInfo.IgnoreCase = !FFindForm->CaseSensitiveBox()->isChecked();
    findInfo.WholeWords = FFindForm->WholeWordsBox()->isChecked();
    findInfo.Forward = FFindForm->ForwardsRadio()->isChecked();
}

bool TFindReplace::ShowFindDialog(QWidget* ownerForm, TFindInfo& findInfo) {
    TFindForm& form = PrepareFindForm(ownerForm, findInfo);
    form.ApplyFindLayout();
    form.FindEdit()->setFocus();
    form.CentreOverOwner();
    if (form.exec() != mrOk) {
        return false;
    }
    ReadChoices(findInfo);
    return true;
}

bool TFindReplace::ShowReplaceDialog(QWidget* ownerForm, TFindInfo& findInfo) {
    TFindForm& form = PrepareFindForm(ownerForm, findInfo);
    form.ApplyReplaceLayout();
    form.FindEdit()->setFocus();
    form.CentreOverOwner();
    const int result = form.exec();
    if (result != mrOk && result != mrYes) {
        return false;
    }
    ReadChoices(findInfo);
    findInfo.ReplaceText = FromQString(form.ReplaceEdit()->text());
    findInfo.PromptOnReplace = form.PromptOnReplaceBox()->isChecked();
    findInfo.ReplaceAll = result == mrYes;
    form.SetReplaceAllChosen(findInfo.ReplaceAll);
    return true;
}

int TFindReplace::AskReplace(QWidget* control, const QPoint& point) {
    if (FFindForm == nullptr || control == nullptr) {
        return raCancel;
    }
    const QPoint at = control->mapToGlobal(point);
    if (FReplaceForm == nullptr) {
        FReplaceForm = new TReplaceForm(FFindForm->parentWidget());
    }
    TReplaceForm& prompt = *FReplaceForm;
    prompt.Prepare(FFindForm->FindEdit()->text(), FFindForm->ReplaceEdit()->text(),
                   FFindForm->ReplaceAllChosen());

    // The edges are those of the screen the match is on.
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) {
        screen = control->screen();
    }
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 0, 0);
    // move() places the frame, which is larger than the client area by the title bar and
    // the borders. Before the prompt was first shown its frame is not known: the owner
    // window's frame tells the decoration the window manager adds.
    QSize frame = prompt.frameGeometry().size();
    if (frame == prompt.size()) {
        const QWidget* window = control->window();
        frame += window->frameGeometry().size() - window->size();
    }
    prompt.move(PromptPosition(area, at, frame));

    switch (prompt.exec()) {
    case mrOk:
        return raReplace;
    case mrNo:
        return raSkip;
    case mrYes:
        return raReplaceAll;
    default:
        return raCancel;
    }
}

} // namespace tandrel
