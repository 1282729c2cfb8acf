#include "Icons.h"

#include <QString>

// The images are compiled into this static library, whose resources are registered by hand.
static void RegisterIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace tandrel {

namespace {

void EnsureResources() {
    static const bool registered = (RegisterIconResources(), true);
    (void)registered;
}

} // namespace

QIcon ToolImage(int index) {
    if (index < 0 || index >= kToolImageCount)
        return {};
    EnsureResources();
    return QIcon(QStringLiteral(":/icons/tool-%1.svg").arg(index, 2, 10, QLatin1Char('0')));
}

QIcon ProgramIcon() {
    EnsureResources();
    QIcon icon;
    // Each size has its own drawing: the small one is fitted to whole pixels.
    icon.addFile(QStringLiteral(":/icons/tandrel-16.svg"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/tandrel-48.svg"), QSize(48, 48));
    icon.addFile(QStringLiteral(":/icons/tandrel-256.svg"), QSize(256, 256));
    return icon;
}

} // namespace tandrel
