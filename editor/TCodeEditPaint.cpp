// Painting of TCodeEdit: gutter, rows with their colours, caret line, selection and caret.
#include "CodePage.h"
#include "ColorResolver.h"
#include "TCodeEdit.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>

namespace tandrel {

namespace {
constexpr TColor kGutterDarkLine = 0x808080;
constexpr TColor kGutterLightLine = 0xC0C0C0;
constexpr TColor kCaretLineText = 0xFFFFFF;
constexpr int kNumberGap = 4; // pixels between the line numbers and the gutter edge
constexpr int kBlankMarkAlpha = 80;
constexpr int kTrailingBlankAlpha = 28;
} // namespace

void TCodeEdit::SetShowBlanks(bool value) {
    if (value == FShowBlanks)
        return;
    FShowBlanks = value;
    viewport()->update();
}

QColor TCodeEdit::Resolve(TColor color) const {
    return ResolveColor(color, palette());
}

void TCodeEdit::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const int width = viewport()->width();
    const int height = viewport()->height();
    const int gutter = GutterWidth();
    const int lineHeight = LineHeight();
    const QColor gutterColor = Resolve(hasFocus() ? kFocusGutterColor : kGutterColor);
    const QColor background = Resolve(Color());

    painter.fillRect(QRect(gutter, 0, width - gutter, height), background);
    if (gutter > 0) {
        painter.fillRect(QRect(0, 0, gutter, height), gutterColor);
        painter.setPen(Resolve(kGutterDarkLine));
        painter.drawLine(gutter - 1, 0, gutter - 1, height);
        painter.setPen(Resolve(kGutterLightLine));
        painter.drawLine(gutter - 2, 0, gutter - 2, height);
    }

    const TLines& lines = Lines();
    const int left = gutter + LeftMargin();
    for (std::int32_t i = 0; i <= VisibleLines() && TopLine() + i < lines.Count(); ++i) {
        const std::int32_t index = TopLine() + i;
        const int top = i * lineHeight + TopMargin();
        if (i == 0) {
            // A coloured block that continues above the window continues into the margin.
            QColor strip = background;
            if (TopLine() > 0) {
                const TLineObj& above = lines.GetLineObj(TopLine() - 1);
                strip = Resolve(above.Modified ? ModifiedLineColor() : above.Color);
            }
            painter.fillRect(QRect(left, 0, width - left, TopMargin()), strip);
        }
        if (AutoLineNum()) {
            const std::string number = std::to_string(index + 1);
            const int numberWidth = int(number.size()) * CharWidth();
            const int x = gutter - kNumberGap - numberWidth;
            DrawBytes(painter, number, x, QRect(x, top, numberWidth, lineHeight), gutterColor,
                      palette().color(QPalette::Active, QPalette::Text));
        } else if (OnPaintLeftMargin) {
            painter.save();
            // Text written by the owner sits on the gutter colour, as in the gutter itself.
            painter.setBrush(gutterColor);
            painter.setBackground(gutterColor);
            painter.setBackgroundMode(Qt::OpaqueMode);
            painter.setPen(palette().color(QPalette::Active, QPalette::Text));
            OnPaintLeftMargin(*this, painter, QRect(0, top, std::max(0, gutter - 3), lineHeight),
                              index + 1, lines.GetLineObj(index).Tag);
            painter.restore();
        }
        PaintLine(painter, index, QRect(left, top, width - left, lineHeight));
    }

    if (CaretShown() && !FPreedit.isEmpty()) {
        const QFontMetrics fm(font());
        const QRect box(CaretRect().left(), CaretRect().top() - 1, fm.horizontalAdvance(FPreedit),
                        lineHeight);
        painter.fillRect(box, background);
        painter.setPen(palette().color(QPalette::Active, QPalette::Text));
        painter.drawText(box.left(), box.top() + FAscent, FPreedit);
        painter.drawLine(box.left(), box.bottom(), box.right(), box.bottom());
    }
    if (CaretShown() && FCaretBlinkOn) {
        // Inverting, so the caret shows on every row colour.
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(CaretRect(), Qt::white);
    }
}

