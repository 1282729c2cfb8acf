#pragma once
// A main window for the source frame's tests: real menus, menu entries and tool buttons
// with the shortcuts of the program, commands bound as the frames bind them, a guard that
// records failures, and the status bar's figures kept for inspection.

#include "FileView.h"
#include "MainShell.h"

#include <map>
#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>
#include <stdexcept>

namespace tandrel::test {

class TTestShell : public TMainShell {
public:
    TTestShell() {
        FWindow.resize(1000, 700);
        TSharedCommands& c = FCommands;
        QMenuBar* bar = FWindow.menuBar();
        c.File1 = bar->addMenu("&F 文件");
        c.mnuOpen1 = Item(c.File1, "打开文件 1...", "Ctrl+1");
        c.mnuOpen2 = Item(c.File1, "打开文件 2 ...", "Ctrl+2");
        c.mnuSave1 = Item(c.File1, "保存文件 1 ...", "", false);
        c.mnuSave2 = Item(c.File1, "保存文件 2 ...", "", false);
        c.mnuSaveReport = Item(c.File1, "保存结果为...", "", false);
        c.mnuEdit = bar->addMenu("Edit");
        c.mnuUndo = Item(c.mnuEdit, "&Undo", "Ctrl+Z");
        c.mnuRedo = Item(c.mnuEdit, "&Redo", "Shift+Ctrl+Z");
        c.mnuCut = Item(c.mnuEdit, "C&ut", "Ctrl+X");
        c.mnuCopy = Item(c.mnuEdit, "C&opy", "Ctrl+C");
        c.mnuPaste = Item(c.mnuEdit, "&Paste", "Ctrl+V");
        c.mnuSearch = bar->addMenu("查找");
        c.mnuFind = Item(c.mnuSearch, "查找...", "Ctrl+F");
        c.mnuFindNext = Item(c.mnuSearch, "重复查找", "F3");
        c.N1 = c.mnuSearch->addSeparator();
        c.mnuPrev = Item(c.mnuSearch, "到前一个不同点", "Ctrl+P", false);
        c.mnuReplace = Item(c.mnuSearch, "&Replace", "Ctrl+R");
        c.mnuNext = Item(c.mnuSearch, "到下一个不同点", "Ctrl+N", false);
        c.mnuActions = bar->addMenu("源码比较");
        c.mnuActions->setEnabled(false);
        c.mnuCompare = Item(c.mnuActions, "&Compare", "F9", false);
        c.mnuCancel = Item(c.mnuActions, "Cancel  C&ompare", "Esc", false);
        c.mnuCompareFiles = Item(c.mnuActions, "Compare Modified &Files", "Return", false);
        c.mnuCopyBlockRight = Item(c.mnuActions, "Copy Block &Right", "Ctrl+Alt+R", false);
        c.mnuCopyBlockLeft = Item(c.mnuActions, "Copy Block &Left", "Ctrl+Alt+L", false);
        c.mnuOptions = bar->addMenu("选项");
        c.mnuIgnoreBlanks = Item(c.mnuOptions, "忽略空格", "");
        c.mnuIgnoreCase = Item(c.mnuOptions, "忽略大小写", "");
        c.mnuShowDiffsOnly = Item(c.mnuOptions, "只显示不同部分", "");
        c.mnuHorzSplit = Item(c.mnuOptions, "横排窗口", "Ctrl+H");
        for (QAction* mark :
             {c.mnuIgnoreBlanks, c.mnuIgnoreCase, c.mnuShowDiffsOnly, c.mnuHorzSplit})
            mark->setCheckable(true);
        c.mnuFont = Item(c.mnuOptions, "字体 ...", "");
        QToolBar* tools = FWindow.addToolBar("tools");
        for (QAction** button :
             {&c.tbOpen1, &c.tbOpen2, &c.tbSave1, &c.tbSave2, &c.tbHorzSplit, &c.tbCompare,
              &c.tbCancel, &c.tbNext, &c.tbPrev, &c.tbFindNext, &c.tbReplace, &c.tbObjs})
            *button = tools->addAction("tb");
        FFrame = new TFilesFrame(*this, &FWindow);
        FWindow.setCentralWidget(FFrame);
        FFrame->Init();
    }

    TFilesFrame& Frame() { return *FFrame; }
    QMainWindow& MainWindow() { return FWindow; }

    TSharedCommands& Commands() override { return FCommands; }
    void Bind(QAction* item, std::function<void()> handler) override {
        QObject::disconnect(FConnections[item]);
        FConnections[item] = QObject::connect(item, &QAction::triggered, [this, item, handler] {
            Guarded([&] {
                for (auto& [menu, menuHandler] : FMenuHandlers)
                    if (menu->actions().contains(item))
                        menuHandler();
                handler();
            });
        });
    }
    void SetMenuHandler(QMenu* menu, std::function<void()> handler) override {
        FMenuHandlers[menu] = std::move(handler);
    }
    void Guarded(const std::function<void()>& handler) override {
        try {
            handler();
        } catch (const std::exception& error) {
            Errors.push_back(error.what());
        }
    }
    void ShowCounts(const TCompareCounts& counts) override { Counts = counts; }
    void SetPanelText(int panel, const QString& text) override { Panels[panel] = text; }
    QProgressBar* ProgressBar() override { return &FProgress; }
    bool IgnoreBlanks() const override { return FCommands.mnuIgnoreBlanks->isChecked(); }
    bool IgnoreCase() const override { return FCommands.mnuIgnoreCase->isChecked(); }
    bool ShowDiffsOnly() const override { return FCommands.mnuShowDiffsOnly->isChecked(); }
    bool HorzSplit() const override { return FCommands.mnuHorzSplit->isChecked(); }
    TProgramValues& Values() override { return FValues; }
    TSourceView& SourceView() override { return *FFrame; }
    void ShowLibsView() override {}
    void ShowObjsView() override {}
    void ShowFilesView() override { FFrame->EnterView(); }
    void SetActivateHandler(std::function<void()> handler) override {
        FActivate = std::move(handler);
    }
    QWidget* Window() override { return &FWindow; }

    // The application became active again.
    void Activate() {
        if (FActivate)
            Guarded(FActivate);
    }

    TCompareCounts Counts;
    std::map<int, QString> Panels;
    std::vector<std::string> Errors;

private:
    QAction* Item(QMenu* menu, const char* caption, const char* key, bool enabled = true) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        if (*key)
            action->setShortcut(QKeySequence(key));
        action->setEnabled(enabled);
        return action;
    }

    QMainWindow FWindow;
    QProgressBar FProgress;
    TSharedCommands FCommands;
    TProgramValues FValues;
    TFilesFrame* FFrame = nullptr;
    std::map<QAction*, QMetaObject::Connection> FConnections;
    std::map<QMenu*, std::function<void()>> FMenuHandlers;
    std::function<void()> FActivate;
};

} // namespace tandrel::test
