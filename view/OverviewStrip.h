#pragma once
// The overview strip of the source view: the whole text at once, its rows scaled to the
// strip's height and coloured by their highlight, with the panes' viewport framed in red
// and the last clicked row marked in blue. A pixel row that stands for several rows takes
// the colour of a changed one among them, so that no difference drops out of sight.

#include "Colors.h"

#include <cstdint>
#include <QWidget>
#include <vector>

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

    // The viewport frame: rows top .. top + rows - 1, as the panes show them.
    void SetViewport(std::int32_t top, std::int32_t rows);
    std::int32_t ClickRow() const { return FClickRow; }

    // The first pixel row of a row, and the row a pixel row stands for.
    int RowToY(std::int32_t row) const;
    std::int32_t RowAt(int y) const;

signals:
    // A click on the strip at a row.
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<TColor> FRows;
    TColor FUnchanged = 0;
    std::int32_t FTop = 0;
    std::int32_t FViewRows = 0;
    std::int32_t FClickRow = 0;
};

} // namespace tandrel
