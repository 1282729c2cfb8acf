#include "LibView.h"

#include "AllObjects.h"
#include "DisplayText.h"
#include "ExeDir.h"
#include "LibCompare.h"
#include "MainShell.h"
#include "MyListView.h"
#include "NormalPath.h"
#include "OpenDialog.h"
#include "PathText.h"
#include "ResultListModel.h"
#include "ResultRowDelegate.h"

#include <chrono>
#include <filesystem>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tandrel {

namespace {

constexpr int kToolBarHeight = 29;

QString DisplayPath(const std::string& path) {
    return QString::fromUtf8(PathToUtf8Text(path));
}

// The local files a drag carries, as file-system paths.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (data == nullptr)
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(FileSystemPath(url.toLocalFile()));
    return files;
}

// The kind of file a path names: a folder of sources is a library, a file is told by its
// extension; `fallback` for any other extension.
int KindOfPath(const std::string& path, int fallback) {
    if (IsSourceFolder(path))
        return fkLibraries;
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == "pbl"   ? fkLibraries
           : ext == "pbt" ? fkTarget
           : ext == "pbw" ? fkWorkspace
                          : fallback;
}

// The diff engine asks at every search step; the window gets a turn a few dozen times a
// second, which keeps it responsive without slowing the comparison.
std::function<void()> WindowTurns() {
    return [last = std::chrono::steady_clock::time_point()]() mutable {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(30))
            return;
        last = now;
        QCoreApplication::processEvents();
    };
}

} // namespace

TLibFrame::TLibFrame(TMainShell& shell, QWidget* parent, std::string exeDir)
    : QWidget(parent), FShell(shell), FExeDir(exeDir.empty() ? ResolveExeDir() : std::move(exeDir)),
      FCompare(std::make_unique<TLibCompare>(FExeDir)), FRowImages(RowImages()),
      FSortMarks(SortMarkImages()) {
    QFont frameFont(QStringLiteral("宋体"));
    frameFont.setPixelSize(12);
    setFont(frameFont);

    FToolBar1 = new QWidget(this);
    FToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    FToolBar1->setFixedHeight(kToolBarHeight);
    FCbOpen1 = new QComboBox(FToolBar1);
    FCbOpen2 = new QComboBox(FToolBar1);
    for (QComboBox* combo : {FCbOpen1, FCbOpen2}) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(8);
    }
    FCbOpen1->setObjectName(QStringLiteral("cbOpen1"));
    FCbOpen2->setObjectName(QStringLiteral("cbOpen2"));
    // Enter opens what the box holds, and so does a file dropped on it; picking from the
    // list only changes the text.
    for (QComboBox* combo : {FCbOpen1, FCbOpen2})
        combo->lineEdit()->installEventFilter(this);
    for (int side = 1; side <= 2; ++side)
        connect((side == 1 ? FCbOpen1 : FCbOpen2)->lineEdit(), &QLineEdit::returnPressed, this,
                [this, side] { FShell.Guarded([this, side] { cbOpenReturn(side); }); });
    FTbClear1 = new QToolButton(FToolBar1);
    FTbClear2 = new QToolButton(FToolBar1);
    FTbClear1->setObjectName(QStringLiteral("tbClear1"));
    FTbClear2->setObjectName(QStringLiteral("tbClear2"));
    FTbClear1->setToolTip(QStringLiteral("Clear 1"));
    FTbClear2->setToolTip(QStringLiteral("Clear 2"));
    for (QToolButton* button : {FTbClear1, FTbClear2}) {
        button->setIcon(ClearListIcon());
        button->setAutoRaise(true);
        button->setFixedSize(24, 24);
    }
    connect(FTbClear1, &QToolButton::clicked, this,
            [this] { FShell.Guarded([this] { tbClear1Click(); }); });
    connect(FTbClear2, &QToolButton::clicked, this,
            [this] { FShell.Guarded([this] { tbClear2Click(); }); });
    FToolBar1->installEventFilter(this);

    FLists = new QStackedWidget(this);
    FLvLibs = new TMyListView(FLists);
    FLvObjs = new TMyListView(FLists);
    FLvAll = new TMyListView(FLists);
    FLvLibs->setObjectName(QStringLiteral("lvLibs"));
    FLvObjs->setObjectName(QStringLiteral("lvObjs"));
    FLvAll->setObjectName(QStringLiteral("lvAll"));
    FLibsModel = new TResultListModel(TListKind::Libraries, this);
    FObjsModel = new TResultListModel(TListKind::Objects, this);
    FAllModel = new TResultListModel(TListKind::AllObjects, this);
    FDelegate = new TResultRowDelegate(
        FRowImages,
        [this](int status) -> TColor {
            const TProgramValues& values = FShell.Values();
            switch (status) {
            case csChanged:
                return values.ModColor;
            case csDeleted:
                return values.DelColor;
            case csAdded:
                return values.AddColor;
            case kMovedStatus:
                return MovedColor;
            default:
                return RgbColor(0xFF, 0xFF, 0xFF);
            }
        },
        this);
    FLvLibs->SetResultModel(FLibsModel);
    FLvObjs->SetResultModel(FObjsModel);
    FLvAll->SetResultModel(FAllModel);
    // The object lists lie on the tool-tip background, the library list on the window's.
    QPalette objsPalette = FLvObjs->palette();
    objsPalette.setColor(QPalette::Base, objsPalette.color(QPalette::ToolTipBase));
    FLvObjs->setPalette(objsPalette);
    FLvAll->setPalette(objsPalette);
    for (TMyListView* view : {FLvLibs, FLvObjs, FLvAll}) {
        view->setItemDelegate(FDelegate);
        FLists->addWidget(view);
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this, view] { FShell.Guarded([this, view] { lvLibsDblClick(view); }); });
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, view](const QItemSelection& selected, const QItemSelection& deselected) {
                    const QItemSelection& changed = selected.isEmpty() ? deselected : selected;
                    if (!changed.isEmpty())
                        lvLibsSelectItem(view, changed.indexes().constFirst().row());
                });
    }
    FLists->setCurrentWidget(FLvLibs);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FToolBar1);
    layout->addWidget(FLists, 1);

    FCompare->OnNotice = [this](const std::string& text, const std::string& caption) {
        ShowNotice(text, caption);
    };
    FCompare->OnProgress = [this](TProgressKind kind, int position, int maximum,
                                  const std::string& text) {
        ShowProgress(kind, position, maximum, text);
    };
    FCompare->SetProcessEvents(WindowTurns());
}

