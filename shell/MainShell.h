#pragma once
// What the frames reach of the main window: the shared menu entries and tool buttons, the
// status bar, the progress bar, the option check marks and the program-wide values. The
// main window implements it; the library frame and the source frame bind the commands to
// their own handlers each time their view comes to the front.

#include "Colors.h"
#include "CompareCounts.h"

#include <functional>
#include <QString>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QProgressBar;
class QWidget;

namespace tandrel {

// Menu entries and tool buttons by their names. A menu entry and its tool button are
// separate actions: their enabled states are set apart. Hidden entries keep answering their
// shortcut while they and their menu are enabled.
struct TSharedCommands {
    // "&F 文件"
    QMenu* File1 = nullptr;
    QAction* mnuOpen1 = nullptr;
    QAction* mnuOpen2 = nullptr;
    QAction* mnuSave1 = nullptr;
    QAction* mnuSave2 = nullptr;
    QAction* mnuSaveReport = nullptr;
    QAction* mnuExportReport = nullptr; // the whole comparison as HTML, from every view
    QAction* mnuExit = nullptr;
    // "视图"
    QAction* mnuLibs = nullptr;
    QAction* mnuObjs = nullptr;
    QAction* mnuAllObjs = nullptr;
    QAction* mnuFile = nullptr;
    // "Edit" (hidden)
    QMenu* mnuEdit = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    // "查找"
    QMenu* mnuSearch = nullptr;
    QAction* mnuFind = nullptr;
    QAction* mnuFindNext = nullptr;
    QAction* N1 = nullptr; // separator before "到前一个不同点"
    QAction* mnuPrev = nullptr;
    QAction* mnuReplace = nullptr;
    QAction* mnuNext = nullptr;
    // "源码比较" (hidden)
    QMenu* mnuActions = nullptr;
    QAction* mnuCompare = nullptr;
    QAction* mnuCancel = nullptr;
    QAction* mnuCompareFiles = nullptr;
    QAction* mnuCopyBlockRight = nullptr;
    QAction* mnuCopyBlockLeft = nullptr;
    // "选项"
    QMenu* mnuOptions = nullptr;
    QAction* mnuIgnoreBlanks = nullptr;
    QAction* mnuIgnoreCase = nullptr;
    QAction* mnuShowDiffsOnly = nullptr;
    QAction* mnuShowBlanks = nullptr;
    QAction* mnuHorzSplit = nullptr;
    QAction* mnuFont = nullptr;
    // tool bar
    QAction* tbLibMode = nullptr;
    QAction* tbObjs = nullptr;
    QAction* tbFile = nullptr;
    QAction* tbOpen1 = nullptr;
    QAction* tbOpen2 = nullptr;
    QAction* tbSave1 = nullptr;
    QAction* tbSave2 = nullptr;
    QAction* tbHorzSplit = nullptr;
    QAction* tbCompare = nullptr;
    QAction* tbCancel = nullptr;
    QAction* tbNext = nullptr;
    QAction* tbPrev = nullptr;
    QAction* tbFindNext = nullptr;
    QAction* tbReplace = nullptr;
    QAction* tbHelp = nullptr;
};

// The program-wide values of the settings file that the frames read and change.
struct TProgramValues {
    TColor AddColor = 0x00F0CCA8;
    TColor ModColor = 0x006FFB8A;
    TColor DelColor = 0x00BB77FF;
    std::string FontName = "Courier New";
    int FontSize = 10;
    bool ShowBlanks = false;
    std::string Folder1; // file-system text (UTF-8)
    std::string Folder2;
};

// What the library frame hands an object pair to: the source comparison frame.
class TSourceView {
public:
    virtual ~TSourceView() = default;
    // Loads one side read-only without comparing. `title` is the object name (converted from
    // the code page to UTF-8) + "@" + the library path (file-system text); `lines` are the
    // exported source in the code page, empty for an object that exists on the other side only.
    virtual void LoadSource(const std::string& title, const std::vector<std::string>& lines,
                            bool isSide1) = 0;
    // Compares the two loaded sides and shows the result.
    virtual void Compare() = 0;
};

class TMainShell {
public:
    virtual ~TMainShell() = default;

    virtual TSharedCommands& Commands() = 0;
    // Makes `handler` the command of a menu entry or tool button, replacing the one bound
    // before. It runs inside the command guard; an entry inside a menu runs the menu's own
    // handler (SetMenuHandler) first.
    virtual void Bind(QAction* item, std::function<void()> handler) = 0;
    // The handler that runs when a menu is opened, or before one of its entries acts by its
    // shortcut (the Edit menu brings its entries up to date this way).
    virtual void SetMenuHandler(QMenu* menu, std::function<void()> handler) = 0;
    // Runs an event handler that is not a command (a double-click, a dropped file, a key in a
    // pane) inside the same guard: an exception becomes the stop message box.
    virtual void Guarded(const std::function<void()>& handler) = 0;
    // A warning the user should read that does not stop the command (the text of a file that
    // could not be shown in full).
    virtual void ShowWarning(const QString& text) = 0;

    // Status bar: counts in panels 1, 3, 5 and 6; texts of panels 3 and 7.
    virtual void ShowCounts(const TCompareCounts& counts) = 0;
    virtual void SetPanelText(int panel, const QString& text) = 0;
    virtual QProgressBar* ProgressBar() = 0;

    // The option check marks, read at the moment a comparison needs them.
    virtual bool IgnoreBlanks() const = 0;
    virtual bool IgnoreCase() const = 0;
    virtual bool ShowDiffsOnly() const = 0;
    virtual bool HorzSplit() const = 0;

    virtual TProgramValues& Values() = 0;

    virtual TSourceView& SourceView() = 0;

    // The view commands, as the tool buttons run them: a double-click on a library row leads
    // to the object list, one on an object row to the source view.
    virtual void ShowLibsView() = 0;
    virtual void ShowObjsView() = 0;
    virtual void ShowFilesView() = 0;

    // The handler for the application becoming active again (the source view's check for
    // changed files); an empty function removes it.
    virtual void SetActivateHandler(std::function<void()> handler) = 0;

    // The window that dialogs and message boxes belong to.
    virtual QWidget* Window() = 0;
};

} // namespace tandrel
