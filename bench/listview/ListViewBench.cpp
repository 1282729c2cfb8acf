// Speed of the library comparison frame, offscreen:
//   objects  the object list of a generated pair of 20,000-object libraries filled and
//            sorted by type (what a double-click on a library row does after pairing),
//            beside the baseline of copying every row out of the comparison model;
//   start    from creating the window to the library list of pfc105/PFC.pbw against
//            pfc2022/PFC.pbw painted, beside "tandrel-cli compare" of the same workspaces
//            run as a process. The workspaces name libraries the corpus lacks: the CLI
//            prints a notice for each, the window shows a message box. The window is timed
//            with the notices counted instead, and again with every box shown and answered
//            the moment it appears.
// Each figure is the best of several rounds.
//
//     bench_listview [--rounds N] [--cli PATH] [--realdata DIR]

#include "BenchCommon.h"
#include "LibCompare.h"
#include "LibView.h"
#include "MyListView.h"
#include "PblWriter.h"
#include "ResultListModel.h"
#include "TestShell.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tandrel;
using tandrel::bench::BestSeconds;
using tandrel::bench::ParseRealDataOptions;
using tandrel::bench::RunQuiet;

// Answers every message box the moment it is shown.
class TBoxAnswerer : public QObject {
public:
    int Answered = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                ++Answered;
                QTimer::singleShot(0, box, [box] { box->done(QMessageBox::Ok); });
            }
        return false;
    }
};

void WritePair(const fs::path& dir, int count) {
    const char letters[] = {'w', 'd', 'f', 'u', 'm', 's'};
    const char* extensions[] = {".srw", ".srd", ".srf", ".sru", ".srm", ".srs"};
    test::PblWriter side1(test::PblForm::Ansi), side2(test::PblForm::Ansi);
    for (int i = 0; i < count; ++i) {
        const int type = i % 6;
        char name[40];
        std::snprintf(name, sizeof name, "%c_object_%05d%s", letters[type], (i * 7919) % count,
                      extensions[type]);
        const std::string source =
            "forward\r\nend forward\r\n// object " + std::to_string(i) + "\r\n";
        const int32_t stamp = 1700000000 + i;
        if (i % 100 != 1) // every hundredth object exists on side 2 only
            side1.Add({name, source, "", stamp});
        if (i % 100 == 2) // ... or on side 1 only
            continue;
        // Every fiftieth object is newer on side 2, with one more line.
        if (i % 50 == 3)
            side2.Add({name, source + "return\r\n", "", stamp + 3600});
        else
            side2.Add({name, source, "", stamp});
    }
    side1.Build().WriteFile((dir / "one.pbl").string());
    side2.Build().WriteFile((dir / "two.pbl").string());
}

double RunCli(const std::string& cli, const std::string& ws1, const std::string& ws2) {
    const auto start = std::chrono::steady_clock::now();
    const int status = RunQuiet({cli, "compare", ws1, "--", ws2});
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // tandrel-cli compare exits 1 when the sets differ.
    if (status < 0 || status > 1)
        throw std::runtime_error("tandrel-cli compare failed");
    return took;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto [rounds, cli, realdata] =
        ParseRealDataOptions(argc, argv, TANDREL_CLI_PATH, TANDREL_REALDATA_DIR);
    const fs::path scratch =
        fs::temp_directory_path() / ("tandrel-bench-list-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    // ---- the object list of a 20,000-object library pair ----
    WritePair(scratch, 20000);
    {
        test::TTestShell shell;
        TLibFrame& frame = shell.CreateLibFrame(scratch.string() + "/");
        shell.show();
        shell.ShowObjsView();
        frame.OpenSingleLib((scratch / "one.pbl").string(), 1);
        frame.OpenSingleLib((scratch / "two.pbl").string(), 2);
        const TLibCompare& compare = frame.Comparison();
        const int rows = compare.ObjPairCount();
        const double copy = BestSeconds(rounds, [&] {
            TResultRow row;
            size_t bytes = 0;
            for (const int i : compare.ObjViewOrder()) {
                compare.ObjRow(i, row);
                bytes += row.Name.size() + row.Time1.size() + row.Size2.size();
            }
            if (bytes == 0)
                std::puts("");
        });
        const double fill = BestSeconds(rounds, [&] { frame.FillObjsView(); });
        TMyListView* view = frame.lvObjs();
        const double painted = BestSeconds(rounds, [&] {
            frame.FillObjsView();
            view->viewport()->repaint();
        });
        const double resort = BestSeconds(rounds, [&] { view->SortColumn(0); });
        std::printf("object list, %d rows (%d changed, %d added, %d deleted)\n", rows,
                    compare.ObjCounts().Changed, compare.ObjCounts().Added,
                    compare.ObjCounts().Deleted);
        std::printf("  copy rows out of the model (baseline) %8.1f ms\n", copy * 1e3);
        std::printf(
            "  fill + sort by type                   %8.1f ms  (%.2fx baseline; goal < 200 ms)\n",
            fill * 1e3, fill / copy);
        std::printf("  fill + sort + paint                   %8.1f ms\n", painted * 1e3);
        std::printf("  header click: sort by name            %8.1f ms\n", resort * 1e3);
    }

    // ---- start to the library list of the two class library versions ----
    const std::string ws1 = (realdata / "pfc105/PFC.pbw").string();
    const std::string ws2 = (realdata / "pfc2022/PFC.pbw").string();
    if (!fs::exists(ws1) || !fs::exists(ws2)) {
        std::printf("real data not present: start-to-list skipped\n");
    } else {
        TBoxAnswerer answerer;
        app.installEventFilter(&answerer);
        int rows = 0, notices = 0;
        double withBoxes = 1e30, counted = 1e30, process = 1e30;
        auto startToList = [&](bool boxes) {
            const auto start = std::chrono::steady_clock::now();
            test::TTestShell shell;
            TLibFrame& frame = shell.CreateLibFrame(scratch.string() + "/");
            if (!boxes)
                frame.Comparison().OnNotice = [&](const std::string&, const std::string&) {
                    ++notices;
                };
            shell.show();
            frame.OpenSides({ws1}, {ws2});
            frame.lvLibs()->viewport()->repaint();
            rows = frame.lvLibs()->model()->rowCount();
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        for (int r = 0; r < rounds; ++r) {
            process = std::min(process, RunCli(cli, ws1, ws2));
            withBoxes = std::min(withBoxes, startToList(true));
            counted = std::min(counted, startToList(false));
        }
        app.removeEventFilter(&answerer);
        std::printf("start to library list, pfc105/PFC.pbw against pfc2022/PFC.pbw (%d rows, "
                    "%d notices)\n",
                    rows, notices / rounds);
        std::printf("  tandrel-cli compare (baseline)        %8.1f ms\n", process * 1e3);
        std::printf("  window, frame, compare, list painted  %8.1f ms  (%.2fx baseline; goal < "
                    "1.5x)\n",
                    counted * 1e3, counted / process);
        std::printf("  the same, each notice a message box   %8.1f ms  (%.2fx baseline)\n",
                    withBoxes * 1e3, withBoxes / process);
    }
    fs::remove_all(scratch);
    return 0;
}
