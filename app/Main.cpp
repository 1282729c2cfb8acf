#include "Main.h"

#include "About.h"
#include "AtomicFile.h"
#include "CommandGuard.h"
#include "CommandLine.h"
#include "DisplayText.h"
#include "FileView.h"
#include "Help.h"
#include "LibView.h"
#include "ShortcutRouter.h"
#include "StatusBar.h"

#include <algorithm>
#include <QAbstractScrollArea>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>
#include <QToolBar>

namespace tandrel {

namespace {

constexpr int kWindowFontPixels = 11;

QColor ToQColor(TColor color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

std::optional<TColor> ColorDialogChoice(TColor current, const QString& title, QWidget* owner) {
    // Qt's own dialog: it always shows the custom colours, as the program wants.
    const QColor chosen =
        QColorDialog::getColor(ToQColor(current), owner, title, QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return std::nullopt;
    return RgbColor(static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                    static_cast<uint8_t>(chosen.blue()));
}

} // namespace

TMainForm::TMainForm(TMainOptions options, QWidget* parent)
    : QMainWindow(parent), FOptions(std::move(options)) {
    setWindowTitle(AppTitle());
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kWindowFontPixels);
    setFont(font);
    FColorChooser = [this](TColor current, const QString& title) {
        return ColorDialogChoice(current, title, this);
    };
    FUrlOpener = OpenWithSystem;

    CreateMenus();
    CreateToolBar();
    FStatusBar = new TStatusBar(
        [this](int panel) {
            return panel == 0 ? FValues.AddColor : panel == 2 ? FValues.ModColor : FValues.DelColor;
        },
        this);
    setStatusBar(FStatusBar);
    RouteShortcuts();
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive && FActivateHandler)
            Guarded(FActivateHandler);
    });
    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::FormCreate() {
    FProgress = new QProgressBar(this);
    FStatusBar->AdoptProgressBar(FProgress);

    auto* client = new QWidget(this);
    FClient = new QStackedLayout(client);
    setCentralWidget(client);
    // Qt's device-independent pixels scale the frames with the screen's pixel ratio.
    FFilesFrame = new TFilesFrame(*this, client);
    FClient->addWidget(FFilesFrame);
    // The histories lie beside the settings file.
    const std::string folder =
        FOptions.SettingsPath.substr(0, FOptions.SettingsPath.find_last_of('/') + 1);
    FLibFrame = new TLibFrame(*this, client, folder);
    FClient->addWidget(FLibFrame);
    FClient->setCurrentWidget(FLibFrame);

    LoadSettings();
    FFilesFrame->Init();
    FLibFrame->InitLists();
    tbLibModeClick();
}

void TMainForm::FormClose() {
    Guarded([this] { SaveSettings(); });
}

void TMainForm::FormDestroy() {
    FFilesFrame->Release();
    FLibFrame->FreeLists();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The window closes even when the settings cannot be written.
    FormClose();
    event->accept();
}

bool TMainForm::FormCloseQuery() {
    // A running comparison pumps events from inside the engine, which is where this close
    // arrives: the window closes once the engine has stopped and returned, so that nothing
    // computes on behind a closed window.
    if (FFilesFrame->CancelForClose([this] { close(); }))
        return false;
    // Edits in the source view are asked about whichever view is in front.
    return FFilesFrame->CloseQuery();
}

void TMainForm::LoadSettings() {
    QScreen* where = screen();
    const QRect work = where->availableGeometry();
    const TIniFile file(FOptions.SettingsPath);
    if (!file.LoadError().empty()) {
        FSettingsRefused = true;
        const QString message = ErrorText(file.LoadError()) +
                                " The settings file is left alone and the defaults are used.";
        QTimer::singleShot(0, this, [this, message] {
            ShowMessage(this, QMessageBox::Warning, AppTitle(), message);
        });
    }
    FLoaded = ReadSettings(file, work.x() + work.width(), work.y() + work.height());
    FValues.AddColor = FLoaded.AddColor;
    FValues.ModColor = FLoaded.ModColor;
    FValues.DelColor = FLoaded.DelColor;
    FValues.FontName = FLoaded.FontName;
    FValues.FontSize = FLoaded.FontSize;
    FValues.ShowBlanks = FLoaded.ShowBlanks;
    FCommands.mnuShowBlanks->setChecked(FLoaded.ShowBlanks);
    FValues.Folder1 = FLoaded.Folder1;
    FValues.Folder2 = FLoaded.Folder2;
    if (FLoaded.Horizontal)
        FCommands.mnuHorzSplit->setChecked(true);

    const TBounds area{work.x(), work.y(), work.width(), work.height()};
    if (const std::optional<TBounds> b = FitPlacement(FLoaded.Bounds, area)) {
        move(b->Left, b->Top);
        resize(b->Width, b->Height);
    } else {
        resize(std::min(kBuiltInWidth, work.width()), std::min(kBuiltInHeight, work.height()));
        move(work.x() + (work.width() - width()) / 2, work.y() + (work.height() - height()) / 2);
    }
}

