#include "OverviewStrip.h"

#include "ColorResolver.h"

#include <algorithm>
#include <QMouseEvent>
#include <QPainter>

namespace tandrel {

TOverviewStrip::TOverviewStrip(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedWidth(StripWidth + 2);
}

void TOverviewStrip::SetRows(std::vector<TColor> rows, TColor unchanged) {
    FRows = std::move(rows);
    FUnchanged = unchanged;
    update();
}

void TOverviewStrip::ReplaceRows(std::int32_t first, std::int32_t last, std::int32_t delta,
                                 const std::vector<TColor>& colors) {
    const std::int32_t oldCount = last - first + 1 - delta;
    if (first < 0 || oldCount < 0 || first + oldCount > RowCount())
        return;
    FRows.erase(FRows.begin() + first, FRows.begin() + first + oldCount);
    FRows.insert(FRows.begin() + first, colors.begin(), colors.end());
    update();
}

void TOverviewStrip::SetViewport(std::int32_t top, std::int32_t rows) {
    if (top == FTop && rows == FViewRows)
        return;
    FTop = top;
    FViewRows = rows;
    update();
}

int TOverviewStrip::RowToY(std::int32_t row) const {
    if (FRows.empty())
        return 0;
    return int(std::int64_t(row) * height() / RowCount());
}

std::int32_t TOverviewStrip::RowAt(int y) const {
    if (FRows.empty() || height() <= 0)
        return 0;
    // The row whose pixel rows, as RowToY gives them, hold y.
    const std::int64_t row = (std::int64_t(std::max(y, 0) + 1) * RowCount() - 1) / height();
    return std::int32_t(std::min<std::int64_t>(row, RowCount() - 1));
}

void TOverviewStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor background = ResolveColor(FUnchanged, palette());
    painter.fillRect(rect(), background);
    if (FRows.empty())
        return;
    // Each pixel row in turn, over the rows it stands for; a run of pixel rows of one colour
    // is filled at once.
    const int h = height();
    TColor runColor = FUnchanged;
    int runTop = 0;
    auto flush = [&](int y) {
        if (runColor != FUnchanged && y > runTop)
            painter.fillRect(QRect(0, runTop, StripWidth, y - runTop),
                             ResolveColor(runColor, palette()));
    };
    const std::int64_t n = RowCount();
    for (int y = 0; y < h; ++y) {
        // The rows whose first pixel row is y; none when a row is taller than a pixel and
        // y lies inside it.
        const std::int64_t begin = (std::int64_t(y) * n + h - 1) / h;
        const std::int64_t end = (std::int64_t(y + 1) * n + h - 1) / h;
        TColor color = begin < end ? FUnchanged : FRows[size_t(RowAt(y))];
        for (std::int64_t r = begin; r < end && color == FUnchanged; ++r)
            color = FRows[size_t(r)];
        if (color != runColor) {
            flush(y);
            runColor = color;
            runTop = y;
        }
    }
    flush(h);
    painter.setPen(QColor(0, 0, 255));
    const int click = RowToY(FClickRow);
    painter.drawLine(0, click, StripWidth - 2, click);
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(Qt::NoBrush);
    const int top = RowToY(FTop);
    const int bottom = std::max(top + 2, RowToY(FTop + FViewRows) - 1);
    painter.drawRect(QRect(QPoint(1, top), QPoint(StripWidth - 3, std::min(bottom, h - 1))));
}

void TOverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->position().x() >= StripWidth + 2 || FRows.empty())
        return;
    FClickRow = RowAt(int(event->position().y()));
    update();
    emit rowClicked(FClickRow);
}

} // namespace tandrel
