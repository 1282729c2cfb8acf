#include "Help.h"

#include <QCoreApplication>
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
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(QDir::cleanPath(path));
    return {};
}

QString ProgramPath() {
    return QCoreApplication::applicationFilePath();
}

} // namespace tandrel
