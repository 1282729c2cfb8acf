#pragma once
// Colour values of the editor and its users: either a plain 00BBGGRR value or a system
// colour code, which is resolved against the widget's palette only when drawing.

#include <cstdint>

namespace tandrel {

using TColor = std::uint32_t;

// System colour codes carry this flag in the top byte; plain colours never do.
constexpr TColor kSystemColorFlag = 0xFF000000u;

namespace SysColor {
constexpr TColor Desktop = kSystemColorFlag | 1;
constexpr TColor Window = kSystemColorFlag | 5;
constexpr TColor WindowText = kSystemColorFlag | 8;
constexpr TColor Highlight = kSystemColorFlag | 13;
constexpr TColor HighlightText = kSystemColorFlag | 14;
constexpr TColor ButtonFace = kSystemColorFlag | 15;
} // namespace SysColor

constexpr bool IsSystemColor(TColor color) {
    return (color & kSystemColorFlag) == kSystemColorFlag;
}

// A plain colour from its red, green and blue parts (stored as 00BBGGRR).
constexpr TColor RgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return TColor(red) | (TColor(green) << 8) | (TColor(blue) << 16);
}
constexpr std::uint8_t RedOf(TColor color) {
    return std::uint8_t(color & 0xFF);
}
constexpr std::uint8_t GreenOf(TColor color) {
    return std::uint8_t((color >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(TColor color) {
    return std::uint8_t((color >> 16) & 0xFF);
}

} // namespace tandrel
