// The shared furniture of the main window: the menu bar and the tool bar, with every entry's
// caption, key, separator, check mark and state at start.

#include "Icons.h"
#include "Main.h"
#include "ShortcutRouter.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace tandrel {

namespace {

QAction* Entry(QMenu* menu, const QString& caption, const QKeySequence& key = {},
               bool enabled = true) {
    QAction* entry = menu->addAction(caption);
    entry->setShortcut(key);
    entry->setEnabled(enabled);
    return entry;
}

// Qt disables a hidden action and will not enable it again; a hidden entry here is an action
// that its menu does not show, so that its enabled state stays the frames' to set.
QAction* HiddenEntry(QMenu* menu, const QString& caption, const QKeySequence& key, bool enabled) {
    auto* entry = new QAction(caption, menu);
    entry->setShortcut(key);
    entry->setEnabled(enabled);
    return entry;
}

QAction* CheckEntry(QMenu* menu, const QString& caption, const QKeySequence& key = {}) {
    QAction* entry = Entry(menu, caption, key);
    entry->setCheckable(true);
    return entry;
}

QAction* Button(QToolBar* bar, const QString& hint, int image, bool enabled = true) {
    QAction* button = bar->addAction(ToolImage(image), hint);
    button->setToolTip(hint);
    button->setEnabled(enabled);
    return button;
}

// A button the tool bar does not show; it keeps its own enabled state, as a hidden entry does.
QAction* HiddenButton(QToolBar* bar, const QString& hint, int image) {
    auto* button = new QAction(ToolImage(image), hint, bar);
    button->setToolTip(hint);
    return button;
}

constexpr int kToolButtonWidth = 24;
constexpr int kToolBarIndent = 4;
constexpr int kSeparatorWidth = 4;

} // namespace

