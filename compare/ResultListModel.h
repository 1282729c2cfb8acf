#pragma once
// The rows of the library list or of the object list, as a Qt table model over the rows of
// TLibCompare. The texts are taken once per refill: code page bytes for sorting, Unicode
// for drawing. The list never edits a row; every change of the lists refills it.

#include "LibCompare.h"

#include <cstdint>
#include <QAbstractTableModel>
#include <QString>
#include <string>
#include <vector>

namespace tandrel {

enum class TListKind { Libraries, Objects, AllObjects };

// The colour status of a moved row of the all-objects list, beside the four TCompareStatus.
constexpr uint8_t kMovedStatus = 4;

class TAllObjects;

struct TColumnInfo {
    const char* Caption; // UTF-8
    int Width;
    Qt::Alignment Alignment;
};

const std::vector<TColumnInfo>& ColumnInfos(TListKind kind);

class TResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TRole : int {
        PairIndexRole = Qt::UserRole, // the row's index in the paired lists
        StatusRole,                   // TCompareStatus
        ImageRole,                    // row image index
        NewerImageRole,               // newer-side marker index, -1 for none
    };

    TResultListModel(TListKind kind, QObject* parent);

    TListKind Kind() const { return FKind; }
    // Rows of every pair of the lists, in the lists' (key) order.
    void Fill(const TLibCompare& compare);
    // Rows of the all-objects list, in its key order.
    void Fill(const TAllObjects& all);
    void Clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int PairIndex(int row) const;
    uint8_t Status(int row) const;
    int Image(int row) const;
    int NewerImage(int row) const;
    // The text of a cell as the list sorts it (code page bytes).
    const std::string& SortText(int row, int column) const;
    QString Text(int row, int column) const;

    // The list view's row order for one column, without direction: numbers for columns that
    // are not left-aligned (a text that is not a number counts as 0), otherwise texts with
    // a-z folded to capitals, compared as unsigned bytes, a start of a text sorting first.
    int CompareRows(int row1, int row2, int column) const;
    // Sorts the rows stably by CompareRows times `direction` (1 or -1); selections and
    // current items follow their rows.
    void Sort(int column, int direction);

private:
    struct TRow {
        int Index = 0;
        uint8_t Status = csSame;
        int Image = 0;
        int Newer = -1;
        QString Name;
        QString Word;  // the status as shown
        QString Paths; // libraries: the two files, one a line, shown as the row's tip
        std::vector<std::string> Cells; // code page bytes, one per column
        std::vector<int64_t> Numbers;   // per column, for the columns sorted as numbers
    };
    bool Valid(int row) const { return row >= 0 && row < static_cast<int>(FRows.size()); }
    TRow MakeRow(int index, const TResultRow& result) const;

    TListKind FKind;
    std::vector<TRow> FRows;
    std::string FStatusTexts[4]; // the status words in the code page
};

} // namespace tandrel
