#pragma once
// One of the two bottom panels of the source view: the line number and the whole text of a
// side's current row, the text shifted as the pane is scrolled sideways and sliding under
// the number.

#include <QString>
#include <QWidget>

namespace tandrel {

class TLinePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int NumberWidth = 72;

    explicit TLinePanel(QWidget* parent);

    // number: empty for a filler row; text: already decoded, tabs expanded.
    void SetLine(const QString& number, const QString& text);
    // Pixels the text is moved left, as the pane's first shown column.
    void SetShift(int pixels);
    const QString& Number() const { return FNumber; }
    const QString& Text() const { return FText; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString FNumber;
    QString FText;
    int FShift = 0;
};

} // namespace tandrel