TLibFrame::~TLibFrame() = default;

QStringList TLibFrame::LibraryFilters() {
    return {QStringLiteral("PowerBuilder Library Files(*.pbl)"),
            QStringLiteral("PowerBuilder Target(*.pbt)"),
            QStringLiteral("PowerBuilder WorkSpace(*.pbw)")};
}

TCompareOptions TLibFrame::Options() const {
    TCompareOptions options;
    options.IgnoreCase = FShell.IgnoreCase();
    options.IgnoreBlanks = FShell.IgnoreBlanks();
    return options;
}

bool TLibFrame::Idle() const {
    return FCompare && !FCompare->Busy();
}

// ---- start-up and shutdown ----

void TLibFrame::InitLists() {
    FLvLibs->SetHeaderImages(&FSortMarks);
    FLvObjs->SetHeaderImages(&FSortMarks);
    FLvAll->SetHeaderImages(&FSortMarks);
    FLvLibs->SortColumn(0);
    FLibsModel->Fill(*FCompare);
    FCompare->SetFilterKind(fkLibraries);
    FShell.Guarded([this] { FCompare->LoadHistory(); });
    LoadHistoryLists();
    InitExportCommands();
    FFitPending = true;
    if (isVisible())
        FitColumns();
}

void TLibFrame::FreeLists() {
    FLibsModel->Clear();
    FObjsModel->Clear();
    FAllModel->Clear();
    FAll.reset();
    FCompare.reset();
}

