#pragma once
// The result list control: a report-style list over a TResultListModel whose columns sort
// by a click on their header, with a sort mark drawn to the right of the header's caption.

#include "ListImages.h"

#include <QHeaderView>
#include <QTreeView>
#include <vector>

namespace tandrel {

class TResultListModel;

// Draws each section's caption with the sort mark of its column beside it.
class TSortHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TSortHeader(QWidget* parent);
    void SetImages(const TImageList* images) { FImages = images; }
    // -1 for none, else the mark image index.
    void SetMark(int section, int image);
    int Mark(int section) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    const TImageList* FImages = nullptr;
    std::vector<int> FMarks;
};

class TMyListView : public QTreeView {
    Q_OBJECT
public:
    explicit TMyListView(QWidget* parent);

    // Shows the model's rows with its columns' widths and alignments.
    void SetResultModel(TResultListModel* model);
    TResultListModel* ResultModel() const { return FModel; }
    TSortHeader* Header() const { return FHeader; }

    void SetHeaderImages(const TImageList* images);
    // Sorts by a column: ascending on the first click, then the direction flips; every
    // other column loses its mark.
    void SortColumn(int column);
    // The column's mark from its sort direction.
    void UpdateSortMark(int column);
    // The order of two rows (view rows) by a column in its current direction.
    int CompareRows(int row1, int row2, int column) const;
    // 1 ascending, -1 descending, 0 unsorted.
    int SortTag(int column) const;
    void SetSortTag(int column, int tag);
    // Sorts the rows again by the marked column, if any, without changing marks.
    void ReapplySort();

    // Rows selected, in view order.
    std::vector<int> SelectedRows() const;

protected:
    // Enter on the current row opens it, as a double-click does.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The header's notifications: a click sorts, a finished resize or a double-click on a
    // divider restores the mark.
    void HeaderNotify();

    TResultListModel* FModel = nullptr;
    TSortHeader* FHeader;
    std::vector<int> FTags;
};

} // namespace tandrel
