#include "DisplayText.h"

#include "CodePage.h"

#include <QFile>
#include <QStringDecoder>

namespace tandrel {

QString FromCodePage(std::string_view bytes) {
    return QString::fromStdU16String(SystemCodePage().ToUtf16(bytes));
}

QString DisplayText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return FromCodePage(bytes);
}

std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace tandrel
