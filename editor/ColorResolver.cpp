#include "ColorResolver.h"

#include <algorithm>

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

QColor ChangedBytesShade(const QColor& rowColor) {
    const QColor hsv = rowColor.toHsv();
    // A grey row has no hue to strengthen; it only darkens.
    const int saturation = hsv.hsvSaturation() < 24 ? hsv.hsvSaturation()
                                                    : std::min(255, hsv.hsvSaturation() * 2 + 40);
    return QColor::fromHsv(std::max(0, hsv.hsvHue()), saturation, hsv.value() * 4 / 5);
}

} // namespace tandrel
