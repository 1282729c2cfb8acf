// The program's entry: the command line, the application and its main window.

#include "Main.h"

#include "CommandGuard.h"
#include "CommandLine.h"
#include "ExeDir.h"
#include "Fonts.h"
#include "Help.h"
#include "Icons.h"

#include <iostream>
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

int main(int argc, char** argv) {
    using namespace tandrel;
    TLaunch launch = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    MakePathsAbsolute(launch);
    switch (launch.Kind) {
    case TLaunchKind::Help:
        std::cout << UsageText();
        return 0;
    case TLaunchKind::Version:
        std::cout << "tandrel " TANDREL_VERSION "\n";
        return 0;
    case TLaunchKind::Error:
        std::cerr << "tandrel: " << launch.Error << "\nTry \"tandrel --help\".\n";
        return 2;
    default:
        break;
    }

    // Fractional scale factors (1.25, 1.5) are kept as they are rather than rounded.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tandrel"));
    QApplication::setApplicationVersion(QStringLiteral(TANDREL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tandrel"));
    QApplication::setWindowIcon(ProgramIcon());
    InstallFontSubstitutes();

    // Settings and histories lie beside the program, or in the user's configuration folder
    // when the program's folder cannot be written.
    const QString program = ProgramPath();
    const std::string settingsPath =
        ResolveExeDir() + QFileInfo(program).completeBaseName().toStdString() + ".ini";
    const std::string codePageError =
        ApplyCodePage(ReadSettings(TIniFile(settingsPath), 0, 0), settingsPath);

    TMainForm form({settingsPath, program});
    form.show();
    QTimer::singleShot(0, &form, [&] {
        if (!codePageError.empty())
            ShowMessage(&form, QMessageBox::Warning, AppTitle(), ErrorText(codePageError));
        form.OpenLaunch(launch);
    });
    return QApplication::exec();
}