void TCodeEdit::PaintLine(QPainter& painter, std::int32_t index, QRect r) {
    const std::string& raw = Lines()[index];
    const bool hasTabs = raw.find('\t') != std::string::npos;
    const std::string s = hasTabs ? ExpandTabs(raw) : raw;
    const TLineObj& obj = Lines().GetLineObj(index);
    const QColor background = Resolve(obj.Modified ? ModifiedLineColor() : obj.Color);
    const QColor text = palette().color(QPalette::Active, QPalette::Text);
    const int x0 = r.left() - CharWidth() * LeftCol();
    const std::int32_t a = SelStart();
    const std::int32_t b = SelEnd();

    if (a != b && obj.Start + obj.Len >= a && b >= obj.Start) {
        std::int32_t sa = std::max(0, a - obj.Start);
        std::int32_t sb = std::min(obj.Len, b - obj.Start);
        if (hasTabs) {
            sa = ExpandedCol(index, sa);
            sb = ExpandedCol(index, sb);
        }
        sa = std::max(0, sa - LeftCol());
        const std::int32_t w = std::max(0, sb - LeftCol() - sa);
        if (sa > 0) {
            DrawBytes(painter, s, x0, r, background, text);
            r.setLeft(r.left() + CharWidth() * sa);
        }
        const QColor selection =
            hasFocus() ? Resolve(SysColor::Highlight) : Resolve(kUnfocusedSelectionColor);
        DrawBytes(painter, s, x0, r, selection, Resolve(SysColor::HighlightText));
        if (b - obj.Start <= obj.Len) {
            r.setLeft(r.left() + CharWidth() * w);
            DrawBytes(painter, s, x0, r, background, text);
        }
        return;
    }

    // The caret line is marked whether or not the control has the focus.
    const bool caretLine = CaretPt().Y == index;
    DrawBytes(painter, s, x0, r, caretLine ? Resolve(SysColor::Desktop) : background,
              caretLine ? Resolve(kCaretLineText) : text);
    PaintHighlights(painter, index, s, x0, r, background, text);
    if (FShowBlanks)
        PaintBlanks(painter, raw, x0, r);
    if (caretLine) {
        painter.save();
        QPen pen(Resolve(kCaretLineText));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.restore();
    }
}

// The changed bytes of a row are drawn again over their own stronger background; on the
// caret row too, so that the change being read stays marked.
void TCodeEdit::PaintHighlights(QPainter& painter, std::int32_t index, const std::string& s, int x0,
                                const QRect& r, const QColor& background, const QColor& text) {
    if (!OnLineHighlights)
        return;
    FRuns.clear();
    OnLineHighlights(index, FRuns);
    if (FRuns.empty())
        return;
    const QColor shade = ChangedBytesShade(background);
    const int cw = CharWidth();
    for (const auto& [start, length] : FRuns) {
        const int from = ExpandedCol(index, start);
        if (length == 0) {
            const QRect bar(x0 + from * cw - 1, r.top(), 2, r.height());
            painter.fillRect(bar.intersected(r), shade.darker(160));
            continue;
        }
        const int to = ExpandedCol(index, start + length);
        const QRect box =
            QRect(x0 + from * cw, r.top(), (to - from) * cw, r.height()).intersected(r);
        DrawBytes(painter, s, x0, box, shade, text);
    }
}

