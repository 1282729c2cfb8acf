#pragma once
// A stand-in for the main window in the frame tests and benchmarks: real menu actions and
// tool buttons, a status bar with a progress bar, the command guard with its stop box, and
// a source view that records what it is handed.

#include "MainShell.h"

#include <functional>
#include <memory>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <string>
#include <vector>

class QStatusBar;

namespace tandrel {
class TLibFrame;
}

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

    // The frame under test, created inside the window; InitLists and ShowLibsView run as
    // the main window runs them.
    TLibFrame& CreateFrame(const std::string& exeDir);
    TLibFrame& Frame() { return *FFrame; }

    TSharedCommands& Commands() override { return FCommands; }
    void Bind(QAction* item, std::function<void()> handler) override;
    void SetMenuHandler(QMenu* menu, std::function<void()> handler) override;
    void Guarded(const std::function<void()>& handler) override;
    void ShowCounts(const TCompareCounts& counts) override;
    void SetPanelText(int panel, const QString& text) override;
    QProgressBar* ProgressBar() override { return FProgress; }
    bool IgnoreBlanks() const override;
    bool IgnoreCase() const override;
    bool ShowDiffsOnly() const override { return false; }
    bool HorzSplit() const override { return false; }
    TProgramValues& Values() override { return FValues; }
    TSourceView& SourceView() override { return FSource; }
    void ShowLibsView() override;
    void ShowObjsView() override;
    void ShowFilesView() override;
    void SetActivateHandler(std::function<void()>) override {}
    QWidget* Window() override { return this; }

    TRecordingSourceView& Source() { return FSource; }
    TView View() const { return FView; }
    TCompareCounts Counts() const { return FCounts; }
    QString PanelText(int panel) const { return FPanels.value(panel); }
    // Called with every text written to a panel.
    std::function<void(int panel, const QString& text)> OnPanelText;

private:
    QAction* NewAction(const QString& text, QMenu* menu);

    TSharedCommands FCommands;
    QMap<QAction*, QMetaObject::Connection> FBindings;
    TProgramValues FValues;
    TRecordingSourceView FSource;
    TView FView = TView::Libs;
    TCompareCounts FCounts{};
    QMap<int, QString> FPanels;
    QProgressBar* FProgress = nullptr;
    QLabel* FPanel7 = nullptr;
    TLibFrame* FFrame = nullptr;
};

} // namespace tandrel::test