void TLibFrame::LoadHistoryLists() {
    for (int side = 1; side <= 2; ++side) {
        QComboBox* combo = side == 1 ? FCbOpen1 : FCbOpen2;
        const QString text = combo->currentText();
        combo->clear();
        for (const std::string& path : FCompare->History(side))
            combo->addItem(DisplayPath(path), QByteArray::fromStdString(path));
        combo->setEditText(text);
    }
}

void TLibFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FFitPending)
        FitColumns();
}

void TLibFrame::FitColumns() {
    FFitPending = false;
    lvLibsResize(FLvLibs);
    lvLibsResize(FLvObjs);
    lvLibsResize(FLvAll);
}

void TLibFrame::lvLibsResize(TMyListView* view) {
    // Both lists fill the same place; the one behind has not been laid out yet.
    const auto* front = static_cast<TMyListView*>(FLists->currentWidget());
    // The lists are fitted while still empty; the room of the vertical scroll bar a longer
    // list brings is kept free, or the last columns would be pushed out of sight.
    const QScrollBar* bar = front->verticalScrollBar();
    const int client =
        front->viewport()->width() -
        (bar->isVisible() ? 0
                          : front->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar));
    const std::vector<TColumnInfo>& columns = ColumnInfos(view->ResultModel()->Kind());
    int total = 0;
    for (const TColumnInfo& column : columns)
        total += column.Width;
    if (total <= 0 || client <= 0)
        return;
    // Rounding each width may add up to a few pixels more than the view holds; the last
    // column gives them back, so no scroll bar appears for them.
    int used = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
        int width =
            static_cast<int>((static_cast<int64_t>(columns[c].Width) * client + total / 2) / total);
        if (c + 1 == columns.size())
            width = std::min(width, client - used);
        view->header()->resizeSection(static_cast<int>(c), width);
        used += width;
    }
}

// ---- the two views ----

void TLibFrame::BindOpenCommands(bool objectView) {
    TSharedCommands& commands = FShell.Commands();
    const QString caption1 =
        objectView ? QStringLiteral("打开一个PB库文件 1") : QStringLiteral("打开PB库文件 1");
    const QString caption2 =
        objectView ? QStringLiteral("打开一个PB库文件 2") : QStringLiteral("打开PB库文件 2");
    const struct {
        QAction* Item;
        int Side;
        const QString& Caption;
        bool Menu;
    } items[] = {{commands.mnuOpen1, 1, caption1, true},
                 {commands.mnuOpen2, 2, caption2, true},
                 {commands.tbOpen1, 1, caption1, false},
                 {commands.tbOpen2, 2, caption2, false}};
    for (const auto& item : items) {
        if (item.Item == nullptr)
            continue;
        const int side = item.Side;
        if (objectView)
            FShell.Bind(item.Item, [this, side] { OpenLibClick(side); });
        else
            FShell.Bind(item.Item, [this, side] { OpenLibsClick(side); });
        if (item.Menu)
            item.Item->setText(item.Caption);
        item.Item->setToolTip(item.Caption);
        item.Item->setEnabled(!FHeld);
    }
}

void TLibFrame::ShowLibsView() {
    LeaveAllView();
    BindOpenCommands(false);
    FLists->setCurrentWidget(FLvLibs);
    FObjsShown = false;
    if (FCompare)
        FShell.ShowCounts(FCompare->LibCounts());
}

void TLibFrame::ShowObjsView() {
    LeaveAllView();
    BindOpenCommands(true);
    FLists->setCurrentWidget(FLvObjs);
    FObjsShown = true;
    if (!FCompare)
        return;
    SetComboPath(FCbOpen1, FCompare->LibPath1());
    SetComboPath(FCbOpen2, FCompare->LibPath2());
    FShell.ShowCounts(FCompare->ObjCounts());
}

void TLibFrame::LeaveAllView() {
    if (FAllShown)
        FShell.SetPanelText(7, QString());
    FAllShown = false;
}

