#pragma once
// What the editor model needs from the window that shows it. A model without a view works
// on its text alone; scroll bars and the caret then simply do not exist.

#include <cstdint>

namespace tandrel {

class TEditorView {
public:
    virtual ~TEditorView() = default;

    virtual void Repaint() = 0;
    // A scroll bar with positions 0..max of which page are visible, at pos.
    virtual void SetScrollBar(bool vertical, std::int32_t max, std::int32_t page,
                              std::int32_t pos) = 0;
    virtual void SetScrollPos(bool vertical, std::int32_t pos) = 0;
    // Caret position in client pixels; only a caret that exists is moved or shown.
    virtual void PlaceCaret(bool visible, std::int32_t x, std::int32_t y) = 0;
    virtual bool Focused() const = 0;
    // Takes the keyboard focus; false when the control still does not have it.
    virtual bool TakeFocus() = 0;
    virtual void ReleaseMouse() = 0;
    virtual void SetDragCursor(bool dragging) = 0;
};

} // namespace tandrel