void TMainForm::CreateMenus() {
    TSharedCommands& c = FCommands;
    QMenuBar* bar = menuBar();

    c.File1 = bar->addMenu(QStringLiteral("&F 文件"));
    c.File1->setSeparatorsCollapsible(false);
    c.mnuOpen1 =
        Entry(c.File1, QStringLiteral("打开文件 1..."), QKeySequence(Qt::CTRL | Qt::Key_1));
    c.mnuOpen2 =
        Entry(c.File1, QStringLiteral("打开文件 2 ..."), QKeySequence(Qt::CTRL | Qt::Key_2));
    c.File1->addSeparator();
    c.mnuSave1 = Entry(c.File1, QStringLiteral("保存文件 1 ..."), {}, false);
    c.mnuSave2 = Entry(c.File1, QStringLiteral("保存文件 2 ..."), {}, false);
    c.File1->addSeparator();
    c.File1->addSeparator();
    c.mnuSaveReport = Entry(c.File1, QStringLiteral("保存结果为..."), {}, false);
    c.mnuExportReport = Entry(c.File1, QStringLiteral("导出比较报告..."), {}, false);
    c.File1->addSeparator();
    c.mnuExit = Entry(c.File1, QStringLiteral("退出(&x)"));

    N15 = bar->addMenu(QStringLiteral("视图"));
    c.mnuLibs = CheckEntry(N15, QStringLiteral("PB库文件列表"), QKeySequence(Qt::Key_F6));
    c.mnuObjs = CheckEntry(N15, QStringLiteral("PBL对象列表"), QKeySequence(Qt::Key_F7));
    c.mnuFile = CheckEntry(N15, QStringLiteral("源代码比较视图"), QKeySequence(Qt::Key_F8));
    c.mnuAllObjs =
        CheckEntry(N15, QStringLiteral("全部对象"), QKeySequence(Qt::SHIFT | Qt::Key_F7));
    FViewEntries = new QActionGroup(this);
    for (QAction* entry : {c.mnuLibs, c.mnuObjs, c.mnuFile, c.mnuAllObjs})
        FViewEntries->addAction(entry);

    // The two hidden menus stay out of the menu bar; their entries keep answering their keys.
    c.mnuEdit = new QMenu(QStringLiteral("Edit"), this);
    c.mnuUndo = Entry(c.mnuEdit, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    c.mnuRedo =
        Entry(c.mnuEdit, QStringLiteral("&Redo"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z));
    c.mnuCut = Entry(c.mnuEdit, QStringLiteral("C&ut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    c.mnuCopy = Entry(c.mnuEdit, QStringLiteral("C&opy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    c.mnuPaste = Entry(c.mnuEdit, QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));

    c.mnuSearch = bar->addMenu(QStringLiteral("查找"));
    c.mnuSearch->setEnabled(false);
    c.mnuSearch->menuAction()->setEnabled(false);
    c.mnuFind = Entry(c.mnuSearch, QStringLiteral("查找..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    c.mnuFindNext = Entry(c.mnuSearch, QStringLiteral("重复查找"), QKeySequence(Qt::Key_F3));
    c.N1 = c.mnuSearch->addSeparator();
    c.mnuPrev = Entry(c.mnuSearch, QStringLiteral("到前一个不同点"),
                      QKeySequence(Qt::CTRL | Qt::Key_P), false);
    c.mnuReplace = HiddenEntry(c.mnuSearch, QStringLiteral("&Replace"),
                               QKeySequence(Qt::CTRL | Qt::Key_R), true);
    c.mnuNext = Entry(c.mnuSearch, QStringLiteral("到下一个不同点"),
                      QKeySequence(Qt::CTRL | Qt::Key_N), false);

    c.mnuActions = new QMenu(QStringLiteral("源码比较"), this);
    c.mnuActions->setEnabled(false);
    c.mnuActions->menuAction()->setEnabled(false);
    c.mnuCompare = Entry(c.mnuActions, QStringLiteral("&Compare"), QKeySequence(Qt::Key_F9), false);
    c.mnuCancel = Entry(c.mnuActions, QStringLiteral("Cancel  C&ompare"),
                        QKeySequence(Qt::Key_Escape), false);
    c.mnuActions->addSeparator();
    c.mnuCompareFiles = Entry(c.mnuActions, QStringLiteral("Compare Modified &Files"),
                              QKeySequence(Qt::Key_Return), false);
    c.mnuActions->addSeparator();
    c.mnuCopyBlockRight = Entry(c.mnuActions, QStringLiteral("Copy Block &Right"),
                                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), false);
    c.mnuCopyBlockLeft = Entry(c.mnuActions, QStringLiteral("Copy Block &Left"),
                               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_L), false);

    c.mnuOptions = bar->addMenu(QStringLiteral("选项"));
    c.mnuIgnoreBlanks = CheckEntry(c.mnuOptions, QStringLiteral("忽略空格"));
    c.mnuIgnoreCase = CheckEntry(c.mnuOptions, QStringLiteral("忽略大小写"));
    c.mnuShowDiffsOnly = CheckEntry(c.mnuOptions, QStringLiteral("只显示不同部分"));
    c.mnuShowBlanks = CheckEntry(c.mnuOptions, QStringLiteral("显示空白字符"));
    c.mnuOptions->addSeparator();
    c.mnuHorzSplit =
        CheckEntry(c.mnuOptions, QStringLiteral("横排窗口"), QKeySequence(Qt::CTRL | Qt::Key_H));
    c.mnuOptions->addSeparator();
    mnuHighlightColors = c.mnuOptions->addMenu(QStringLiteral("设置颜色标志"));
    FAdded1 = Entry(mnuHighlightColors, QStringLiteral("设置[增加]颜色"));
    FModified1 = Entry(mnuHighlightColors, QStringLiteral("设置[修改]颜色"));
    FDeleted1 = Entry(mnuHighlightColors, QStringLiteral("设置[删除]颜色"));
    c.mnuOptions->addSeparator();
    c.mnuFont = Entry(c.mnuOptions, QStringLiteral("字体 ..."));

    Help1 = bar->addMenu(QStringLiteral("帮助"));
    FContents1 = Entry(Help1, QStringLiteral("查看帮助"), QKeySequence(Qt::Key_F1));
    FAbout = Entry(Help1, QStringLiteral("关于..."));

    BindHere(c.mnuExit, &TMainForm::mnuExitClick);
    BindHere(c.mnuLibs, &TMainForm::tbLibModeClick);
    BindHere(c.mnuObjs, &TMainForm::mnuObjsClick);
    BindHere(c.mnuAllObjs, &TMainForm::mnuAllObjsClick);
    BindHere(c.mnuFile, &TMainForm::tbFileClick);
    // The check marks of these two flip as the entry is chosen; nothing else happens until
    // the next comparison reads them.
    BindHere(c.mnuShowDiffsOnly, &TMainForm::mnuShowDiffsOnlyClick);
    BindHere(c.mnuShowBlanks, &TMainForm::mnuShowBlanksClick);
    BindHere(FAdded1, &TMainForm::Added1Click);
    BindHere(FModified1, &TMainForm::Modified1Click);
    BindHere(FDeleted1, &TMainForm::Deleted1Click);
    BindHere(FContents1, &TMainForm::Contents1Click);
    BindHere(FAbout, &TMainForm::mnuAboutClick);
}

void TMainForm::CreateToolBar() {
    TSharedCommands& c = FCommands;
    FToolBar = addToolBar(QStringLiteral("ToolBar1"));
    FToolBar->setObjectName(QStringLiteral("ToolBar1"));
    FToolBar->setMovable(false);
    FToolBar->setFloatable(false);
    FToolBar->setIconSize(QSize(16, 16));
    FToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    FToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    FToolBar->setStyleSheet(
        QStringLiteral("QToolBar { border-top: 1px solid palette(mid); border-bottom: 1px solid "
                       "palette(mid); padding-left: %1px; spacing: 0px; }"
                       "QToolBar::separator { width: %2px; }")
            .arg(kToolBarIndent)
            .arg(kSeparatorWidth));

    c.tbLibMode = Button(FToolBar, QStringLiteral("Library list"), 13);
    c.tbObjs = Button(FToolBar, QStringLiteral("Objects in library"), 14);
    c.tbFile = Button(FToolBar, QStringLiteral("object source code compare"), 15);
    FViewButtons = new QActionGroup(this);
    for (QAction* button : {c.tbLibMode, c.tbObjs, c.tbFile}) {
        button->setCheckable(true);
        FViewButtons->addAction(button);
    }
    c.tbLibMode->setChecked(true);
    FToolBar->addSeparator();
    c.tbOpen1 = Button(FToolBar, c.mnuOpen1->text(), 0);
    c.tbOpen2 = Button(FToolBar, c.mnuOpen2->text(), 1);
    FToolBar->addSeparator();
    c.tbSave1 = Button(FToolBar, QStringLiteral("Save 1"), 2, false);
    c.tbSave2 = Button(FToolBar, QStringLiteral("Save 2"), 3, false);
    FToolBar->addSeparator();
    c.tbHorzSplit = Button(FToolBar, QStringLiteral("Rotate"), 4, false);
    FToolBar->addSeparator();
    c.tbCompare = HiddenButton(FToolBar, QStringLiteral("Compare"), 5);
    c.tbCancel = HiddenButton(FToolBar, QStringLiteral("Cancel Compare"), 6);
    FToolBar->addSeparator();
    c.tbNext = Button(FToolBar, QStringLiteral("Next Diff"), 7, false);
    c.tbPrev = Button(FToolBar, QStringLiteral("Prev Diff"), 8, false);
    FToolBar->addSeparator();
    c.tbFindNext = Button(FToolBar, QStringLiteral("Find"), 10, false);
    c.tbReplace = HiddenButton(FToolBar, QStringLiteral("Replace"), 11);
    FToolBar->addSeparator();
    c.tbHelp = Button(FToolBar, QStringLiteral("Help"), 9);

    for (QAction* action : FToolBar->actions())
        if (QWidget* button = FToolBar->widgetForAction(action); button && !action->isSeparator())
            button->setFixedWidth(kToolButtonWidth);

    BindHere(c.tbLibMode, &TMainForm::tbLibModeClick);
    BindHere(c.tbObjs, &TMainForm::mnuObjsClick);
    BindHere(c.tbFile, &TMainForm::tbFileClick);
    BindHere(c.tbHelp, &TMainForm::Contents1Click);
}

void TMainForm::RouteShortcuts() {
    FRouter = new TShortcutRouter(
        this, [this](QMenu* menu) { RunMenuHandler(menu); },
        [this](QMenu* menu) { return static_cast<bool>(FMenuHandlers.value(menu)); });
    for (QMenu* menu : {FCommands.File1, N15, FCommands.mnuEdit, FCommands.mnuSearch,
                        FCommands.mnuActions, FCommands.mnuOptions, Help1}) {
        // The menu's own entries and those it holds without showing.
        QList<QAction*> entries = menu->actions();
        for (QAction* hidden : menu->findChildren<QAction*>(Qt::FindDirectChildrenOnly))
            if (!entries.contains(hidden))
                entries.push_back(hidden);
        for (QAction* entry : entries) {
            if (!entry->shortcut().isEmpty())
                FRouter->Add(entry, {menu});
        }
    }
}

} // namespace tandrel
