#pragma once
// Turns the editor's colour values into Qt colours at drawing time.

#include "Colors.h"

#include <QColor>
#include <QPalette>

namespace tandrel {

// Plain 00BBGGRR values map directly; system colour codes take the palette's colour of the
// same role (window: Base; highlight and its text; button face: Button). The palette has
// no desktop colour, so the desktop code gives a fixed dark blue that white text reads on.
QColor ResolveColor(TColor color, const QPalette& palette);

// The shade the changed bytes of a row stand on: the row's own hue, more saturated and a
// little darker, so it reads as "more of the same change" in any of the user's colours.
QColor ChangedBytesShade(const QColor& rowColor);

} // namespace tandrel
