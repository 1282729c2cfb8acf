#include "Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace tandrel {

namespace {

// Metric-compatible faces first, then common ones; the CJK faces last, for the Chinese
// characters that the Latin faces lack.
const QStringList kCjk{QStringLiteral("SimSun"),
                       QStringLiteral("AR PL UMing CN"),
                       QStringLiteral("WenQuanYi Zen Hei"),
                       QStringLiteral("WenQuanYi Micro Hei"),
                       QStringLiteral("Noto Sans CJK SC"),
                       QStringLiteral("Droid Sans Fallback")};
const QStringList kSans{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                        QStringLiteral("DejaVu Sans")};
const QStringList kMono{
    QStringLiteral("Liberation Mono"),          QStringLiteral("Cousine"),
    QStringLiteral("DejaVu Sans Mono"),         QStringLiteral("WenQuanYi Zen Hei Mono"),
    QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("Noto Sans Mono CJK SC")};

QStringList Installed(const QStringList& wanted) {
    const QStringList families = QFontDatabase::families();
    QStringList found;
    for (const QString& name : wanted)
        if (families.contains(name, Qt::CaseInsensitive))
            found << name;
    return found;
}

} // namespace

void InstallFontSubstitutes() {
    const QStringList cjk = Installed(kCjk);
    const QStringList sans = Installed(kSans) + cjk;
    const QStringList mono = Installed(kMono) + cjk;
    QFont::insertSubstitutions(QStringLiteral("宋体"), cjk + Installed(kSans));
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("Courier New"), mono);
}

} // namespace tandrel
