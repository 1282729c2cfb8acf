#pragma once
// The shell's images: the tool-bar images by index (0-15, 16 x 16; their disabled forms come
// from the icon's disabled mode) and the program's icon.

#include <QIcon>

namespace tandrel {

constexpr int kToolImageCount = 16;

QIcon ToolImage(int index);
QIcon ProgramIcon();

} // namespace tandrel
