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
    for (const QString& candidate : candidates) {
        const QString path = QDir::cleanPath(candidate);
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(path);
    }
    return {};
}

QString ProgramPath() {
    return QCoreApplication::applicationFilePath();
}

} // namespace tandrel
