// The context menu of a source pane. Its entries are the window's own commands, so that an
// entry, its key and its place in the menu bar always do the same thing and are enabled
// alike; only "select all" has no menu-bar entry and is the pane's own.
#include "FileView.h"
#include "TCodeEdit.h"

#include <QMenu>

namespace tandrel {

namespace {
constexpr unsigned char kSelectAllChar = 1; // Ctrl+A as the editor receives it
} // namespace

void TFilesFrame::ShowPaneMenu(TCodeEdit& pane, const QPoint& pos) {
    pane.setFocus(Qt::MouseFocusReason);
    // The entries' states as the menu bar would show them now.
    EditMenuPopup();
    CaretMoved(pane);
    TSharedCommands& c = FShell.Commands();
    QMenu menu(&pane);
    auto add = [&menu](QAction* action) {
        if (action)
            menu.addAction(action);
    };
    add(c.mnuCopyBlockRight);
    add(c.mnuCopyBlockLeft);
    menu.addSeparator();
    add(c.mnuUndo);
    add(c.mnuRedo);
    menu.addSeparator();
    add(c.mnuCut);
    add(c.mnuCopy);
    add(c.mnuPaste);
    QAction* selectAll =
        menu.addAction(QStringLiteral("全选"), [&pane] { pane.KeyPress(kSelectAllChar); });
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    selectAll->setEnabled(pane.Lines().Count() > 0);
    menu.addSeparator();
    add(c.mnuNext);
    add(c.mnuPrev);
    menu.addSeparator();
    add(c.mnuCompare);
    FPaneMenu = &menu;
    menu.exec(pane.viewport()->mapToGlobal(pos));
    FPaneMenu = nullptr;
}

} // namespace tandrel
