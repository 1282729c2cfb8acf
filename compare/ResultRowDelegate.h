#pragma once
// Draws the rows of both result lists: the status colour behind the whole row, the row's
// image and newer-side marker in the 26 pixels left of the first column's text, then the
// texts. A chosen row is tinted with the highlight colour over its status colour, so the
// status stays readable.

#include "Colors.h"
#include "ListImages.h"

#include <functional>
#include <QStyledItemDelegate>

namespace tandrel {

// The left margin every row keeps for its images.
constexpr int kRowImageMargin = 26;

class TResultRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `statusColor` gives the background of a status, asked at every paint so a colour
    // chosen in the meantime shows at once.
    TResultRowDelegate(const TImageList& images, std::function<TColor(int status)> statusColor,
                       QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TImageList& FImages;
    std::function<TColor(int status)> FStatusColor;
};

} // namespace tandrel
