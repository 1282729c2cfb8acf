#pragma once
// The main window: the program's only top-level window. It owns the library frame and the
// source frame, shows one of three views (library list, object list, source comparison),
// and carries the menu bar, tool bar and status bar that all views share; the frames bind
// the shared commands to their own handlers when their view comes to the front.

#include "Help.h"
#include "MainShell.h"
#include "Settings.h"

#include <functional>
#include <memory>
#include <optional>
#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

class QActionGroup;
class QStackedLayout;
class QToolBar;

namespace tandrel {

class TFilesFrame;
class TLibFrame;
class TShortcutRouter;
class TStatusBar;
struct TLaunch;

struct TMainOptions {
    std::string SettingsPath; // the settings file, with the histories beside it

    QString ProgramPath; // where the help document is looked for
};

enum class TViewMode { Libs, Objs, Files, AllObjs };

class TMainForm : public QMainWindow, public TMainShell {
    Q_OBJECT
public:
    explicit TMainForm(TMainOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // TMainShell
    TSharedCommands& Commands() override { return FCommands; }
    void Bind(QAction* item, std::function<void()> handler) override;
    void SetMenuHandler(QMenu* menu, std::function<void()> handler) override;
    void Guarded(const std::function<void()>& handler) override;
    void ShowWarning(const QString& text) override;
    void ShowCounts(const TCompareCounts& counts) override;
    void SetPanelText(int panel, const QString& text) override;
    QProgressBar* ProgressBar() override { return FProgress; }
    bool IgnoreBlanks() const override;
    bool IgnoreCase() const override;
    bool ShowDiffsOnly() const override;
    bool HorzSplit() const override;
    TProgramValues& Values() override { return FValues; }
    TSourceView& SourceView() override;
    void ShowLibsView() override { tbLibModeClick(); }
    void ShowObjsView() override { mnuObjsClick(); }
    void ShowFilesView() override { tbFileClick(); }
    void SetActivateHandler(std::function<void()> handler) override;
    QWidget* Window() override { return this; }

    // The command line, once the window is shown.
    void OpenLaunch(const TLaunch& launch);

    TViewMode View() const { return FView; }
    TLibFrame* LibFrame() const { return FLibFrame; }
    TFilesFrame* FilesFrame() const { return FFilesFrame; }
    TStatusBar* StatusPanels() const { return FStatusBar; }
    QToolBar* ToolBar() const { return FToolBar; }
    QAction* HighlightColorEntry(int which) const; // 0 added, 1 modified, 2 deleted
    QAction* HelpEntry() const { return FContents1; }
    QAction* AboutEntry() const { return FAbout; }

    // What picks a colour (the colour dialog) and what opens a document (the desktop's
    // default program); tests put their own in place.
    using TColorChooser =
        std::function<std::optional<TColor>(TColor current, const QString& title)>;
    void SetColorChooser(TColorChooser chooser) { FColorChooser = std::move(chooser); }
    void SetUrlOpener(TUrlOpener opener) { FUrlOpener = std::move(opener); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void RouteShortcuts();
    QAction* BindHere(QAction* item, void (TMainForm::*handler)());

    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();
    void LoadSettings();
    void SaveSettings();

    void tbLibModeClick();
    void mnuObjsClick();
    void mnuAllObjsClick();
    void tbFileClick();
    void ShowLibFrame();
    void ListViewSteps();
    void SetViewChecks(TViewMode view);

    void mnuShowDiffsOnlyClick();
    void mnuShowBlanksClick();
    void Added1Click();
    void Modified1Click();
    void Deleted1Click();
    void ChooseColor(TColor& color, const QString& title);
    void Contents1Click();
    void mnuAboutClick();
    void mnuExitClick();

    std::string ReadableTextPath(const std::string& path);
    void RunBound(QAction* item);
    void RunMenuHandler(QMenu* menu);
    void RepaintLists();

    TMainOptions FOptions;
    TSharedCommands FCommands;
    TProgramValues FValues;
    TSettings FLoaded;
    // The settings file could not be used at start-up: reported then, never written.
    bool FSettingsRefused = false;
    TViewMode FView = TViewMode::Libs;

    QMenu* N15 = nullptr;
    QMenu* mnuHighlightColors = nullptr;
    QMenu* Help1 = nullptr;
    QAction* FAdded1 = nullptr;
    QAction* FModified1 = nullptr;
    QAction* FDeleted1 = nullptr;
    QAction* FContents1 = nullptr;
    QAction* FAbout = nullptr;
    QActionGroup* FViewEntries = nullptr;
    QActionGroup* FViewButtons = nullptr;

    QToolBar* FToolBar = nullptr;
    TStatusBar* FStatusBar = nullptr;
    QProgressBar* FProgress = nullptr;
    QStackedLayout* FClient = nullptr;
    TFilesFrame* FFilesFrame = nullptr;
    TLibFrame* FLibFrame = nullptr;
    TShortcutRouter* FRouter = nullptr;

    QHash<QAction*, std::function<void()>> FHandlers;
    QSet<QAction*> FConnected;
    QHash<QMenu*, std::function<void()>> FMenuHandlers;
    std::function<void()> FActivateHandler;
    TColorChooser FColorChooser;
    TUrlOpener FUrlOpener;
    std::unique_ptr<QTemporaryDir> FScratch;
};

} // namespace tandrel