void TLibFrame::ShowAllView() {
    BindOpenCommands(false);
    FLists->setCurrentWidget(FLvAll);
    FObjsShown = false;
    FAllShown = true;
    if (!Idle())
        return;
    if (!FAll) {
        FAll = std::make_unique<TAllObjects>();
        FAll->SetProcessEvents(WindowTurns());
    }
    struct TRefill {
        TLibFrame& Frame;
        ~TRefill() { Frame.FillAllView(); }
    } refill{*this};
    FAll->Build(*FCompare, Options());
}

void TLibFrame::FillAllView() {
    FAllModel->Fill(*FAll);
    FLvAll->SetSortTag(8, 0);
    FLvAll->SortColumn(8);
    FShell.ShowCounts(FAll->Counts());
    FShell.SetPanelText(7, QStringLiteral("移动%1").arg(FAll->Moved()));
}

QWidget* TLibFrame::AllList() {
    return FLvAll;
}

QWidget* TLibFrame::LibsList() {
    return FLvLibs;
}

QWidget* TLibFrame::ObjsList() {
    return FLvObjs;
}

void TLibFrame::FillLibsView() {
    FLibsModel->Fill(*FCompare);
    FLvLibs->ReapplySort();
    FObjsShown = false;
    FShell.ShowCounts(FCompare->LibCounts());
    UpdateExportReport();
}

void TLibFrame::FillObjsView() {
    FObjsModel->Fill(*FCompare);
    FLvObjs->SetSortTag(6, 0);
    FLvObjs->SortColumn(6);
    FLists->setCurrentWidget(FLvObjs);
    FObjsShown = true;
    FShell.ShowCounts(FCompare->ObjCounts());
}

void TLibFrame::SetComboPath(QComboBox* combo, const std::string& path) {
    combo->setEditText(DisplayPath(path));
}

// ---- selection and double-click ----

void TLibFrame::lvLibsSelectItem(TMyListView* view, int row) {
    if (FObjsShown || !FCompare || view != FLvLibs)
        return;
    TResultRow result;
    if (!FCompare->LibRow(FLibsModel->PairIndex(row), result))
        return;
    SetComboPath(FCbOpen1, result.Path1);
    SetComboPath(FCbOpen2, result.Path2);
}

void TLibFrame::lvLibsDblClick(TMyListView* view) {
    CollectNotices([&] {
        if (!Idle())
            return;
        const std::vector<int> rows = view->SelectedRows();
        if (rows.empty())
            return;
        if (view == FLvAll) {
            AllDblClick(rows.front());
            return;
        }
        const int index = view->ResultModel()->PairIndex(rows.front());
        if (!FObjsShown) {
            if (!FCompare->OpenLibPair(index, Options()))
                return;
            FLvObjs->clearSelection();
            FillObjsView();
            FShell.ShowObjsView();
            return;
        }
        if (index < 0 || index >= FCompare->ObjPairCount())
            return;
        const std::string name = FObjsModel->Text(rows.front(), 0).toStdString();
        try {
            FCompare->CheckLibPairOnDisk();
            FShell.ShowFilesView();
            TSourceView& source = FShell.SourceView();
            for (int side = 1; side <= 2; ++side) {
                std::vector<std::string> lines;
                if (!FCompare->ObjSource(index, side, lines))
                    throw std::runtime_error("The object list has changed; open the object again");
                const std::string& path = side == 1 ? FCompare->LibPath1() : FCompare->LibPath2();
                source.LoadSource(name + "@" + PathToUtf8Text(path), lines, side == 1);
            }
            source.Compare();
        } catch (const TLibraryChanged& changed) {
            // Told before the new listing, which may have notices of its own (damage).
            ShowNotice(
                PathToCodePage(std::string(changed.what()) + "; its objects are listed again"),
                "information");
            ReloadObjsView();
        }
    });
}

