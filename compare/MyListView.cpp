#include "MyListView.h"

#include "ResultListModel.h"

#include <algorithm>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace tandrel {

namespace {

constexpr int kMarkSize = 16;
constexpr int kMarkGap = 4;

} // namespace

TSortHeader::TSortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSortIndicatorShown(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TSortHeader::SetMark(int section, int image) {
    if (section < 0)
        return;
    if (static_cast<size_t>(section) >= FMarks.size())
        FMarks.resize(static_cast<size_t>(section) + 1, -1);
    FMarks[static_cast<size_t>(section)] = image;
    viewport()->update();
}

int TSortHeader::Mark(int section) const {
    return section >= 0 && static_cast<size_t>(section) < FMarks.size()
               ? FMarks[static_cast<size_t>(section)]
               : -1;
}

void TSortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    QStyleOptionHeader opt;
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    opt.sortIndicator = QStyleOptionHeader::None;
    const QString caption = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);

    const int mark = Mark(logicalIndex);
    const bool hasMark = mark >= 0 && FImages != nullptr;
    QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
    if (label.isEmpty())
        label = rect.adjusted(4, 0, -4, 0);
    const int reserve = hasMark ? kMarkSize + kMarkGap : 0;
    QRect textRect = label.adjusted(0, 0, -reserve, 0);
    const QFontMetrics metrics(font());
    const QString shown =
        metrics.elidedText(caption, Qt::ElideRight, std::max(0, textRect.width()));
    const Qt::Alignment align = opt.textAlignment;
    painter->save();
    painter->setClipRect(rect);
    painter->setPen(opt.palette.color(QPalette::ButtonText));
    painter->drawText(textRect, static_cast<int>(align | Qt::AlignVCenter), shown);
    if (hasMark) {
        const int textWidth = metrics.horizontalAdvance(shown);
        int x = align & Qt::AlignRight     ? textRect.right() + 1 + kMarkGap
                : align & Qt::AlignHCenter ? textRect.center().x() + textWidth / 2 + kMarkGap
                                           : textRect.left() + textWidth + kMarkGap;
        x = std::min(x, label.right() + 1 - kMarkSize);
        const int y = rect.top() + (rect.height() - kMarkSize) / 2;
        const QPixmap pixmap = FImages->Pixmap(mark, kMarkSize, devicePixelRatioF());
        painter->drawPixmap(QRect(x, y, kMarkSize, kMarkSize), pixmap);
    }
    painter->restore();
}

QSize TSortHeader::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    size.rwidth() += kMarkSize + kMarkGap;
    size.setHeight(std::max(size.height(), kMarkSize + 4));
    return size;
}

TMyListView::TMyListView(QWidget* parent) : QTreeView(parent), FHeader(new TSortHeader(this)) {
    setHeader(FHeader);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    // Sorting is the list's own: the header's clicks come to SortColumn.
    setSortingEnabled(false);
    FHeader->setSectionsClickable(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    HeaderNotify();
}

namespace {
bool IsEnter(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}
} // namespace

bool TMyListView::event(QEvent* event) {
    // The window's own Enter shortcut must not take the key from a list that has the focus.
    if (event->type() == QEvent::ShortcutOverride && IsEnter(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QTreeView::event(event);
}

void TMyListView::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event) && currentIndex().isValid()) {
        emit doubleClicked(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TMyListView::SetResultModel(TResultListModel* model) {
    FModel = model;
    setModel(model);
    const std::vector<TColumnInfo>& columns = ColumnInfos(model->Kind());
    FTags.assign(columns.size(), 0);
    for (size_t c = 0; c < columns.size(); ++c) {
        FHeader->resizeSection(static_cast<int>(c), columns[c].Width);
        UpdateSortMark(static_cast<int>(c));
    }
}

void TMyListView::SetHeaderImages(const TImageList* images) {
    FHeader->SetImages(images);
    FHeader->viewport()->update();
}

int TMyListView::SortTag(int column) const {
    return column >= 0 && static_cast<size_t>(column) < FTags.size()
               ? FTags[static_cast<size_t>(column)]
               : 0;
}

void TMyListView::SetSortTag(int column, int tag) {
    if (column >= 0 && static_cast<size_t>(column) < FTags.size())
        FTags[static_cast<size_t>(column)] = tag;
}

void TMyListView::SortColumn(int column) {
    if (column < 0 || static_cast<size_t>(column) >= FTags.size())
        return;
    for (size_t c = 0; c < FTags.size(); ++c) {
        int& tag = FTags[c];
        if (static_cast<int>(c) == column) {
            tag = tag == 0 ? 1 : -tag;
            UpdateSortMark(static_cast<int>(c));
        } else if (tag != 0) {
            tag = 0;
            UpdateSortMark(static_cast<int>(c));
        }
    }
    if (FModel)
        FModel->Sort(column, FTags[static_cast<size_t>(column)]);
}

void TMyListView::ReapplySort() {
    const auto marked = std::find_if(FTags.begin(), FTags.end(), [](int tag) { return tag != 0; });
    if (marked != FTags.end() && FModel)
        FModel->Sort(static_cast<int>(marked - FTags.begin()), *marked);
}

void TMyListView::UpdateSortMark(int column) {
    const int tag = SortTag(column);
    FHeader->SetMark(column, tag == 1 ? smAscending : tag == -1 ? smDescending : -1);
}

int TMyListView::CompareRows(int row1, int row2, int column) const {
    return FModel ? FModel->CompareRows(row1, row2, column) * SortTag(column) : 0;
}

std::vector<int> TMyListView::SelectedRows() const {
    std::vector<int> rows;
    if (selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMyListView::HeaderNotify() {
    connect(FHeader, &QHeaderView::sectionClicked, this,
            [this](int column) { SortColumn(column); });
    connect(FHeader, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (SortTag(column) != 0)
            UpdateSortMark(column);
    });
    connect(FHeader, &QHeaderView::sectionHandleDoubleClicked, this,
            [this](int column) { UpdateSortMark(column); });
}

} // namespace tandrel
