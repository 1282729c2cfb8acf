#pragma once
// The code editor control: a fixed-pitch, line-oriented, custom-painted text widget with
// a gutter, per-line colours, a selection, a blinking caret and its own scroll bars.

#include "CodeEditor.h"
#include "TQtClipboard.h"

#include <functional>
#include <QAbstractScrollArea>
#include <QTimer>
#include <utility>
#include <vector>

class QMimeData;
class QPainter;

namespace tandrel {

// TCodeEdit is the window of a TEditorCore: the model holds text, caret, selection and
// scrolling state and does every edit; this widget paints the visible rows (never more),
// keeps the scroll bars and the caret in step with the model, and turns Qt's key, text,
// input-method, mouse, wheel, focus and drop events into the model's operations.
//
// Every byte column of a row is drawn at exactly GutterWidth + LeftMargin +
// (column - LeftCol) * CharWidth, whatever advance the font or a fall-back font has, so
// that caret, selection and clicks agree with what is shown; a double-byte character
// covers two columns.
class TCodeEdit : public QAbstractScrollArea, public TEditorCore, private TEditorView {
    Q_OBJECT
public:
    // Paints the gutter of one row while AutoLineNum is off.
    using TPaintMargin = std::function<void(TCodeEdit& Sender, QPainter& Canvas,
                                            const QRect& MarginRec, int LineNo, int Tag)>;

    static constexpr TColor kFocusGutterColor = 0xC0DCC0;
    static constexpr TColor kGutterColor = 0xD0D0D0;
    static constexpr TColor kUnfocusedSelectionColor = 0xC0C0C0;

    explicit TCodeEdit(QWidget* parent = nullptr);
    ~TCodeEdit() override;

    TPaintMargin OnPaintLeftMargin;

    // Byte runs of a row, as (start, length), that stand out on a stronger shade of the
    // row's colour; a run of length 0 is drawn as a thin bar at its place.
    using TByteRuns = std::vector<std::pair<std::int32_t, std::int32_t>>;
    using THighlightRuns = std::function<void(std::int32_t line, TByteRuns& runs)>;
    THighlightRuns OnLineHighlights;

    // Tabs and blanks drawn as faint marks, a row's trailing blanks faintly shaded.
    bool ShowBlanks() const { return FShowBlanks; }
    void SetShowBlanks(bool value);

    // The caret as the widget shows it: it exists only while the control has the focus and
    // is not read-only; shown while it lies in the text area.
    bool CaretCreated() const { return FCaretCreated; }
    bool CaretShown() const { return FCaretCreated && FCaretShown; }
    QRect CaretRect() const;

    QSize sizeHint() const override { return QSize(200, 80); }

signals:
    // The model's notifications as Qt signals, for owners that connect rather than
    // subscribe: a change of the text (see TLinesChange), of TopLine or LeftCol, of the
    // caret point and of the selection.
    void linesChanged(quint64 revision, int firstLine, int lastLine, int lineDelta);
    void scrolled();
    void caretMoved();
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // TEditorView
    void Repaint() override;
    void SetScrollBar(bool vertical, std::int32_t max, std::int32_t page,
                      std::int32_t pos) override;
    void SetScrollPos(bool vertical, std::int32_t pos) override;
    void PlaceCaret(bool visible, std::int32_t x, std::int32_t y) override;
    bool Focused() const override { return hasFocus(); }
    bool TakeFocus() override;
    void ReleaseMouse() override;
    void SetDragCursor(bool dragging) override;

    void UpdateMetrics();
    void MakeCaret();
    void KillCaret();
    void BlinkCaret();
    void ScrollBarAction(bool vertical, int action);
    void ScrollBarReleased(bool vertical);
    void FeedText(const QString& text);
    std::string DroppedFile(const QMimeData* mime) const;

    // Painting (TCodeEditPaint.cpp).
    void PaintLine(QPainter& painter, std::int32_t index, QRect r);
    void DrawBytes(QPainter& painter, const std::string& s, int x0, const QRect& clip,
                   const QColor& background, const QColor& text) const;
    void PaintHighlights(QPainter& painter, std::int32_t index, const std::string& s, int x0,
                         const QRect& r, const QColor& background, const QColor& text);
    void PaintBlanks(QPainter& painter, const std::string& raw, int x0, const QRect& r) const;
    QColor Resolve(TColor color) const;

    TQtClipboard FQtClipboard;
    TSubscription FLinesSubscription;
    TSubscription FScrollSubscription;
    TSubscription FCaretSubscription;
    TSubscription FSelectionSubscription;
    QTimer FCaretTimer;
    bool FCaretCreated = false;
    bool FCaretShown = false;
    bool FCaretBlinkOn = true;
    bool FCaretBlinks = true;
    QPoint FCaretPixel;
    QString FPreedit;        // text an input method is composing, not yet in the model
    bool FExactPitch = true; // runs of single-byte text may be drawn in one call
    int FAscent = 0;
    bool FShowBlanks = false;
    TByteRuns FRuns; // reused from row to row while painting
};

} // namespace tandrel