void TLibFrame::AllDblClick(int row) {
    const int index = FAllModel->PairIndex(row);
    if (!FAll || index < 0 || index >= FAll->RowCount())
        return;
    const std::string name = FAllModel->Text(row, 0).toStdString();
    // Both halves are read before the source view changes, so a library changed on disk
    // leaves it as it was.
    std::vector<std::string> lines[2];
    try {
        for (int side = 1; side <= 2; ++side)
            FAll->Source(index, side, lines[side - 1]);
    } catch (const TLibraryChanged& changed) {
        ShowNotice(PathToCodePage(std::string(changed.what()) + "; its objects are listed again"),
                   "information");
        ShowAllView();
        return;
    }
    // The move count belongs to the list, not to the source view.
    FShell.SetPanelText(7, QString());
    FShell.ShowFilesView();
    TSourceView& source = FShell.SourceView();
    for (int side = 1; side <= 2; ++side)
        source.LoadSource(name + "@" + PathToUtf8Text(FAll->LibPath(index, side)), lines[side - 1],
                          side == 1);
    source.Compare();
}

// The object list of the current pair, listed again from the files as they are now.
void TLibFrame::ReloadObjsView() {
    struct TRefill {
        TLibFrame& Frame;
        ~TRefill() {
            Frame.FLvObjs->clearSelection();
            Frame.FillObjsView();
            Frame.FShell.ShowObjsView();
        }
    } refill{*this};
    FCompare->ReloadLibPair(Options());
}

// ---- opening libraries ----

void TLibFrame::OpenDialog1TypeChange(int filterIndex) {
    if (FCompare && filterIndex >= 0 && filterIndex < 3)
        FCompare->SetFilterKind(filterIndex + 1);
}

void TLibFrame::OpenLibsClick(int side) {
    if (!Idle())
        return;
    std::string& folder = side == 1 ? FShell.Values().Folder1 : FShell.Values().Folder2;
    TOpenDialog dialog(FShell.Window());
    dialog.setDirectory(DisplayPath(folder));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(LibraryFilters());
    dialog.selectNameFilter(LibraryFilters().value(FCompare->FilterKind() - 1));
    connect(&dialog, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        OpenDialog1TypeChange(LibraryFilters().indexOf(filter));
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    OpenDialog1TypeChange(LibraryFilters().indexOf(dialog.selectedNameFilter()));
    AddLibraries(dialog.ChosenPaths(), side);
}

void TLibFrame::AddLibraries(const std::vector<std::string>& chosen, int side) {
    CollectNotices([&] {
        if (!Idle() || chosen.empty())
            return;
        // A file is read as the kind its extension names, whatever filter the dialog showed
        // (a library chosen under the workspace filter is a library); only a file without
        // such an extension is read as the filter's kind.
        const int filter = FCompare->FilterKind();
        if (KindOfPath(chosen.front(), filter) == fkLibraries)
            OpenFiles(chosen, filter, side);
        else
            OpenFiles({chosen.front()}, filter, side);
    });
}

void TLibFrame::cbOpenReturn(int side) {
    if (!Idle())
        return;
    QComboBox* combo = side == 1 ? FCbOpen1 : FCbOpen2;
    const QString text = combo->currentText().trimmed();
    if (text.isEmpty())
        return;
    // A history entry keeps the path's own bytes, which its shown text may not spell.
    const int item = combo->findText(text, Qt::MatchExactly);
    const std::string path =
        item >= 0 ? combo->itemData(item).toByteArray().toStdString() : text.toStdString();
    if (FObjsShown)
        OpenSingleLib(path, side);
    else
        CollectNotices([&] { OpenFiles({path}, fkLibraries, side); });
}

void TLibFrame::OpenLibClick(int side) {
    if (!Idle())
        return;
    const std::string& folder = side == 1 ? FShell.Values().Folder1 : FShell.Values().Folder2;
    TOpenDialog dialog(FShell.Window());
    dialog.setDirectory(DisplayPath(folder));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({LibraryFilters().front()});
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenPaths().empty())
        return;
    OpenSingleLib(dialog.ChosenPaths().front(), side);
}

void TLibFrame::OpenSingleLib(const std::string& path, int side) {
    CollectNotices([&] {
        if (!Idle())
            return;
        struct TRefill {
            TLibFrame& Frame;
            int Side;
            ~TRefill() {
                // A history file that cannot be written fails after the lists changed.
                Frame.LoadHistoryLists();
                Frame.FLvObjs->clearSelection();
                Frame.FillObjsView();
                Frame.SetComboPath(Frame.FCbOpen1, Frame.FCompare->LibPath1());
                Frame.SetComboPath(Frame.FCbOpen2, Frame.FCompare->LibPath2());
            }
        } refill{*this, side};
        FCompare->OpenSingleLib(NormalPath(path), side, Options());
    });
}

