#include "TCodeEdit.h"

#include "CodePage.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

namespace tandrel {

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {}) {
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    if (buttons & Qt::LeftButton)
        shift |= ssLeft;
    if (buttons & Qt::RightButton)
        shift |= ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= ssMiddle;
    return shift;
}

TMouseButton ButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

// The characters a Ctrl+letter chord sends to the editor (select all, copy, paste, cut).
unsigned char CtrlChar(int key) {
    switch (key) {
    case Qt::Key_A:
        return 1;
    case Qt::Key_C:
        return 3;
    case Qt::Key_V:
        return 22;
    case Qt::Key_X:
        return 24;
    default:
        return 0;
    }
}

} // namespace

TCodeEdit::TCodeEdit(QWidget* parent) : QAbstractScrollArea(parent) {
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);

    // The text moves when the thumb is released, not while it is dragged.
    for (bool vertical : {true, false}) {
        QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
        bar->setTracking(false);
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this, vertical](int action) { ScrollBarAction(vertical, action); });
        // The text follows the thumb while it is dragged, as the reader looks for a place.
        connect(bar, &QAbstractSlider::sliderMoved, this, [this, vertical](int position) {
            if (vertical)
                VScroll(TScrollCode::ThumbPosition, position);
            else
                HScroll(TScrollCode::ThumbPosition, position);
        });
        connect(bar, &QAbstractSlider::sliderReleased, this,
                [this, vertical] { ScrollBarReleased(vertical); });
    }

    // The flash time is a whole on-off cycle; zero or less means a caret that never blinks.
    const int flash = QApplication::cursorFlashTime();
    FCaretBlinks = flash > 0;
    FCaretTimer.setInterval(std::max(1, flash / 2));
    connect(&FCaretTimer, &QTimer::timeout, this, [this] { BlinkCaret(); });

    FLinesSubscription = Lines().Subscribe([this](TLines&, const TLinesChange& change) {
        emit linesChanged(change.Revision, change.FirstLine, change.LastLine, change.LineDelta);
    });
    FScrollSubscription = SubscribeScroll([this](TEditorCore&) { emit scrolled(); });
    FCaretSubscription = SubscribeCaretPt([this](TEditorCore&) { emit caretMoved(); });
    FSelectionSubscription = SubscribeSelection([this](TEditorCore&) { emit selectionChanged(); });

    SetClipboard(&FQtClipboard);
    SetView(this);
    UpdateMetrics();
    resize(200, 80);
    ClientResized(viewport()->width(), viewport()->height());
    WindowCreated();
}

TCodeEdit::~TCodeEdit() {
    KillCaret();
    BeginDestroy();
}

// --- the view the model talks to ----------------------------------------------------------

void TCodeEdit::Repaint() {
    viewport()->update();
}

void TCodeEdit::SetScrollBar(bool vertical, std::int32_t max, std::int32_t page, std::int32_t pos) {
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    // Positions 0..max of which page are visible: the last top position is max - page + 1.
    bar->setPageStep(std::max(1, page));
    bar->setSingleStep(1);
    bar->setRange(0, std::max(0, max - std::max(1, page) + 1));
    bar->setValue(pos);
}

void TCodeEdit::SetScrollPos(bool vertical, std::int32_t pos) {
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    bar->setSliderPosition(pos);
    bar->setValue(pos);
}

void TCodeEdit::ScrollBarAction(bool vertical, int action) {
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    TScrollCode code = TScrollCode::Other;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        code = TScrollCode::LineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        code = TScrollCode::LineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = TScrollCode::PageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = TScrollCode::PageDown;
        break;
    case QAbstractSlider::SliderMove:
        if (bar->isSliderDown())
            return;                        // a drag: sliderMoved has moved the text
        code = TScrollCode::ThumbPosition; // the wheel over the bar
        break;
    default:
        break;
    }
    const int pos = bar->sliderPosition();
    if (vertical)
        VScroll(code, pos);
    else
        HScroll(code, pos);
    // The bar shows what the model made of the request, not Qt's own step.
    bar->setSliderPosition(vertical ? TopLine() >> VScrollShift() : LeftCol());
}

void TCodeEdit::ScrollBarReleased(bool vertical) {
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    if (vertical)
        VScroll(TScrollCode::ThumbPosition, bar->sliderPosition());
    else
        HScroll(TScrollCode::ThumbPosition, bar->sliderPosition());
    SetScrollPos(vertical, vertical ? TopLine() >> VScrollShift() : LeftCol());
}

void TCodeEdit::scrollContentsBy(int, int) {
    // Scrolling is the model's TopLine and LeftCol; the bars only report requests.
}

void TCodeEdit::PlaceCaret(bool visible, std::int32_t x, std::int32_t y) {
    const QRect old = CaretRect();
    FCaretShown = visible;
    FCaretPixel = QPoint(x, y);
    FCaretBlinkOn = true;
    if (FCaretCreated) {
        if (FCaretBlinks)
            FCaretTimer.start();
        viewport()->update(old);
        viewport()->update(CaretRect());
        updateMicroFocus();
    }
}

QRect TCodeEdit::CaretRect() const {
    return QRect(FCaretPixel.x(), FCaretPixel.y(), 2, std::max(1, LineHeight() - 2));
}

bool TCodeEdit::TakeFocus() {
    setFocus(Qt::MouseFocusReason);
    return hasFocus();
}

void TCodeEdit::ReleaseMouse() {
    if (QWidget::mouseGrabber() == viewport() || QWidget::mouseGrabber() == this)
        QWidget::mouseGrabber()->releaseMouse();
}

