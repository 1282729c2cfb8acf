#pragma once
// The overview strip of the source view: one pixel row per display row, coloured by the
// row's highlight, with the panes' viewport framed in red and the last clicked row marked
// in blue. Only the rows in sight are drawn, so a text of any length gives a working strip
// (a widget or an image as tall as a million rows could not exist).

#include "Colors.h"

#include <cstdint>
#include <QWidget>
#include <vector>

class QScrollBar;

namespace tandrel {

class TOverviewStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int StripWidth = 20;

    explicit TOverviewStrip(QWidget* parent);

    // The colours of all rows; unchanged is the colour drawn as background.
    void SetRows(std::vector<TColor> rows, TColor unchanged);
    // Lines [first, last] replace the rows that stood there, the rows after them moving by
    // delta (an editor's change record).
    void ReplaceRows(std::int32_t first, std::int32_t last, std::int32_t delta,
                     const std::vector<TColor>& colors);
    std::int32_t RowCount() const { return std::int32_t(FRows.size()); }
    // The height of the strip as a whole: one pixel per row and three more.
    std::int32_t StripHeight() const { return RowCount() + 3; }

    // The viewport frame: rows top .. top + rows - 5, as the panes show them.
    void SetViewport(std::int32_t top, std::int32_t rows);
    std::int32_t ClickRow() const { return FClickRow; }

    // The strip's row at the top of the widget.
    std::int32_t Position() const;
    void SetPosition(std::int32_t row);
    // Shows the viewport frame near the middle once it would leave the middle.
    void FollowViewport();

signals:
    // A click on the strip at a row (which may lie beyond the last row).
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateRange();

    QScrollBar* FScrollBar;
    std::vector<TColor> FRows;
    TColor FUnchanged = 0;
    std::int32_t FTop = 0;
    std::int32_t FViewRows = 0;
    std::int32_t FClickRow = 0;
};

} // namespace tandrel
