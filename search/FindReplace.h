#pragma once
// The find, replace and per-match dialogs as the source view uses them.

#include "FindForm.h"
#include "FindInfo.h"
#include "ReplaceForm.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

namespace tandrel {

// AskReplace's answers.
enum TReplaceAnswer : int {
    raReplace = 0,    // replace this match
    raSkip = 1,       // leave this match and go on
    raReplaceAll = 2, // replace this and every further match without asking
    raCancel = 3,     // stop
};

// Where the per-match prompt's frame goes, in global coordinates, for a match whose top
// left is at `match`, on a screen `area`, given the size of the prompt's whole frame (title
// bar and borders included): above the match with a gap, so that no part of the frame
// covers the match row; below the match when there is no room above; and short of the
// right edge of the screen.
QPoint PromptPosition(const QRect& area, const QPoint& match, const QSize& frame);

// Holds the find dialog and the per-match prompt for the main window. Each dialog is
// created on first use as a child of the owner form given then, so it lives as long as
// that window (or this object, whichever ends first), and keeps the texts and options
// typed into it from one use to the next.
class TFindReplace {
public:
    TFindReplace() = default;
    ~TFindReplace();
    TFindReplace(const TFindReplace&) = delete;
    TFindReplace& operator=(const TFindReplace&) = delete;

    // True when the user confirmed; findInfo then holds the find text and the case,
    // whole-word and direction choices; its ReplaceText, PromptOnReplace and ReplaceAll
    // are left as they were. Cancelling leaves findInfo untouched.
    bool ShowFindDialog(QWidget* ownerForm, TFindInfo& findInfo);
    // True when the user chose "Replace &One" or "Replace &All"; findInfo then holds all
    // seven fields. Cancelling leaves findInfo untouched.
    bool ShowReplaceDialog(QWidget* ownerForm, TFindInfo& findInfo);
    // Asks about one match at point, given in control's client coordinates; returns a
    // TReplaceAnswer. Before either dialog was shown, or without a control, it shows
    // nothing and returns raCancel.
    int AskReplace(QWidget* control, const QPoint& point);

    // The dialogs, or null before their first use.
    TFindForm* FindForm() const { return FFindForm; }
    TReplaceForm* ReplaceForm() const { return FReplaceForm; }

private:
    TFindForm& PrepareFindForm(QWidget* ownerForm, const TFindInfo& findInfo);
    void ReadChoices(TFindInfo& findInfo) const;

    QPointer<TFindForm> FFindForm;
    QPointer<TReplaceForm> FReplaceForm;
};

} // namespace tandrel
