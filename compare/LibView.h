#pragma once
// The library comparison frame: the library list and the object list of the current library
// pair, shown over the comparison model. The frame only shows and drives TLibCompare.

#include "ListImages.h"
#include "NoticesDialog.h"

#include <functional>
#include <memory>
#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QStackedWidget;
class QToolButton;

namespace tandrel {

class TAllObjects;
class TLibCompare;
class TMainShell;
class TMyListView;
class TProjectExpansion;
class TResultListModel;
class TResultRowDelegate;
struct TCompareOptions;
enum class TProgressKind;

class TLibFrame : public QWidget {
    Q_OBJECT
public:
    // `exeDir` is the folder of the history files; empty takes ResolveExeDir.
    TLibFrame(TMainShell& shell, QWidget* parent, std::string exeDir = {});
    ~TLibFrame() override;

    // Start-up and shutdown, called by the main window after and before its own.
    void InitLists();
    void FreeLists();

    // Bind the shared commands to this frame's handlers and show one of its two lists.
    void ShowLibsView();
    void ShowObjsView();
    // The third list: every object of side 1's libraries against every object of side 2's,
    // paired afresh each time it is shown, from the libraries as they are on disk.
    void ShowAllView();
    QWidget* LibsList();
    QWidget* ObjsList();
    QWidget* AllList();

    // The program's command line: libraries, targets or workspaces (by extension) on the
    // two sides, then compared.
    void OpenSides(const std::vector<std::string>& side1, const std::vector<std::string>& side2);

    // Refill a list from the paired lists.
    void FillLibsView();
    void FillObjsView();

    // The commands and handlers of the frame. The open commands take the side (1 or 2) their
    // sender stands for.
    void OpenLibsClick(int side);
    void OpenLibClick(int side);
    void AddLibraries(const std::vector<std::string>& chosen, int side);
    void OpenSingleLib(const std::string& path, int side);
    // Enter in a side's combo box: opens the path it holds, added to the side in the library
    // view (the kind by its extension), the side's library in the object view.
    void cbOpenReturn(int side);
    // Files dropped on a side's combo box: opened as Enter opens a path.
    void cbOpenDrop(const std::vector<std::string>& files, int side);
    void tbClear1Click();
    void tbClear2Click();
    void lvLibsDblClick(TMyListView* view);
    void lvLibsSelectItem(TMyListView* view, int row);
    void lvLibsResize(TMyListView* view);
    void OpenDialog1TypeChange(int filterIndex);
    // "导出比较报告...": asks for the file, then ExportCompareReport.
    void mnuExportReportClick();
    // The list shown as HTML, written to `path`: the all-objects rows while they are shown,
    // otherwise the whole comparison of the listed libraries.
    void ExportCompareReport(const std::string& path);
    // "导出源代码..." of the object list shown (the pair's, or all objects): asks for the
    // side, the objects and the folder, then ExportSources.
    void lvObjsExportClick();
    // Writes side `side`'s exported sources into `folder`: of the selected rows of the object
    // list shown, or with `changedOnly` of every object of that side that is not the same
    // (in the all-objects list, moved ones too). Returns the number of files written.
    int ExportSources(int side, bool changedOnly, const std::string& folder);
    void ToolBar1Resize();

    bool ObjsShown() const { return FObjsShown; }
    bool AllShown() const { return FAllShown; }
    TMyListView* lvAll() const { return FLvAll; }
    // The comparison shown; valid between construction and FreeLists.
    TLibCompare& Comparison() { return *FCompare; }
    TMyListView* lvLibs() const { return FLvLibs; }
    TMyListView* lvObjs() const { return FLvObjs; }
    QComboBox* cbOpen1() const { return FCbOpen1; }
    QComboBox* cbOpen2() const { return FCbOpen2; }
    QToolButton* tbClear1() const { return FTbClear1; }
    QToolButton* tbClear2() const { return FTbClear2; }
    QWidget* ToolBar1() const { return FToolBar1; }

    // The open dialog's filters, in the order of TFilterKind.
    static QStringList LibraryFilters();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TCompareOptions Options() const;
    bool Idle() const;
    void ClearSide(int side);
    // Adds files to a side, each read as the kind its extension names (`fallbackKind` when
    // it names none), remembers them in the side's history, and compares.
    void OpenFiles(const std::vector<std::string>& files, int fallbackKind, int side,
                   TProjectExpansion& expansion);
    void OpenFiles(const std::vector<std::string>& files, int fallbackKind, int side);
    void ReloadObjsView();
    void FillAllView();
    void AllDblClick(int row);
    // Leaving the all-objects list takes its move count off the status bar.
    void LeaveAllView();
    void BindOpenCommands(bool objectView);
    void HoldCommands(bool held);
    void ShowProgress(TProgressKind kind, int position, int maximum, const std::string& text);
    void ShowNotice(const std::string& text, const std::string& caption);
    // Runs one command; the notices it raises are shown together when it ends, also when it
    // fails (before the failure's own message).
    void CollectNotices(const std::function<void()>& command);
    void ShowCollectedNotices();
    void LoadHistoryLists();
    void FitColumns();
    void InitExportCommands();
    // The rows of the object list shown.
    int ObjectRowCount() const;
    void UpdateExportReport();
    void SetComboPath(QComboBox* combo, const std::string& path);

    TMainShell& FShell;
    std::string FExeDir;
    std::unique_ptr<TLibCompare> FCompare;
    TImageList FRowImages;
    TImageList FSortMarks;
    bool FObjsShown = false;
    bool FAllShown = false;
    std::unique_ptr<TAllObjects> FAll;
    bool FFitPending = false;
    bool FHeld = false;
    std::chrono::steady_clock::time_point FLastProgressPaint;
    std::vector<std::pair<QObject*, bool>> FHeldStates;
    std::vector<TNotice> FNotices;
    int FCommandDepth = 0;

    QWidget* FToolBar1 = nullptr;
    QComboBox* FCbOpen1 = nullptr;
    QComboBox* FCbOpen2 = nullptr;
    QToolButton* FTbClear1 = nullptr;
    QToolButton* FTbClear2 = nullptr;
    QStackedWidget* FLists = nullptr;
    TMyListView* FLvLibs = nullptr;
    TMyListView* FLvObjs = nullptr;
    TMyListView* FLvAll = nullptr;
    TResultListModel* FLibsModel = nullptr;
    TResultListModel* FObjsModel = nullptr;
    TResultListModel* FAllModel = nullptr;
    TResultRowDelegate* FDelegate = nullptr;
};

} // namespace tandrel