// A dot in the middle of a blank, an arrow across the columns of a tab; the blanks at the
// end of a row are shaded besides, since nothing else shows them.
void TCodeEdit::PaintBlanks(QPainter& painter, const std::string& raw, int x0,
                            const QRect& r) const {
    const int cw = CharWidth();
    size_t trailing = raw.size();
    while (trailing > 0 && (raw[trailing - 1] == ' ' || raw[trailing - 1] == '\t'))
        --trailing;
    painter.save();
    painter.setClipRect(r);
    QColor mark = palette().color(QPalette::Active, QPalette::Text);
    mark.setAlpha(kBlankMarkAlpha);
    QColor tail = mark;
    tail.setAlpha(kTrailingBlankAlpha);
    const int middle = r.top() + r.height() / 2;
    int col = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        const int width = raw[i] == '\t' ? TabWidth() : 1;
        const int left = x0 + col * cw;
        col += width;
        if (left + width * cw < r.left() || left > r.right() || (raw[i] != ' ' && raw[i] != '\t'))
            continue;
        if (i >= trailing)
            painter.fillRect(QRect(left, r.top(), width * cw, r.height()), tail);
        if (raw[i] == ' ') {
            painter.fillRect(QRect(left + cw / 2 - 1, middle - 1, 2, 2), mark);
            continue;
        }
        painter.setPen(mark);
        const int right = left + width * cw - 2;
        painter.drawLine(left + 1, middle, right, middle);
        painter.drawLine(right - 3, middle - 3, right, middle);
        painter.drawLine(right - 3, middle + 3, right, middle);
    }
    painter.restore();
}

// Fills clip with the background and draws the bytes of s, column c at x0 + c * CharWidth.
// Characters are split as the caret splits them (CodePage::CharLength). A byte that is no
// character of the code page, alone or as part of an unassigned pair, gets a replacement
// mark of its own in its own column, so that columns on screen stay the text's columns.
void TCodeEdit::DrawBytes(QPainter& painter, const std::string& s, int x0, const QRect& clip,
                          const QColor& background, const QColor& text) const {
    if (clip.isEmpty())
        return;
    painter.fillRect(clip, background);
    const int cw = CharWidth();
    const int len = int(s.size());
    const int firstCol = std::max(0, (clip.left() - x0) / cw - 1);
    const int lastCol = std::min(len - 1, (clip.right() - x0) / cw + 1);
    if (lastCol < firstCol)
        return;
    const CodePage& cp = SystemCodePage();
    const int baseline = clip.top() + FAscent;
    painter.save();
    painter.setClipRect(clip);
    painter.setPen(text);
    auto mark = [&](int col) {
        painter.drawRect(QRect(x0 + col * cw + 1, clip.top() + 2, std::max(1, cw - 3),
                               std::max(1, clip.height() - 5)));
    };
    // Draws the character of `width` bytes at col, or a mark for each of its bytes.
    auto draw = [&](int col, int width) {
        const std::u16string unicode =
            cp.ToUtf16(std::string_view(s).substr(size_t(col), size_t(width)));
        if (unicode.size() == 1 && unicode[0] != u'\uFFFD') {
            painter.drawText(x0 + col * cw, baseline, QString(QChar(unicode[0])));
            return;
        }
        for (int k = 0; k < width; ++k)
            mark(col + k);
    };
    // Lead bytes can only be told from trail bytes by walking from the start of the row.
    int i = 0;
    while (i <= lastCol) {
        if (cp.CharLength(s, size_t(i)) == 2) {
            if (i + 1 >= firstCol)
                draw(i, 2);
            i += 2;
            continue;
        }
        int j = i + 1;
        while (j <= lastCol && cp.CharLength(s, size_t(j)) == 1)
            ++j;
        const int from = std::max(i, firstCol);
        if (from < j) {
            // Control bytes may have no advance at all, so only printable runs go in one call.
            bool printable = true;
            for (int k = from; k < j && printable; ++k) {
                const auto byte = static_cast<unsigned char>(s[size_t(k)]);
                printable = byte >= 0x20 && byte < 0x7F;
            }
            if (FExactPitch && printable) {
                painter.drawText(x0 + from * cw, baseline,
                                 QString::fromLatin1(s.data() + from, j - from));
            } else {
                for (int k = from; k < j; ++k) {
                    if (static_cast<unsigned char>(s[size_t(k)]) < 0x80)
                        painter.drawText(x0 + k * cw, baseline, QString(QLatin1Char(s[size_t(k)])));
                    else
                        draw(k, 1);
                }
            }
        }
        i = j;
    }
    painter.restore();
}

} // namespace tandrel
