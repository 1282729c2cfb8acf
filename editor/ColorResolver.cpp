#include "ColorResolver.h"

namespace tandrel {

QColor ResolveColor(TColor color, const QPalette& palette) {
    if (!IsSystemColor(color))
        return QColor(RedOf(color), GreenOf(color), BlueOf(color));
    switch (color) {
    case SysColor::Desktop:
        return QColor(0x3A, 0x6E, 0xA5);
    case SysColor::WindowText:
        return palette.color(QPalette::Active, QPalette::Text);
    case SysColor::Highlight:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case SysColor::HighlightText:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case SysColor::ButtonFace:
        return palette.color(QPalette::Active, QPalette::Button);
    default:
        return palette.color(QPalette::Active, QPalette::Base);
    }
}

} // namespace tandrel
