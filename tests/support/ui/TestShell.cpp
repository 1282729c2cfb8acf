#include "TestShell.h"

#include "FileView.h"
#include "LibView.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <stdexcept>

namespace tandrel::test {

TTestShell::TTestShell() {
    setWindowTitle(QStringLiteral("Tandrel"));
    resize(1000, 700);
    TSharedCommands& c = FCommands;
    QMenuBar* bar = menuBar();
    c.File1 = bar->addMenu(QStringLiteral("&F 文件"));
    c.mnuOpen1 = Item(c.File1, "打开文件 1...", "Ctrl+1");
    c.mnuOpen2 = Item(c.File1, "打开文件 2 ...", "Ctrl+2");
    c.mnuSave1 = Item(c.File1, "保存文件 1 ...", "", false);
    c.mnuSave2 = Item(c.File1, "保存文件 2 ...", "", false);
    c.mnuSaveReport = Item(c.File1, "保存结果为...", "", false);
    c.mnuExportReport = Item(c.File1, "导出比较报告...", "", false);
    QMenu* view = bar->addMenu(QStringLiteral("视图"));
    c.mnuLibs = Item(view, "PB库文件列表", "");
    c.mnuObjs = Item(view, "PBL对象列表", "");
    c.mnuFile = Item(view, "源代码比较视图", "");
    c.mnuAllObjs = Item(view, "全部对象", "");
    c.mnuEdit = bar->addMenu(QStringLiteral("Edit"));
    c.mnuUndo = Item(c.mnuEdit, "&Undo", "Ctrl+Z");
    c.mnuRedo = Item(c.mnuEdit, "&Redo", "Shift+Ctrl+Z");
    c.mnuCut = Item(c.mnuEdit, "C&ut", "Ctrl+X");
    c.mnuCopy = Item(c.mnuEdit, "C&opy", "Ctrl+C");
    c.mnuPaste = Item(c.mnuEdit, "&Paste", "Ctrl+V");
    c.mnuSearch = bar->addMenu(QStringLiteral("查找"));
    c.mnuFind = Item(c.mnuSearch, "查找...", "Ctrl+F");
    c.mnuFindNext = Item(c.mnuSearch, "重复查找", "F3");
    c.N1 = c.mnuSearch->addSeparator();
    c.mnuPrev = Item(c.mnuSearch, "到前一个不同点", "Ctrl+P", false);
    c.mnuReplace = Item(c.mnuSearch, "&Replace", "Ctrl+R");
    c.mnuNext = Item(c.mnuSearch, "到下一个不同点", "Ctrl+N", false);
    c.mnuActions = bar->addMenu(QStringLiteral("源码比较"));
    c.mnuActions->setEnabled(false);
    c.mnuCompare = Item(c.mnuActions, "&Compare", "F9", false);
    c.mnuCancel = Item(c.mnuActions, "Cancel  C&ompare", "Esc", false);
    c.mnuCompareFiles = Item(c.mnuActions, "Compare Modified &Files", "Return", false);
    c.mnuCopyBlockRight = Item(c.mnuActions, "Copy Block &Right", "Ctrl+Alt+R", false);
    c.mnuCopyBlockLeft = Item(c.mnuActions, "Copy Block &Left", "Ctrl+Alt+L", false);
    c.mnuOptions = bar->addMenu(QStringLiteral("选项"));
    c.mnuIgnoreBlanks = Item(c.mnuOptions, "忽略空格", "");
    c.mnuIgnoreCase = Item(c.mnuOptions, "忽略大小写", "");
    c.mnuShowDiffsOnly = Item(c.mnuOptions, "只显示不同部分", "");
    c.mnuHorzSplit = Item(c.mnuOptions, "横排窗口", "Ctrl+H");
    for (QAction* mark : {c.mnuIgnoreBlanks, c.mnuIgnoreCase, c.mnuShowDiffsOnly, c.mnuHorzSplit})
        mark->setCheckable(true);
    c.mnuFont = Item(c.mnuOptions, "字体 ...", "");
    // The view entries are the main window's own commands, not bound by the frames.
    connect(c.mnuLibs, &QAction::triggered, this, [this] { ShowLibsView(); });
    connect(c.mnuObjs, &QAction::triggered, this, [this] { ShowObjsView(); });
    connect(c.mnuFile, &QAction::triggered, this, [this] { ShowFilesView(); });
    connect(c.mnuAllObjs, &QAction::triggered, this, [this] {
        FView = TView::Objs;
        if (FLibFrame) {
            FLibFrame->show();
            FLibFrame->ShowAllView();
        }
    });

    QToolBar* tools = addToolBar(QStringLiteral("ToolBar1"));
    c.tbLibMode = tools->addAction(QStringLiteral("Library list"));
    c.tbObjs = tools->addAction(QStringLiteral("Objects in library"));
    c.tbFile = tools->addAction(QStringLiteral("object source code compare"));
    for (QAction** button :
         {&c.tbOpen1, &c.tbOpen2, &c.tbSave1, &c.tbSave2, &c.tbHorzSplit, &c.tbCompare, &c.tbCancel,
          &c.tbNext, &c.tbPrev, &c.tbFindNext, &c.tbReplace, &c.tbHelp})
        *button = tools->addAction(QString());

    FPanel7 = new QLabel(statusBar());
    statusBar()->addWidget(FPanel7, 1);
    FProgress = new QProgressBar(statusBar());
    statusBar()->addPermanentWidget(FProgress);
    FProgress->hide();
}

TTestShell::~TTestShell() {
    if (FLibFrame)
        FLibFrame->FreeLists();
}

QAction* TTestShell::Item(QMenu* menu, const char* caption, const char* key, bool enabled) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    if (*key)
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
    action->setEnabled(enabled);
    return action;
}

