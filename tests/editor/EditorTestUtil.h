#pragma once
// Helpers of the editor model tests: a view that records what the model asks of a window,
// the whole text of a store as one string, and the message a failing call throws.

#include "CodeEditor.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tandrel::test {

class FakeView : public TEditorView {
public:
    struct Bar {
        std::int32_t Max = -1, Page = -1, Pos = -1;
    };
    void Repaint() override { ++Repaints; }
    void SetScrollBar(bool vertical, std::int32_t max, std::int32_t page,
                      std::int32_t pos) override {
        (vertical ? V : H) = Bar{max, page, pos};
    }
    void SetScrollPos(bool vertical, std::int32_t pos) override { (vertical ? V : H).Pos = pos; }
    void PlaceCaret(bool visible, std::int32_t x, std::int32_t y) override {
        CaretVisible = visible;
        CaretX = x;
        CaretY = y;
    }
    bool Focused() const override { return HasFocus; }
    bool TakeFocus() override { return HasFocus = true; }
    void ReleaseMouse() override {}
    void SetDragCursor(bool dragging) override { Dragging = dragging; }

    int Repaints = 0;
    Bar V, H;
    bool CaretVisible = false;
    std::int32_t CaretX = -1, CaretY = -1;
    bool HasFocus = false;
    bool Dragging = false;
};

// Lines joined with CR LF, as text offsets count them.
inline std::string FullText(const TLines& lines) {
    std::string out;
    for (std::int32_t i = 0; i < lines.Count(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += lines[i];
    }
    return out;
}

inline void Load(TEditorCore& ed, const std::vector<std::string>& lines) {
    ed.Lines().AssignLines(lines);
}

inline void Type(TEditorCore& ed, const std::string& text) {
    for (char c : text)
        ed.ProcessChar(static_cast<unsigned char>(c));
}

// The message of the exception `f` throws; empty when it throws none.
inline std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace tandrel::test