void TMainForm::SaveSettings() {
    if (FSettingsRefused)
        return;
    TSettings s = FLoaded;
    s.AddColor = FValues.AddColor;
    s.ModColor = FValues.ModColor;
    s.DelColor = FValues.DelColor;
    s.FontName = FValues.FontName;
    s.FontSize = FValues.FontSize;
    s.ShowBlanks = FValues.ShowBlanks;
    s.Horizontal = HorzSplit();
    s.Folder1 = FValues.Folder1;
    s.Folder2 = FValues.Folder2;
    std::optional<TBounds> bounds;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        bounds = TBounds{x(), y(), width(), height()};
    const bool writeCodePage = CodePageInForce(s);
    TIniFile file(FOptions.SettingsPath);
    WriteSettings(file, s, bounds, writeCodePage);
    file.Save();
}

void TMainForm::ShowLibFrame() {
    // The source view's notices in the last panel (a binary file, say) belong to it alone.
    if (FClient->currentWidget() == FFilesFrame)
        SetPanelText(7, QString());
    FClient->setCurrentWidget(FLibFrame);
}

void TMainForm::SetViewChecks(TViewMode view) {
    FView = view;
    QAction* entry = view == TViewMode::Libs      ? FCommands.mnuLibs
                     : view == TViewMode::Objs    ? FCommands.mnuObjs
                     : view == TViewMode::AllObjs ? FCommands.mnuAllObjs
                                                  : FCommands.mnuFile;
    // The all-objects list has no tool button of its own: the object list's stands for it.
    QAction* button = view == TViewMode::Libs                                 ? FCommands.tbLibMode
                      : view == TViewMode::Objs || view == TViewMode::AllObjs ? FCommands.tbObjs
                                                                              : FCommands.tbFile;
    entry->setChecked(true);
    button->setChecked(true);
}

void TMainForm::ListViewSteps() {
    TSharedCommands& c = FCommands;
    c.mnuSave1->setEnabled(false);
    c.mnuSave2->setEnabled(false);
    c.mnuSearch->menuAction()->setEnabled(false);
    c.mnuSearch->setEnabled(false);
    c.tbSave1->setEnabled(c.mnuSave1->isEnabled());
    c.tbSave2->setEnabled(c.mnuSave1->isEnabled());
    c.tbHorzSplit->setEnabled(c.mnuSave1->isEnabled());
    c.tbNext->setEnabled(false);
    c.tbPrev->setEnabled(false);
    c.tbFindNext->setEnabled(c.mnuSearch->menuAction()->isEnabled());
    c.mnuActions->menuAction()->setEnabled(false);
    c.mnuActions->setEnabled(false);
}

void TMainForm::tbLibModeClick() {
    ShowLibFrame();
    FLibFrame->ShowLibsView();
    FLibFrame->LibsList()->setFocus();
    ListViewSteps();
    SetViewChecks(TViewMode::Libs);
}

void TMainForm::mnuObjsClick() {
    SetViewChecks(TViewMode::Objs);
    ShowLibFrame();
    FLibFrame->ShowObjsView();
    FLibFrame->ObjsList()->setFocus();
    ListViewSteps();
}

void TMainForm::mnuAllObjsClick() {
    SetViewChecks(TViewMode::AllObjs);
    ShowLibFrame();
    ListViewSteps();
    FLibFrame->ShowAllView();
    FLibFrame->AllList()->setFocus();
}

void TMainForm::tbFileClick() {
    FClient->setCurrentWidget(FFilesFrame);
    FFilesFrame->EnterView();
    SetViewChecks(TViewMode::Files);
}

void TMainForm::mnuShowDiffsOnlyClick() {
    if (FFilesFrame->Compared())
        FFilesFrame->BuildDisplay();
}

void TMainForm::mnuShowBlanksClick() {
    FValues.ShowBlanks = FCommands.mnuShowBlanks->isChecked();
    FFilesFrame->BlanksChanged();
}

void TMainForm::ChooseColor(TColor& color, const QString& title) {
    const std::optional<TColor> chosen = FColorChooser(color, title);
    if (!chosen)
        return;
    color = *chosen;
    FStatusBar->repaint();
    RepaintLists();
    FFilesFrame->ColorsChanged();
}

void TMainForm::RepaintLists() {
    for (QWidget* list : {FLibFrame->LibsList(), FLibFrame->ObjsList()}) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(list))
            area->viewport()->update();
        else
            list->update();
    }
}

void TMainForm::Added1Click() {
    ChooseColor(FValues.AddColor, FAdded1->text());
}

