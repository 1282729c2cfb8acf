#include "ResultRowDelegate.h"

#include "ColorResolver.h"
#include "ResultListModel.h"

#include <algorithm>
#include <QApplication>
#include <QPainter>

namespace tandrel {

namespace {

constexpr int kImageSize = 16;
constexpr int kTextPadding = 3;

} // namespace

TResultRowDelegate::TResultRowDelegate(const TImageList& images,
                                       std::function<TColor(int status)> statusColor,
                                       QObject* parent)
    : QStyledItemDelegate(parent), FImages(images), FStatusColor(std::move(statusColor)) {}

void TResultRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QPalette& palette = option.palette;
    const int status = index.data(TResultListModel::StatusRole).toInt();
    QColor background = ResolveColor(FStatusColor(status), palette);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, background);
    if (selected) {
        QColor tint = palette.color(option.state & QStyle::State_Active ? QPalette::Active
                                                                        : QPalette::Inactive,
                                    QPalette::Highlight);
        tint.setAlpha(option.state & QStyle::State_Active ? 110 : 70);
        painter->fillRect(option.rect, tint);
    }

    QRect textRect = option.rect.adjusted(kTextPadding, 0, -kTextPadding, 0);
    if (index.column() == 0) {
        const qreal ratio = painter->device()->devicePixelRatioF();
        const int top = option.rect.top() + std::max(0, (option.rect.height() - kImageSize) / 2);
        const QPixmap image =
            FImages.Pixmap(index.data(TResultListModel::ImageRole).toInt(), kImageSize, ratio);
        if (!image.isNull())
            painter->drawPixmap(QRect(option.rect.left() + 1, top, kImageSize, kImageSize), image);
        const int newer = index.data(TResultListModel::NewerImageRole).toInt();
        if (newer >= 0) {
            const QPixmap marker = FImages.Pixmap(newer, kImageSize, ratio);
            painter->drawPixmap(QRect(option.rect.left() + 15, top, kImageSize, kImageSize),
                                marker);
        }
        textRect.setLeft(option.rect.left() + kRowImageMargin + kTextPadding);
    }

    const QString text = index.data(Qt::DisplayRole).toString();
    const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    painter->setFont(option.font);
    // Status colours are light; the text stays dark on them whatever the theme.
    painter->setPen(background.lightness() >= 128 ? QColor(Qt::black) : QColor(Qt::white));
    const QString shown =
        option.fontMetrics.elidedText(text, Qt::ElideRight, std::max(0, textRect.width()));
    painter->drawText(textRect, static_cast<int>(align | Qt::AlignVCenter), shown);
    if (option.state & QStyle::State_HasFocus && index.column() == 0) {
        painter->setPen(QPen(QColor(Qt::black), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize TResultRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), kImageSize + 2));
    if (index.column() == 0)
        size.rwidth() += kRowImageMargin;
    return size;
}

} // namespace tandrel
