#include "LinePanel.h"

#include <QPainter>

namespace tandrel {

TLinePanel::TLinePanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TLinePanel::SetLine(const QString& number, const QString& text,
                         const QList<QPair<int, int>>& changed) {
    if (number == FNumber && text == FText && changed == FChanged)
        return;
    FNumber = number;
    FText = text;
    FChanged = changed;
    update();
}

void TLinePanel::SetChangedColor(const QColor& color) {
    if (color == FChangedColor)
        return;
    FChangedColor = color;
    update();
}

void TLinePanel::SetShift(int pixels) {
    if (pixels == FShift)
        return;
    FShift = pixels;
    update();
}

QSize TLinePanel::sizeHint() const {
    return QSize(200, fontMetrics().height() + 6);
}

void TLinePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect number(0, 0, NumberWidth, height());
    const QRect text(NumberWidth, 0, width() - NumberWidth, height());
    painter.fillRect(text, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    painter.setClipRect(text);
    const QFontMetrics metrics = fontMetrics();
    const int baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    const int origin = NumberWidth - FShift + 2;
    if (FChangedColor.isValid()) {
        for (const auto& [start, count] : FChanged) {
            const int left = origin + metrics.horizontalAdvance(FText.left(start));
            const int width = metrics.horizontalAdvance(FText.mid(start, count));
            painter.fillRect(QRect(left - (count == 0 ? 1 : 0), 0, std::max(width, 2), height()),
                             count == 0 ? FChangedColor.darker(160) : FChangedColor);
        }
    }
    painter.drawText(QPoint(origin, baseline), FText);
    painter.setClipping(false);
    painter.fillRect(number, QColor(192, 192, 192));
    painter.drawText(number.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, FNumber);
}

} // namespace tandrel