TLibFrame& TTestShell::CreateLibFrame(const std::string& exeDir) {
    FLibFrame = new TLibFrame(*this, this, exeDir);
    setCentralWidget(FLibFrame);
    FLibFrame->InitLists();
    ShowLibsView();
    return *FLibFrame;
}

TFilesFrame& TTestShell::CreateFilesFrame() {
    FFilesFrame = new TFilesFrame(*this, this);
    setCentralWidget(FFilesFrame);
    FFilesFrame->Init();
    return *FFilesFrame;
}

void TTestShell::Bind(QAction* item, std::function<void()> handler) {
    if (item == nullptr)
        return;
    disconnect(FBindings[item]);
    FBindings[item] = connect(item, &QAction::triggered, this, [this, item, handler] {
        Guarded([&] {
            for (auto& [menu, menuHandler] : FMenuHandlers)
                if (menu->actions().contains(item))
                    menuHandler();
            handler();
        });
    });
}

void TTestShell::SetMenuHandler(QMenu* menu, std::function<void()> handler) {
    FMenuHandlers[menu] = std::move(handler);
}

void TTestShell::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        Errors.push_back(e.what());
        if (!ShowsStopBox)
            return;
        QString message = QString::fromUtf8(e.what());
        if (!message.endsWith(QLatin1Char('.')))
            message += QLatin1Char('.');
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tandrel"), message, QMessageBox::Ok,
                        this);
        box.exec();
    }
}

void TTestShell::SetPanelText(int panel, const QString& text) {
    Panels[panel] = text;
    if (panel == 7)
        FPanel7->setText(text);
    if (OnPanelText)
        OnPanelText(panel, text);
}

bool TTestShell::IgnoreBlanks() const {
    return FCommands.mnuIgnoreBlanks->isChecked();
}

bool TTestShell::IgnoreCase() const {
    return FCommands.mnuIgnoreCase->isChecked();
}

bool TTestShell::ShowDiffsOnly() const {
    return FCommands.mnuShowDiffsOnly->isChecked();
}

bool TTestShell::HorzSplit() const {
    return FCommands.mnuHorzSplit->isChecked();
}

TSourceView& TTestShell::SourceView() {
    if (FFilesFrame)
        return *FFilesFrame;
    return FSource;
}

void TTestShell::ShowLibsView() {
    FView = TView::Libs;
    if (FLibFrame) {
        FLibFrame->show();
        FLibFrame->ShowLibsView();
    }
}

void TTestShell::ShowObjsView() {
    FView = TView::Objs;
    if (FLibFrame) {
        FLibFrame->show();
        FLibFrame->ShowObjsView();
    }
}

void TTestShell::ShowFilesView() {
    FView = TView::Files;
    if (FFilesFrame)
        FFilesFrame->EnterView();
}

void TTestShell::Activate() {
    if (FActivate)
        Guarded(FActivate);
}

} // namespace tandrel::test
