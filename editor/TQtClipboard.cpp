#include "TQtClipboard.h"

#include "CodePage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tandrel {

std::string TQtClipboard::GetText() {
    const QString text = QGuiApplication::clipboard()->text();
    return SystemCodePage().FromUtf16(reinterpret_cast<const char16_t*>(text.utf16()),
                                      size_t(text.size()));
}

void TQtClipboard::SetText(const std::string& text) {
    QString unicode = QString::fromStdU16String(SystemCodePage().ToUtf16(text));
    unicode.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QGuiApplication::clipboard()->setText(unicode);
}

bool TQtClipboard::HasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

} // namespace tandrel
