#include "OverviewStrip.h"

#include "ColorResolver.h"

#include <algorithm>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace tandrel {

TOverviewStrip::TOverviewStrip(QWidget* parent)
    : QWidget(parent), FScrollBar(new QScrollBar(Qt::Vertical, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FScrollBar->setTracking(true);
    connect(FScrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
    UpdateRange();
}

void TOverviewStrip::SetRows(std::vector<TColor> rows, TColor unchanged) {
    FRows = std::move(rows);
    FUnchanged = unchanged;
    UpdateRange();
    update();
}

void TOverviewStrip::ReplaceRows(std::int32_t first, std::int32_t last, std::int32_t delta,
                                 const std::vector<TColor>& colors) {
    const std::int32_t oldCount = last - first + 1 - delta;
    if (first < 0 || oldCount < 0 || first + oldCount > RowCount())
        return;
    FRows.erase(FRows.begin() + first, FRows.begin() + first + oldCount);
    FRows.insert(FRows.begin() + first, colors.begin(), colors.end());
    UpdateRange();
    update();
}

void TOverviewStrip::SetViewport(std::int32_t top, std::int32_t rows) {
    if (top == FTop && rows == FViewRows)
        return;
    FTop = top;
    FViewRows = rows;
    update();
}

std::int32_t TOverviewStrip::Position() const {
    return FScrollBar->value();
}

void TOverviewStrip::SetPosition(std::int32_t row) {
    FScrollBar->setValue(row);
}

void TOverviewStrip::FollowViewport() {
    if (FRows.empty())
        return;
    const std::int32_t half = height() / 2 - FViewRows / 2;
    if (FTop > half || FTop < Position())
        SetPosition(FTop - half);
}

void TOverviewStrip::UpdateRange() {
    const bool scrolls = StripHeight() > height();
    const int barWidth = scrolls ? FScrollBar->sizeHint().width() : 0;
    setFixedWidth(StripWidth + 2 + barWidth);
    FScrollBar->setVisible(scrolls);
    FScrollBar->setGeometry(StripWidth + 2, 0, barWidth, height());
    FScrollBar->setRange(0, std::max(0, StripHeight() - height()));
    FScrollBar->setPageStep(std::max(1, height()));
    FScrollBar->setSingleStep(16);
}

void TOverviewStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor background = ResolveColor(FUnchanged, palette());
    painter.fillRect(QRect(0, 0, StripWidth + 2, height()), background);
    const std::int32_t top = Position();
    const std::int32_t end = std::min<std::int32_t>(RowCount(), top + height());
    // Runs of one colour are filled at once.
    for (std::int32_t row = std::max(top, 0); row < end;) {
        const TColor color = FRows[size_t(row)];
        std::int32_t next = row + 1;
        while (next < end && FRows[size_t(next)] == color)
            ++next;
        if (color != FUnchanged)
            painter.fillRect(QRect(0, row - top, StripWidth, next - row),
                             ResolveColor(color, palette()));
        row = next;
    }
    if (FRows.empty())
        return;
    painter.setPen(QColor(0, 0, 255));
    painter.drawLine(0, FClickRow - top, StripWidth - 2, FClickRow - top);
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(Qt::NoBrush);
    const int bottom = FTop + FViewRows - 5;
    painter.drawRect(QRect(QPoint(1, FTop - top), QPoint(StripWidth - 3, bottom - top)));
}

void TOverviewStrip::resizeEvent(QResizeEvent*) {
    UpdateRange();
}

void TOverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->position().x() >= StripWidth + 2)
        return;
    FClickRow = Position() + int(event->position().y());
    update();
    emit rowClicked(FClickRow);
}

void TOverviewStrip::wheelEvent(QWheelEvent* event) {
    FScrollBar->setValue(FScrollBar->value() - event->angleDelta().y());
    event->accept();
}

} // namespace tandrel
