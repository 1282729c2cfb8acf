// Speed of the source comparison view: two text files with 1% scattered edits opened and
// compared up to the first painted frame, beside "tandrel-cli diff" of the same files in
// the same run; page scrolling through the result, each step painted; the display of
// differences only and a side saved whole from it; the peak memory.
// Run "bench_view" (100,000 and 1,000,000 lines, each in a process of its own) or
// "bench_view LINES".

#include "BenchCommon.h"
#include "FileView.h"
#include "OverviewStrip.h"
#include "TCodeEdit.h"
#include "TestShell.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <QApplication>
#include <random>
#include <sys/resource.h>

namespace tandrel::bench {
namespace {

namespace fs = std::filesystem;

// A source-like text and a copy with 1% of its lines changed, deleted or inserted.
void WriteFiles(int lines, const std::string& path1, const std::string& path2) {
    std::mt19937 random(11);
    std::ofstream one(path1, std::ios::binary);
    std::ofstream two(path2, std::ios::binary);
    for (int i = 0; i < lines; ++i) {
        const std::string line = "    ls_name[" + std::to_string(i) +
                                 "] = of_get_value(li_row, \"col_" + std::to_string(i % 97) + "\")";
        one << line << "\r\n";
        switch (random() % 400) {
        case 0:
        case 1:
            two << line << " // changed\r\n";
            break;
        case 2:
            break;
        case 3:
            two << "    // inserted " << i << "\r\n" << line << "\r\n";
            break;
        default:
            two << line << "\r\n";
        }
    }
}

// CPU time of this thread: a step's own cost, whatever else the machine runs meanwhile.
double ThreadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Run(int lines) {
    const fs::path dir =
        fs::temp_directory_path() / ("tandrel-bench-view-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path1 = (dir / "one.srw").string();
    const std::string path2 = (dir / "two.srw").string();
    WriteFiles(lines, path1, path2);

    const std::string cli =
        std::string(TANDREL_CLI) + " diff " + path1 + " " + path2 + " >/dev/null";
    const double cliSeconds = BestSeconds(3, [&] {
        if (std::system(cli.c_str()) == -1)
            throw std::runtime_error("cannot run tandrel-cli");
    });

    test::TTestShell shell;
    TFilesFrame& frame = shell.CreateFilesFrame();
    shell.resize(1200, 800);
    shell.show();
    QApplication::processEvents();
    shell.ShowFilesView();
    const int rounds = lines > 200000 ? 1 : 3;
    const double openSeconds = BestSeconds(rounds, [&] {
        frame.OpenTextFiles(path1, path2);
        frame.repaint();
    });
    const long peak = PeakKilobytes();

    // Page by page through the result, each step painted before the next (the changed bytes
    // of modified rows worked out as they come into sight).
    TCodeEdit& left = frame.Pane(true);
    left.setFocus();
    struct TSweep {
        std::vector<double> Steps;
        std::vector<double> CpuSteps;
    };
    auto sweep = [&] {
        TSweep result;
        left.SetTopLine(0);
        auto timeStep = [&](const std::function<void()>& step) {
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = ThreadSeconds();
            step();
            frame.repaint();
            result.CpuSteps.push_back(ThreadSeconds() - cpuStart);
            result.Steps.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        };
        for (int step = 0;
             step < 400 && left.TopLine() + left.VisibleLines() < left.Lines().Count(); ++step)
            timeStep([&] { left.VScroll(TScrollCode::PageDown, 0); });
        // And jumps to the far end and back, as a drag of the scroll bar's thumb does.
        for (int top : {lines - 50, lines / 2, 0, lines - 50})
            timeStep([&] { left.SetTopLine(top); });
        std::sort(result.Steps.begin(), result.Steps.end());
        std::sort(result.CpuSteps.begin(), result.CpuSteps.end());
        return result;
    };
    const TSweep plain = sweep();
    left.SetShowBlanks(true);
    frame.Pane(false).SetShowBlanks(true);
    const TSweep blanks = sweep();
    left.SetShowBlanks(false);
    frame.Pane(false).SetShowBlanks(false);

    const std::int32_t rows = left.Lines().Count();
    // The differences only, then side 1 saved whole from them (the hidden lines put back).
    shell.Commands().mnuShowDiffsOnly->setChecked(true);
    const double filterSeconds = BestSeconds(rounds, [&] {
        frame.BuildDisplay();
        frame.repaint();
    });
    const std::string saved = (dir / "saved.srw").string();
    const double saveSeconds = BestSeconds(rounds, [&] { frame.WriteSource(true, saved); });
    if (fs::file_size(saved) != fs::file_size(path1))
        throw std::runtime_error("the side saved from the differences is not the side");

    std::printf("%d lines, %d rows, %d blocks\n", lines, rows, int(frame.Model().Blocks().size()));
    std::printf("  tandrel-cli diff (baseline)     %8.3f s\n", cliSeconds);
    std::printf("  open + compare + first paint    %8.3f s   %.2fx the baseline\n", openSeconds,
                openSeconds / cliSeconds);
    for (const auto& [name, run] :
         {std::pair{"changed bytes marked", &plain}, std::pair{"and blanks shown", &blanks}}) {
        std::printf("  scroll step, %-20s %6.2f ms / %.2f ms median / worst (%zu steps)\n", name,
                    run->Steps[run->Steps.size() / 2] * 1000, run->Steps.back() * 1000,
                    run->Steps.size());
        std::printf("    of it CPU time of the thread  %8.2f ms / %.2f ms\n",
                    run->CpuSteps[run->CpuSteps.size() / 2] * 1000, run->CpuSteps.back() * 1000);
    }
    std::printf("  differences only, rebuilt       %8.3f s   %.2fx the baseline\n", filterSeconds,
                filterSeconds / cliSeconds);
    std::printf("  side 1 saved from them          %8.3f s   %.2fx the baseline\n", saveSeconds,
                saveSeconds / cliSeconds);
    std::printf("  peak memory                     %8.1f MB\n", peak / 1024.0);
    fs::remove_all(dir);
    return 0;
}

} // namespace
} // namespace tandrel::bench

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1) {
        QApplication app(argc, argv);
        return tandrel::bench::Run(std::atoi(argv[1]));
    }
    // Each size in a process of its own, so that each peak is its own.
    for (const char* lines : {"100000", "1000000"}) {
        const std::string command = std::string(argv[0]) + " " + lines;
        if (std::system(command.c_str()) != 0)
            return 1;
    }
    return 0;
}
