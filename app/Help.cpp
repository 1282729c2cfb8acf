#include "Help.h"

#include "CommandGuard.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace tandrel {

QUrl FindHelpDocument(const QString& programPath) {
    const QFileInfo program(programPath);
    const QDir folder = program.absoluteDir();
    const QStringList candidates{
        folder.filePath(program.completeBaseName() + QStringLiteral(".chm")),
        folder.filePath(QStringLiteral("manual/index.html")),
        folder.filePath(QStringLiteral(TANDREL_MANUAL_FROM_BIN "/index.html")),
    };
    for (const QString& candidate : candidates) {
        const QString path = QDir::cleanPath(candidate);
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(path);
    }
    return {};
}

bool OpenWithSystem(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void OpenOrTell(QWidget* owner, const QUrl& url, const TUrlOpener& opener) {
    if (opener(url))
        return;
    const QString what = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    ShowMessage(owner, QMessageBox::Information, AppTitle(),
                QStringLiteral("没有能打开它的程序: %1\n"
                               "(No program opens it: install xdg-utils and a default program "
                               "for it.)")
                    .arg(what));
}

QString ProgramPath() {
    return QCoreApplication::applicationFilePath();
}

} // namespace tandrel