void TLibFrame::tbClear1Click() {
    ClearSide(1);
}

void TLibFrame::tbClear2Click() {
    ClearSide(2);
}

void TLibFrame::ClearSide(int side) {
    CollectNotices([&] {
        if (FObjsShown || FAllShown || !Idle())
            return;
        struct TRefill {
            TLibFrame& Frame;
            ~TRefill() { Frame.FillLibsView(); }
        } refill{*this};
        (side == 1 ? FCbOpen1 : FCbOpen2)->setEditText(QString());
        FCompare->ClearSide(side, Options());
    });
}

void TLibFrame::OpenSides(const std::vector<std::string>& side1,
                          const std::vector<std::string>& side2) {
    CollectNotices([&] {
        if (!Idle())
            return;
        // One command: the bounds of the expansion hold for both sides together.
        TProjectExpansion expansion;
        if (!side1.empty())
            OpenFiles(side1, fkLibraries, 1, expansion);
        if (!side2.empty())
            OpenFiles(side2, fkLibraries, 2, expansion);
    });
}

void TLibFrame::OpenFiles(const std::vector<std::string>& files, int fallbackKind, int side) {
    TProjectExpansion expansion;
    OpenFiles(files, fallbackKind, side, expansion);
}

void TLibFrame::OpenFiles(const std::vector<std::string>& files, int fallbackKind, int side,
                          TProjectExpansion& expansion) {
    std::vector<std::string> named;
    std::vector<std::string> paths;
    for (const std::string& file : files) {
        // Relative to the folder the program was started in, which may change later. A
        // folder's closing slash would leave it without a name.
        std::string normal = NormalPath(file);
        while (normal.size() > 1 && normal.back() == '/')
            normal.pop_back();
        named.push_back(normal);
        for (const std::string& lib : TLibCompare::ExpandChosen(
                 {named.back()}, KindOfPath(named.back(), fallbackKind), expansion))
            paths.push_back(NormalPath(lib));
    }
    std::string& folder = side == 1 ? FShell.Values().Folder1 : FShell.Values().Folder2;
    folder = FolderOfPath(named.front());
    struct TRefill {
        TLibFrame& Frame;
        ~TRefill() {
            // The lists may have changed even when the comparison failed.
            Frame.FillLibsView();
            Frame.LoadHistoryLists();
        }
    } refill{*this};
    SetComboPath(side == 1 ? FCbOpen1 : FCbOpen2, named.front());
    // The side opened the files and source folders that exist even when comparing them fails.
    std::erase_if(named, [](const std::string& file) {
        std::error_code error;
        return !std::filesystem::is_regular_file(file, error) && !IsSourceFolder(file);
    });
    try {
        FCompare->AddLibraryPaths(paths, folder, side, Options(), expansion.Lookup);
    } catch (...) {
        FCompare->RememberOpened(named, side);
        throw;
    }
    FCompare->RememberOpened(named, side);
}

// ---- progress and notices ----

void TLibFrame::ShowProgress(TProgressKind kind, int position, int maximum,
                             const std::string& text) {
    QProgressBar* bar = FShell.ProgressBar();
    switch (kind) {
    case TProgressKind::Start:
        HoldCommands(true);
        FLastProgressPaint = {};
        if (bar) {
            bar->setRange(0, maximum);
            bar->setValue(0);
            bar->show();
        }
        break;
    case TProgressKind::Step:
        FShell.SetPanelText(7, QString::fromLatin1(text));
        if (bar) {
            bar->setValue(position);
            // The walk gives the event loop no turn of its own, so the bar is painted here;
            // a few dozen times a second is as often as anyone can read it.
            const auto now = std::chrono::steady_clock::now();
            if (now - FLastProgressPaint >= std::chrono::milliseconds(25)) {
                FLastProgressPaint = now;
                if (QWidget* statusBar = bar->parentWidget())
                    statusBar->repaint();
                else
                    bar->repaint();
            }
        }
        break;
    case TProgressKind::Finish:
        FShell.SetPanelText(7, QString());
        if (bar)
            bar->hide();
        HoldCommands(false);
        break;
    }
}