void TMainForm::Modified1Click() {
    ChooseColor(FValues.ModColor, FModified1->text());
}

void TMainForm::Deleted1Click() {
    ChooseColor(FValues.DelColor, FDeleted1->text());
}

void TMainForm::Contents1Click() {
    const QUrl document = FindHelpDocument(FOptions.ProgramPath);
    if (document.isEmpty()) {
        ShowMessage(this, QMessageBox::Information, AppTitle(),
                    QStringLiteral("找不到帮助文档: 程序旁既没有 %1.chm, 也没有程序手册。")
                        .arg(QFileInfo(FOptions.ProgramPath).completeBaseName()));
        return;
    }
    OpenOrTell(this, document, FUrlOpener);
}

void TMainForm::mnuAboutClick() {
    TAboutForm box(this, FindHelpDocument(FOptions.ProgramPath), FUrlOpener);
    box.exec();
}

void TMainForm::mnuExitClick() {
    close();
}

QAction* TMainForm::HighlightColorEntry(int which) const {
    return which == 0 ? FAdded1 : which == 1 ? FModified1 : FDeleted1;
}

void TMainForm::Bind(QAction* item, std::function<void()> handler) {
    FHandlers[item] = std::move(handler);
    if (FConnected.contains(item))
        return;
    FConnected.insert(item);
    connect(item, &QAction::triggered, this, [this, item] { RunBound(item); });
}

QAction* TMainForm::BindHere(QAction* item, void (TMainForm::*handler)()) {
    Bind(item, [this, handler] { (this->*handler)(); });
    return item;
}

void TMainForm::RunBound(QAction* item) {
    // A copy: the handler may bind this item anew while it runs.
    const std::function<void()> handler = FHandlers.value(item);
    if (handler)
        Guarded(handler);
}

void TMainForm::SetMenuHandler(QMenu* menu, std::function<void()> handler) {
    const bool first = !FMenuHandlers.contains(menu);
    FMenuHandlers[menu] = std::move(handler);
    if (first)
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { RunMenuHandler(menu); });
    FRouter->Refresh();
}

void TMainForm::RunMenuHandler(QMenu* menu) {
    const std::function<void()> handler = FMenuHandlers.value(menu);
    if (handler)
        Guarded(handler);
}

void TMainForm::Guarded(const std::function<void()>& handler) {
    RunGuarded(this, handler);
}

void TMainForm::ShowWarning(const QString& text) {
    ShowMessage(this, QMessageBox::Warning, AppTitle(), text);
}

void TMainForm::ShowCounts(const TCompareCounts& counts) {
    FStatusBar->SetPanelText(1, QString::number(counts.Added));
    FStatusBar->SetPanelText(3, QString::number(counts.Changed));
    FStatusBar->SetPanelText(5, QString::number(counts.Deleted));
    FStatusBar->SetPanelText(6,
                             QStringLiteral("左%1行:右%2行").arg(counts.Count1).arg(counts.Count2));
}

void TMainForm::SetPanelText(int panel, const QString& text) {
    FStatusBar->SetPanelText(panel, text);
}

bool TMainForm::IgnoreBlanks() const {
    return FCommands.mnuIgnoreBlanks->isChecked();
}

bool TMainForm::IgnoreCase() const {
    return FCommands.mnuIgnoreCase->isChecked();
}

bool TMainForm::ShowDiffsOnly() const {
    return FCommands.mnuShowDiffsOnly->isChecked();
}

bool TMainForm::HorzSplit() const {
    return FCommands.mnuHorzSplit->isChecked();
}

TSourceView& TMainForm::SourceView() {
    return *FFilesFrame;
}

void TMainForm::SetActivateHandler(std::function<void()> handler) {
    FActivateHandler = std::move(handler);
}

std::string TMainForm::ReadableTextPath(const std::string& path) {
    // git difftool names /dev/null for the missing side of an added or deleted file; the
    // source view reads regular files only, so an empty one stands in for it.
    if (path != "/dev/null")
        return path;
    if (!FScratch)
        FScratch = std::make_unique<QTemporaryDir>();
    const std::string empty = FileSystemPath(FScratch->filePath(QStringLiteral("empty")));
    WriteFileAtomic(empty, {});
    return empty;
}

void TMainForm::OpenLaunch(const TLaunch& launch) {
    switch (launch.Kind) {
    case TLaunchKind::Sides:
        Guarded([&] { FLibFrame->OpenSides(launch.Side1, launch.Side2); });
        break;
    case TLaunchKind::TextFiles:
        tbFileClick();
        Guarded([&] {
            FFilesFrame->OpenTextFiles(ReadableTextPath(launch.Side1.at(0)),
                                       ReadableTextPath(launch.Side2.at(0)));
        });
        break;
    default:
        break;
    }
}

} // namespace tandrel
