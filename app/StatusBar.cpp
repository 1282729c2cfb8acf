#include "StatusBar.h"

#include "ColorResolver.h"

#include <initializer_list>
#include <QEvent>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOption>

namespace tandrel {

namespace {

constexpr std::array<int, TStatusBar::kPanelCount> kPanelWidths{32, 40, 32, 40, 32, 40, 100, 0};
constexpr int kProgressPanel = 7;
constexpr int kCountsPanel = 6;
constexpr int kPanelGap = 2;
constexpr int kTextInset = 2;
constexpr int kFontPixels = 12;

bool IsSwatch(int panel) {
    return panel == 0 || panel == 2 || panel == 4;
}

} // namespace

TStatusBar::TStatusBar(std::function<TColor(int)> colorOf, QWidget* parent)
    : QStatusBar(parent), FColorOf(std::move(colorOf)) {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(kFontPixels);
    setFont(font);
    FTexts[0] = QStringLiteral("增加");
    FTexts[2] = QStringLiteral("更改");
    FTexts[4] = QStringLiteral("减少");
    for (int panel : {1, 3, 5})
        FTexts[panel] = QStringLiteral("0");
    FTexts[kCountsPanel] = QStringLiteral("左0行:右0行");
    setMinimumHeight(fontMetrics().height() + 8);
}

QString TStatusBar::PanelText(int panel) const {
    return panel >= 0 && panel < kPanelCount ? FTexts[panel] : QString();
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    if (panel < 0 || panel >= kPanelCount || FTexts[panel] == text)
        return;
    FTexts[panel] = text;
    if (panel == kProgressPanel && FProgress != nullptr) {
        // Panel 7 lies under the progress bar, so its text is shown inside the bar.
        FProgress->setFormat(text);
        FProgress->setTextVisible(!text.isEmpty());
    }
    if (panel != kProgressPanel)
        PlaceProgressBar();
    if (isVisible())
        repaint();
}

std::array<int, TStatusBar::kPanelCount> TStatusBar::PanelWidths() const {
    std::array<int, kPanelCount> widths = kPanelWidths;
    // A count of five digits or more, or the source view's messages in panel 3 ("Compare
    // cancelled."), would be clipped at the fixed widths; the text panels grow to fit.
    for (const int panel : {1, 3, 5, kCountsPanel}) {
        const int textWidth = fontMetrics().horizontalAdvance(FTexts[panel]) + 8;
        widths[panel] = std::max(widths[panel], textWidth);
    }
    int used = 0;
    for (int i = 0; i < kProgressPanel; ++i)
        used += widths[i] + kPanelGap;
    const int grip = isSizeGripEnabled() ? height() : 0;
    widths[kProgressPanel] = std::max(0, width() - used - grip);
    return widths;
}

QRect TStatusBar::PanelRect(int panel) const {
    const auto widths = PanelWidths();
    int left = 0;
    for (int i = 0; i < panel; ++i)
        left += widths[i] + kPanelGap;
    return QRect(left, 2, widths[panel], height() - 3);
}

void TStatusBar::AdoptProgressBar(QProgressBar* bar) {
    FProgress = bar;
    bar->setParent(this);
    bar->setTextVisible(false);
    bar->hide();
    PlaceProgressBar();
}

void TStatusBar::PlaceProgressBar() {
    if (FProgress != nullptr)
        FProgress->setGeometry(PanelRect(kProgressPanel));
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    PlaceProgressBar();
}

bool TStatusBar::event(QEvent* event) {
    // Hovered menu entries would write their status tips over the panels; the panels keep
    // the bar to themselves.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QStatusBar::event(event);
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    const QColor dark = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    for (int panel = 0; panel < kPanelCount; ++panel) {
        const QRect r = PanelRect(panel);
        if (r.width() <= 0)
            continue;
        const QRect inner = r.adjusted(1, 1, -1, -1);
        if (IsSwatch(panel))
            painter.fillRect(inner, ResolveColor(FColorOf(panel), palette()));
        // A sunken edge, as the system draws its own panels.
        painter.setPen(dark);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(light);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.setPen(palette().color(QPalette::WindowText));
        if (IsSwatch(panel)) {
            painter.setPen(QColor(Qt::black));
            painter.drawText(inner.adjusted(kTextInset, 0, 0, 0), Qt::AlignVCenter, FTexts[panel]);
        } else if (panel == kProgressPanel) {
            painter.drawText(inner.adjusted(kTextInset, 0, 0, 0), Qt::AlignVCenter, FTexts[panel]);
        } else {
            painter.drawText(inner, Qt::AlignCenter, FTexts[panel]);
        }
    }
}

} // namespace tandrel
