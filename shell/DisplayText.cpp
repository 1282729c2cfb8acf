#include "DisplayText.h"

#include "CodePage.h"
#include "PathText.h"

#include <QFile>

namespace tandrel {

QString FromCodePage(std::string_view bytes) {
    return QString::fromStdU16String(SystemCodePage().ToUtf16(bytes));
}

QString DisplayText(std::string_view bytes) {
    return QString::fromStdString(PathToUtf8Text(std::string(bytes)));
}

std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace tandrel
