#pragma once
// One of the two bottom panels of the source view: the line number and the whole text of a
// side's current row, the text shifted as the pane is scrolled sideways and sliding under
// the number.

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

namespace tandrel {

class TLinePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int NumberWidth = 72;

    explicit TLinePanel(QWidget* parent);

    // number: empty for a filler row; text: already decoded, tabs expanded; changed: the
    // character ranges (start, count) drawn on the changed bytes' shade.
    void SetLine(const QString& number, const QString& text,
                 const QList<QPair<int, int>>& changed = {});
    // The shade the changed characters are drawn on; an invalid colour draws none.
    void SetChangedColor(const QColor& color);
    // Pixels the text is moved left, as the pane's first shown column.
    void SetShift(int pixels);
    const QString& Number() const { return FNumber; }
    const QString& Text() const { return FText; }
    const QList<QPair<int, int>>& Changed() const { return FChanged; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString FNumber;
    QString FText;
    QList<QPair<int, int>> FChanged;
    QColor FChangedColor;
    int FShift = 0;
};

} // namespace tandrel
