#include "TestShell.h"

#include "LibView.h"

#include <QAction>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <stdexcept>

namespace tandrel::test {

TTestShell::TTestShell() {
    setWindowTitle(QStringLiteral("Tandrel"));
    QMenu* file = menuBar()->addMenu(QStringLiteral("&F 文件"));
    FCommands.File1 = file;
    FCommands.mnuOpen1 = NewAction(QStringLiteral("打开文件 1..."), file);
    FCommands.mnuOpen2 = NewAction(QStringLiteral("打开文件 2 ..."), file);
    QMenu* view = menuBar()->addMenu(QStringLiteral("视图"));
    FCommands.mnuLibs = NewAction(QStringLiteral("PB库文件列表"), view);
    FCommands.mnuObjs = NewAction(QStringLiteral("PBL对象列表"), view);
    FCommands.mnuFile = NewAction(QStringLiteral("源代码比较视图"), view);
    QMenu* options = menuBar()->addMenu(QStringLiteral("选项"));
    FCommands.mnuOptions = options;
    FCommands.mnuIgnoreBlanks = NewAction(QStringLiteral("忽略空格"), options);
    FCommands.mnuIgnoreCase = NewAction(QStringLiteral("忽略大小写"), options);
    FCommands.mnuIgnoreBlanks->setCheckable(true);
    FCommands.mnuIgnoreCase->setCheckable(true);
    QToolBar* bar = addToolBar(QStringLiteral("ToolBar1"));
    FCommands.tbLibMode = NewAction(QStringLiteral("Library list"), nullptr);
    FCommands.tbObjs = NewAction(QStringLiteral("Objects in library"), nullptr);
    FCommands.tbFile = NewAction(QStringLiteral("object source code compare"), nullptr);
    FCommands.tbOpen1 = NewAction(QString(), nullptr);
    FCommands.tbOpen2 = NewAction(QString(), nullptr);
    for (QAction* a : {FCommands.tbLibMode, FCommands.tbObjs, FCommands.tbFile, FCommands.tbOpen1,
                       FCommands.tbOpen2})
        bar->addAction(a);
    connect(FCommands.mnuLibs, &QAction::triggered, this, [this] { ShowLibsView(); });
    connect(FCommands.mnuObjs, &QAction::triggered, this, [this] { ShowObjsView(); });
    connect(FCommands.mnuFile, &QAction::triggered, this, [this] { ShowFilesView(); });

    FPanel7 = new QLabel(statusBar());
    statusBar()->addWidget(FPanel7, 1);
    FProgress = new QProgressBar(statusBar());
    statusBar()->addPermanentWidget(FProgress);
    FProgress->hide();
    resize(900, 600);
}

TTestShell::~TTestShell() {
    if (FFrame)
        FFrame->FreeLists();
}

QAction* TTestShell::NewAction(const QString& text, QMenu* menu) {
    auto* action = new QAction(text, this);
    if (menu)
        menu->addAction(action);
    return action;
}

TLibFrame& TTestShell::CreateFrame(const std::string& exeDir) {
    FFrame = new TLibFrame(*this, this, exeDir);
    setCentralWidget(FFrame);
    FFrame->InitLists();
    ShowLibsView();
    return *FFrame;
}

void TTestShell::Bind(QAction* item, std::function<void()> handler) {
    if (item == nullptr)
        return;
    if (FBindings.contains(item))
        disconnect(FBindings.take(item));
    FBindings.insert(
        item, connect(item, &QAction::triggered, this, [this, handler] { Guarded(handler); }));
}

void TTestShell::SetMenuHandler(QMenu*, std::function<void()>) {}

void TTestShell::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        QString message = QString::fromUtf8(e.what());
        if (!message.endsWith(QLatin1Char('.')))
            message += QLatin1Char('.');
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tandrel"), message, QMessageBox::Ok,
                        this);
        box.exec();
    }
}

void TTestShell::ShowCounts(const TCompareCounts& counts) {
    FCounts = counts;
}

void TTestShell::SetPanelText(int panel, const QString& text) {
    FPanels[panel] = text;
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

void TTestShell::ShowLibsView() {
    FView = TView::Libs;
    FCommands.tbLibMode->setChecked(true);
    if (FFrame) {
        FFrame->show();
        FFrame->ShowLibsView();
    }
}

void TTestShell::ShowObjsView() {
    FView = TView::Objs;
    if (FFrame) {
        FFrame->show();
        FFrame->ShowObjsView();
    }
}

void TTestShell::ShowFilesView() {
    FView = TView::Files;
}

} // namespace tandrel::test
