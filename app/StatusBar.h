#pragma once
// The main window's status bar: eight panels side by side. Panels 0, 2 and 4 are colour
// swatches ("增加", "更改", "减少" on the highlight colours), 1, 3 and 5 their counts, 6 the two
// sides' counts, and 7, which takes the rest of the bar, holds the progress bar and the
// progress text while the library comparison runs.

#include "Colors.h"

#include <array>
#include <functional>
#include <QRect>
#include <QStatusBar>
#include <QString>

class QProgressBar;

namespace tandrel {

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kPanelCount = 8;

    // `colorOf` gives the colour of swatch panel 0, 2 or 4 at the moment it is painted.
    TStatusBar(std::function<TColor(int panel)> colorOf, QWidget* parent);

    QString PanelText(int panel) const;
    // Repaints at once: the library comparison writes its progress without giving the event
    // loop a turn.
    void SetPanelText(int panel, const QString& text);
    QRect PanelRect(int panel) const;

    // Made a child of the bar; it always covers panel 7 exactly.
    void AdoptProgressBar(QProgressBar* bar);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::array<int, kPanelCount> PanelWidths() const;
    void PlaceProgressBar();

    std::function<TColor(int)> FColorOf;
    std::array<QString, kPanelCount> FTexts;
    QProgressBar* FProgress = nullptr;
};

} // namespace tandrel