// While a comparison runs the diff engine lets events through; the commands that would
// change the lists are disabled until it ends (their handlers also ignore calls meanwhile).
void TLibFrame::HoldCommands(bool held) {
    if (held == FHeld)
        return;
    FHeld = held;
    // The report's entry follows the lists rather than its state before the hold.
    UpdateExportReport();
    if (held) {
        TSharedCommands& commands = FShell.Commands();
        FHeldStates.clear();
        for (QAction* action :
             {commands.mnuOpen1, commands.mnuOpen2, commands.tbOpen1, commands.tbOpen2}) {
            if (action) {
                FHeldStates.emplace_back(action, action->isEnabled());
                action->setEnabled(false);
            }
        }
        for (QWidget* widget :
             {static_cast<QWidget*>(FTbClear1), static_cast<QWidget*>(FTbClear2)}) {
            FHeldStates.emplace_back(widget, widget->isEnabled());
            widget->setEnabled(false);
        }
        return;
    }
    for (const auto& [object, enabled] : FHeldStates) {
        if (auto* action = qobject_cast<QAction*>(object))
            action->setEnabled(enabled);
        else if (auto* widget = qobject_cast<QWidget*>(object))
            widget->setEnabled(enabled);
    }
    FHeldStates.clear();
}

void TLibFrame::ShowNotice(const std::string& text, const std::string& caption) {
    FNotices.push_back({text, caption});
    if (FCommandDepth == 0)
        ShowCollectedNotices();
}

void TLibFrame::CollectNotices(const std::function<void()>& command) {
    ++FCommandDepth;
    try {
        command();
    } catch (...) {
        --FCommandDepth;
        ShowCollectedNotices();
        throw;
    }
    --FCommandDepth;
    ShowCollectedNotices();
}

void TLibFrame::ShowCollectedNotices() {
    if (FCommandDepth > 0 || FNotices.empty())
        return;
    TNoticesDialog dialog(std::exchange(FNotices, {}), FShell.Window());
    dialog.exec();
}

// ---- tool bar ----

bool TLibFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FToolBar1 && event->type() == QEvent::Resize)
        ToolBar1Resize();
    const int side = watched == FCbOpen1->lineEdit() ? 1 : watched == FCbOpen2->lineEdit() ? 2 : 0;
    if (side != 0 && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!DroppedFiles(drag->mimeData()).empty()) {
            drag->acceptProposedAction();
            return true;
        }
    }
    if (side != 0 && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::vector<std::string> files = DroppedFiles(drop->mimeData());
        if (!files.empty()) {
            drop->acceptProposedAction();
            FShell.Guarded([&] { cbOpenDrop(files, side); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TLibFrame::cbOpenDrop(const std::vector<std::string>& files, int side) {
    if (!Idle() || files.empty())
        return;
    if (FObjsShown)
        OpenSingleLib(files.front(), side);
    else
        CollectNotices([&] { OpenFiles(files, fkLibraries, side); });
}

void TLibFrame::ToolBar1Resize() {
    const int clearWidth = FTbClear1->width();
    const int comboWidth = std::max(0, FToolBar1->width() / 2 - clearWidth);
    const int height = FToolBar1->height();
    const int comboHeight = std::min(height - 2, FCbOpen1->sizeHint().height());
    const int comboTop = (height - comboHeight) / 2;
    const int clearTop = (height - FTbClear1->height()) / 2;
    int x = 0;
    FCbOpen1->setGeometry(x, comboTop, comboWidth, comboHeight);
    x += comboWidth;
    FTbClear1->move(x, clearTop);
    x += clearWidth;
    FCbOpen2->setGeometry(x, comboTop, comboWidth, comboHeight);
    x += comboWidth;
    FTbClear2->move(x, clearTop);
}

} // namespace tandrel
