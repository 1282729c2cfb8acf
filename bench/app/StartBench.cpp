// Start-up benchmark. The measured run is a process that starts the application, builds the
// main window, opens the two workspaces on the command line's path, compares them and paints
// the window with its library list; the baseline is a tandrel-cli process comparing the same
// two sets. Both include process start and library loading.
//   bench_start [ROUNDS]

#include "BenchCommon.h"
#include "CommandLine.h"
#include "Main.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <string>
#include <vector>

namespace {

// The window run: what `tandrel SIDE1 SIDE2` does up to the first full paint.
// With TANDREL_BENCH_PHASES set, the window run tells where its time goes.
void Phase(const char* name) {
    static const auto start = std::chrono::steady_clock::now();
    if (std::getenv("TANDREL_BENCH_PHASES") != nullptr)
        std::fprintf(
            stderr, "%-24s %7.1f ms\n", name,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
}

int RunWindow(int argc, char** argv) {
    Phase("process started");
    QApplication app(argc, argv);
    Phase("application");
    QTemporaryDir settings;
    tandrel::TMainForm form({settings.filePath(QStringLiteral("tandrel.ini")).toStdString(),
                             QStringLiteral("/nowhere/tandrel")});
    Phase("main window");
    form.show();
    Phase("shown");
    // The workspaces name libraries that are not there; each notice box is answered at once,
    // as a user would, only faster.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            box->accept();
    });
    answer.start(0);
    form.OpenLaunch(tandrel::ParseCommandLine({argv[2], argv[3]}));
    // Painting into a pixmap paints every visible widget, the filled list included.
    Phase("compared");
    const QPixmap shot = form.grab();
    Phase("painted");
    return shot.isNull() ? 1 : 0;
}

// The window run's phases go to its error output, which is kept.
void RunProcess(const std::vector<std::string>& args) {
    const int status = tandrel::bench::RunQuiet(args, {}, true);
    // tandrel-cli compare exits 1 when the sets differ.
    if (status < 0 || status > 1)
        throw std::runtime_error(args[0] + " failed");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--window")
        return RunWindow(argc, argv);

    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::filesystem::path data = TANDREL_REALDATA_DIR;
    const std::string side1 = (data / "pfc105/PFC.pbw").string();
    const std::string side2 = (data / "pfc2022/PFC.pbw").string();
    if (!std::filesystem::exists(side1) || !std::filesystem::exists(side2)) {
        std::printf("bench_start: %s or %s is missing; nothing measured\n", side1.c_str(),
                    side2.c_str());
        return 0;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

    const double cli = tandrel::bench::BestSeconds(rounds, [&] {
        RunProcess({TANDREL_CLI_PATH, "compare", side1, "--", side2});
    });
    const double window = tandrel::bench::BestSeconds(rounds, [&] {
        RunProcess({self, "--window", side1, side2});
    });
    std::printf("pfc105/PFC.pbw against pfc2022/PFC.pbw, best of %d\n", rounds);
    std::printf("  tandrel-cli compare (baseline)      %8.1f ms\n", cli * 1e3);
    std::printf(
        "  start to painted library list       %8.1f ms   %.2fx the baseline (goal < 1.5x)\n",
        window * 1e3, window / cli);
    return 0;
}
