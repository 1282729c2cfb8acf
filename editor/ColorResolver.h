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

} // namespace tandrel