void TCodeEdit::SetDragCursor(bool dragging) {
    viewport()->setCursor(dragging ? Qt::DragMoveCursor : Qt::IBeamCursor);
}

// --- caret and metrics --------------------------------------------------------------------

void TCodeEdit::MakeCaret() {
    if (FCaretCreated || ReadOnly() || !hasFocus())
        return;
    FCaretCreated = true;
    FCaretShown = false;
    UpdateCaret();
}

void TCodeEdit::KillCaret() {
    if (!FCaretCreated)
        return;
    FCaretTimer.stop();
    FCaretCreated = false;
    FCaretShown = false;
    viewport()->update(CaretRect());
}

void TCodeEdit::BlinkCaret() {
    FCaretBlinkOn = !FCaretBlinkOn;
    viewport()->update(CaretRect());
}

void TCodeEdit::UpdateMetrics() {
    const QFontMetrics fm(font());
    const int charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    const int lineHeight = std::max(1, fm.height() + std::max(0, fm.leading()));
    FAscent = fm.ascent();
    FExactPitch = fm.horizontalAdvance(QString(10, QLatin1Char('W'))) == 10 * charWidth &&
                  fm.horizontalAdvance(QString(10, QLatin1Char('i'))) == 10 * charWidth;
    const bool hadCaret = FCaretCreated;
    KillCaret();
    FontChanged(charWidth, lineHeight);
    if (hadCaret)
        MakeCaret();
}

void TCodeEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateMetrics();
    else if (event->type() == QEvent::PaletteChange)
        Invalidate();
}

void TCodeEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ClientResized(viewport()->width(), viewport()->height());
}

// --- keyboard -----------------------------------------------------------------------------

bool TCodeEdit::focusNextPrevChild(bool next) {
    // With WantTabs the Tab key is a character for the editor.
    if (WantTabs())
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TCodeEdit::keyPressEvent(QKeyEvent* event) {
    const TShiftState shift = ShiftOf(event->modifiers());
    int key = event->key();
    KeyDown(key, shift);
    event->accept();
    // The character part of the key, as the platform would send it after the key itself.
    if (shift & ssAlt)
        return;
    if (shift & ssCtrl) {
        if (unsigned char ch = CtrlChar(event->key()))
            KeyPress(ch);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
        KeyPress(8);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        KeyPress(13);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (WantTabs())
            KeyPress(9);
        return;
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return;
    default:
        FeedText(event->text());
        return;
    }
}

void TCodeEdit::FeedText(const QString& text) {
    QString printable;
    for (QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            printable += c;
    }
    if (printable.isEmpty())
        return;
    // A double-byte character arrives as its two bytes, one after the other.
    const std::string bytes = SystemCodePage().FromUtf16(
        reinterpret_cast<const char16_t*>(printable.utf16()), size_t(printable.size()));
    for (char b : bytes)
        KeyPress(static_cast<unsigned char>(b));
}

void TCodeEdit::inputMethodEvent(QInputMethodEvent* event) {
    FeedText(event->commitString());
    // The text being composed is shown at the caret until the input method commits it.
    const QString preedit = event->preeditString();
    if (preedit != FPreedit) {
        FPreedit = preedit;
        Invalidate();
    }
    event->accept();
}

QVariant TCodeEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return !ReadOnly();
    case Qt::ImCursorRectangle:
        return CaretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TCodeEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    MakeCaret();
    UpdateCaret();
    Invalidate(); // the gutter colour shows the focus
    // Entering and leaving are moves of the focus between controls, not the window
    // becoming active or inactive, nor a menu opening.
    if (OnEnter && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason)
        OnEnter(*this);
}

void TCodeEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    KillCaret();
    Invalidate();
    if (OnExit && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason)
        OnExit(*this);
}

// --- mouse and drops ----------------------------------------------------------------------

void TCodeEdit::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(),
              p.y());
}

void TCodeEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick)
        OnDblClick(*this);
    const QPoint p = event->position().toPoint();
    MouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()) | ssDouble,
              p.x(), p.y());
}

void TCodeEdit::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseMove(ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TCodeEdit::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TCodeEdit::wheelEvent(QWheelEvent* event) {
    const QPoint p = event->position().toPoint();
    const QPoint delta = event->angleDelta();
    if (OnMouseWheel) {
        // The owner decides what the wheel does, as the comparison view syncs both panes.
        bool handled = false;
        OnMouseWheel(*this, ShiftOf(event->modifiers(), event->buttons()), delta.y(),
                     TPoint{p.x(), p.y()}, handled);
        event->accept();
        return;
    }
    const int lines = QApplication::wheelScrollLines();
    if (delta.y() != 0)
        SetTopLine(TopLine() - delta.y() * lines / 120);
    if (delta.x() != 0)
        SetLeftCol(LeftCol() - delta.x() * lines / 120);
    event->accept();
}

std::string TCodeEdit::DroppedFile(const QMimeData* mime) const {
    if (!mime || !mime->hasUrls())
        return std::string();
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            // The name in the file system's own encoding, ready to be opened.
            return QFile::encodeName(url.toLocalFile()).toStdString();
        }
    }
    return std::string();
}

void TCodeEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (OnDropFiles && !DroppedFile(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCodeEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (OnDropFiles && !DroppedFile(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCodeEdit::dropEvent(QDropEvent* event) {
    const std::string name = DroppedFile(event->mimeData());
    if (!name.empty() && DropFiles(name))
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace tandrel
