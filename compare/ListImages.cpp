#include "ListImages.h"

#include <QString>

namespace tandrel {

namespace {

QIcon Svg(const char* name) {
    return QIcon(QStringLiteral(":/tandrel/list/") + QLatin1String(name) + QStringLiteral(".svg"));
}

} // namespace

QIcon TImageList::Icon(int index) const {
    return index >= 0 && index < Count() ? FIcons[static_cast<size_t>(index)] : QIcon();
}

QPixmap TImageList::Pixmap(int index, int size, qreal ratio) const {
    const QIcon icon = Icon(index);
    if (icon.isNull())
        return QPixmap();
    return icon.pixmap(QSize(size, size), ratio);
}

TImageList RowImages() {
    return TImageList({
        Svg("library"),     // riLibrary
        Svg("application"), // riApplication
        Svg("datawindow"),  // riDataWindow
        Svg("function"),    // riFunction
        Svg("folder"),      // riFolder
        Svg("menu"),        // riMenu
        Svg("structure"),   // riStructure
        Svg("userobject"),  // riUserObject
        Svg("window"),      // riWindow
        QIcon(),            // 9 and 10 neither
        QIcon(),            //
        Svg("project"),     // riProject
        Svg("newer-side1"), // riSide1Newer
        Svg("newer-side2"), // riSide2Newer
    });
}

TImageList SortMarkImages() {
    return TImageList({Svg("sort-descending"), Svg("sort-ascending")});
}

QIcon ClearListIcon() {
    return Svg("clear-list");
}

int TypeImage(char typeLetter) {
    switch (typeLetter) {
    case 'a':
        return riApplication;
    case 'd':
        return riDataWindow;
    case 'f':
        return riFunction;
    case 'm':
        return riMenu;
    case 's':
        return riStructure;
    case 'u':
        return riUserObject;
    case 'w':
        return riWindow;
    case 'j':
        return riProject;
    default:
        return riLibrary;
    }
}

} // namespace tandrel
