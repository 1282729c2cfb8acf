#pragma once
// The interface names Windows fonts: "宋体" for Chinese text, "Arial" for the window and
// "Courier New" for the source panes. Each falls back to an installed font of the same kind:
// a CJK font, a proportional sans serif, a fixed-pitch font.

namespace tandrel {

void InstallFontSubstitutes();

} // namespace tandrel
