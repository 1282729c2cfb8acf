#pragma once
// Small value types shared by the editor model and its widget: text points, input state
// and the key codes the model understands.

#include <cstdint>
#include <limits>

namespace tandrel {

// A text point: X is a column counted in bytes of the line (a tab counts one), Y a line.
struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Modifier keys and mouse buttons held during an input event.
using TShiftState = std::uint32_t;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Key codes of the key-down table. They take the values of Qt's key numbering so that the
// widget hands its key codes over unchanged; the model itself never includes Qt.
namespace Keys {
constexpr int None = 0;
constexpr int Tab = 0x01000001;
constexpr int Delete = 0x01000007;
constexpr int Home = 0x01000010;
constexpr int End = 0x01000011;
constexpr int Left = 0x01000012;
constexpr int Up = 0x01000013;
constexpr int Right = 0x01000014;
constexpr int Down = 0x01000015;
constexpr int PageUp = 0x01000016;
constexpr int PageDown = 0x01000017;
} // namespace Keys

// Requests of a scroll bar; every other request (thumb tracking among them) is ignored.
enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbPosition, Other };

// Column value that clamps to the end of any line, however long.
constexpr std::int32_t kLineEndCol = std::numeric_limits<std::int32_t>::max();

} // namespace tandrel
