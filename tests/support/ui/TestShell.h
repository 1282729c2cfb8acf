#pragma once
// A stand-in for the main window in the frame tests and benchmarks: real menus, menu entries
// and tool buttons with the program's shortcuts, commands bound as the frames bind them, a
// status bar with its progress bar, and what the frames report kept for inspection. It holds
// one frame: the library frame, whose object pairs go to a source view that records them, or
// the source comparison frame, which is then the source view itself.

#include "MainShell.h"

#include <functional>
#include <map>
#include <QMainWindow>
#include <string>
#include <vector>

class QLabel;

namespace tandrel {
class TFilesFrame;
class TLibFrame;
} // namespace tandrel

namespace tandrel::test {

// Records LoadSource and Compare.
class TRecordingSourceView : public TSourceView {
public:
    struct TLoad {
        std::string Title;
        std::vector<std::string> Lines;
        bool Side1 = false;
    };
    std::vector<TLoad> Loads;
    int Compares = 0;

    void LoadSource(const std::string& title, const std::vector<std::string>& lines,
                    bool isSide1) override {
        Loads.push_back({title, lines, isSide1});
    }
    void Compare() override { ++Compares; }
};

enum class TView { Libs, Objs, Files };

class TTestShell : public QMainWindow, public TMainShell {
    Q_OBJECT
public:
    TTestShell();
    ~TTestShell() override;

    // The frame under test, created inside the window as the main window creates it: the
    // library frame with its lists and history in `exeDir`, shown with its library list.
    TLibFrame& CreateLibFrame(const std::string& exeDir);
    TFilesFrame& CreateFilesFrame();
    TLibFrame& LibFrame() { return *FLibFrame; }
    TFilesFrame& FilesFrame() { return *FFilesFrame; }

    TSharedCommands& Commands() override { return FCommands; }
    void Bind(QAction* item, std::function<void()> handler) override;
    void SetMenuHandler(QMenu* menu, std::function<void()> handler) override;
    void Guarded(const std::function<void()>& handler) override;
    void ShowWarning(const QString& text) override { Warnings.push_back(text.toStdString()); }
    void ShowCounts(const TCompareCounts& counts) override { Counts = counts; }
    void SetPanelText(int panel, const QString& text) override;
    QProgressBar* ProgressBar() override { return FProgress; }
    bool IgnoreBlanks() const override;
    bool IgnoreCase() const override;
    bool ShowDiffsOnly() const override;
    bool HorzSplit() const override;
    TProgramValues& Values() override { return FValues; }
    TSourceView& SourceView() override;
    void ShowLibsView() override;
    void ShowObjsView() override;
    void ShowFilesView() override;
    void SetActivateHandler(std::function<void()> handler) override {
        FActivate = std::move(handler);
    }
    QWidget* Window() override { return this; }

    // The application became active again.
    void Activate();

    // What the library frame handed on while no source comparison frame is in the window.
    TRecordingSourceView& Source() { return FSource; }
    TView View() const { return FView; }

    TCompareCounts Counts{};
    std::map<int, QString> Panels;
    // Called with every text written to a panel.
    std::function<void(int panel, const QString& text)> OnPanelText;
    // The messages of the failures the guard caught.
    std::vector<std::string> Errors;
    // The warnings shown, in order.
    std::vector<std::string> Warnings;
    // Whether a caught failure also shows the stop box, as the main window does. Off by
    // default, so that an unexpected failure fails its test instead of waiting on a box.
    bool ShowsStopBox = false;

private:
    QAction* Item(QMenu* menu, const char* caption, const char* key, bool enabled = true);

    TSharedCommands FCommands;
    std::map<QAction*, QMetaObject::Connection> FBindings;
    std::map<QMenu*, std::function<void()>> FMenuHandlers;
    std::function<void()> FActivate;
    TProgramValues FValues;
    TRecordingSourceView FSource;
    TView FView = TView::Libs;
    QProgressBar* FProgress = nullptr;
    QLabel* FPanel7 = nullptr;
    TLibFrame* FLibFrame = nullptr;
    TFilesFrame* FFilesFrame = nullptr;
};

} // namespace tandrel::test
