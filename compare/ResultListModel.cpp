#include "ResultListModel.h"

#include "AllObjects.h"
#include "CodePage.h"
#include "DisplayText.h"
#include "ListImages.h"
#include "PathText.h"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace tandrel {

namespace {

const std::vector<TColumnInfo> LibColumns = {
    {"库文件列表", 170, Qt::AlignLeft}, {"比较结果", 100, Qt::AlignLeft},
    {"修改时间1", 120, Qt::AlignLeft},  {"大小1", 80, Qt::AlignRight},
    {"修改时间2", 120, Qt::AlignLeft},  {"大小2", 80, Qt::AlignRight},
};

const std::vector<TColumnInfo> ObjColumns = {
    {"对象名称", 150, Qt::AlignLeft}, {"比较结果", 100, Qt::AlignLeft},
    {"时间1", 120, Qt::AlignLeft},    {"大小1", 80, Qt::AlignRight},
    {"时间2", 120, Qt::AlignLeft},    {"大小2", 80, Qt::AlignRight},
    {"类型标志", 50, Qt::AlignLeft},
};

const std::vector<TColumnInfo> AllColumns = {
    {"对象名称", 150, Qt::AlignLeft}, {"比较结果", 100, Qt::AlignLeft},
    {"库1", 110, Qt::AlignLeft},      {"时间1", 120, Qt::AlignLeft},
    {"大小1", 70, Qt::AlignRight},    {"库2", 110, Qt::AlignLeft},
    {"时间2", 120, Qt::AlignLeft},    {"大小2", 70, Qt::AlignRight},
    {"类型标志", 50, Qt::AlignLeft},
};

// Whole texts that are decimal integers; anything else counts as 0.
int64_t NumberOf(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end ? value : 0;
}

int CompareFolded(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The side whose time text is greater is newer: the time pattern orders like time.
int NewerMarker(const TResultRow& row) {
    if (row.Status != csSame && row.Status != csChanged)
        return -1;
    const int order = row.Time1.compare(row.Time2);
    return order > 0 ? riSide1Newer : order < 0 ? riSide2Newer : -1;
}

} // namespace

const std::vector<TColumnInfo>& ColumnInfos(TListKind kind) {
    return kind == TListKind::Libraries ? LibColumns
           : kind == TListKind::Objects ? ObjColumns
                                        : AllColumns;
}

TResultListModel::TResultListModel(TListKind kind, QObject* parent)
    : QAbstractTableModel(parent), FKind(kind) {
    for (int s = 0; s < 4; ++s)
        FStatusTexts[s] = SystemCodePage().FromUtf8(StatusNames[s]);
}

TResultListModel::TRow TResultListModel::MakeRow(int index, const TResultRow& result) const {
    TRow row;
    row.Index = index;
    row.Status = result.Status < 4 ? result.Status : static_cast<uint8_t>(csSame);
    row.Newer = NewerMarker(result);
    // A library's name is shown from the file system's spelling, which may hold characters
    // that its code page form has lost.
    row.Name = FKind == TListKind::Libraries ? QString::fromUtf8(PathToUtf8Text(result.Key))
                                             : FromCodePage(result.Name);
    row.Cells = {result.Name, FStatusTexts[row.Status], result.Time1, result.Size1, result.Time2,
                 result.Size2};
    if (FKind == TListKind::AllObjects) {
        row.Cells[1] = SystemCodePage().FromUtf8(AllObjectsStatusWord(result));
        if (result.Moved)
            row.Status = kMovedStatus;
        const auto libCell = [](const std::string& lib, bool shadowed) {
            return lib.empty() ? lib : PathToCodePage(lib) + (shadowed ? ShadowedMark : "");
        };
        row.Cells.insert(row.Cells.begin() + 2, libCell(result.Lib1, result.Shadowed1));
        row.Cells.insert(row.Cells.begin() + 5, libCell(result.Lib2, result.Shadowed2));
    }
    row.Word = FromCodePage(row.Cells[1]);
    if (FKind == TListKind::Libraries) {
        row.Image = result.Folder ? riFolder : riLibrary;
        for (const std::string* path : {&result.Path1, &result.Path2})
            if (!path->empty())
                row.Paths += (row.Paths.isEmpty() ? QString() : QStringLiteral("\n")) +
                             QString::fromUtf8(PathToUtf8Text(*path));
    } else {
        row.Image = TypeImage(result.TypeLetter);
        row.Cells.push_back(result.TypeLetter ? std::string(1, result.TypeLetter) : std::string());
    }
    const std::vector<TColumnInfo>& columns = ColumnInfos(FKind);
    row.Numbers.assign(columns.size(), 0);
    for (size_t c = 0; c < columns.size(); ++c)
        if (!(columns[c].Alignment & Qt::AlignLeft))
            row.Numbers[c] = NumberOf(row.Cells[c]);
    return row;
}

void TResultListModel::Fill(const TLibCompare& compare) {
    beginResetModel();
    FRows.clear();
    const bool libs = FKind == TListKind::Libraries;
    const int count = libs ? compare.LibPairCount() : compare.ObjPairCount();
    FRows.reserve(static_cast<size_t>(count));
    TResultRow result;
    for (int i = 0; i < count; ++i)
        if (libs ? compare.LibRow(i, result) : compare.ObjRow(i, result))
            FRows.push_back(MakeRow(i, result));
    endResetModel();
}

void TResultListModel::Fill(const TAllObjects& all) {
    beginResetModel();
    FRows.clear();
    FRows.reserve(static_cast<size_t>(all.RowCount()));
    TResultRow result;
    for (int i = 0; all.Row(i, result); ++i)
        FRows.push_back(MakeRow(i, result));
    endResetModel();
}

void TResultListModel::Clear() {
    beginResetModel();
    FRows.clear();
    endResetModel();
}

int TResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ColumnInfos(FKind).size());
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row()))
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return Text(row, index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            ColumnInfos(FKind)[static_cast<size_t>(index.column())].Alignment | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        return index.column() == 0 ? FRows[static_cast<size_t>(row)].Paths : QString();
    case PairIndexRole:
        return FRows[static_cast<size_t>(row)].Index;
    case StatusRole:
        return FRows[static_cast<size_t>(row)].Status;
    case ImageRole:
        return FRows[static_cast<size_t>(row)].Image;
    case NewerImageRole:
        return FRows[static_cast<size_t>(row)].Newer;
    default:
        return QVariant();
    }
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const std::vector<TColumnInfo>& columns = ColumnInfos(FKind);
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size()))
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(columns[static_cast<size_t>(section)].Caption);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns[static_cast<size_t>(section)].Alignment |
                                   Qt::AlignVCenter);
    return QVariant();
}

int TResultListModel::PairIndex(int row) const {
    return Valid(row) ? FRows[static_cast<size_t>(row)].Index : -1;
}

uint8_t TResultListModel::Status(int row) const {
    return Valid(row) ? FRows[static_cast<size_t>(row)].Status : static_cast<uint8_t>(csSame);
}

int TResultListModel::Image(int row) const {
    return Valid(row) ? FRows[static_cast<size_t>(row)].Image : -1;
}

int TResultListModel::NewerImage(int row) const {
    return Valid(row) ? FRows[static_cast<size_t>(row)].Newer : -1;
}

const std::string& TResultListModel::SortText(int row, int column) const {
    static const std::string empty;
    if (!Valid(row))
        return empty;
    const std::vector<std::string>& cells = FRows[static_cast<size_t>(row)].Cells;
    return column >= 0 && column < static_cast<int>(cells.size())
               ? cells[static_cast<size_t>(column)]
               : empty;
}

QString TResultListModel::Text(int row, int column) const {
    if (!Valid(row))
        return QString();
    const TRow& r = FRows[static_cast<size_t>(row)];
    if (column == 0)
        return r.Name;
    if (column == 1)
        return r.Word;
    if (FKind == TListKind::AllObjects && (column == 2 || column == 5))
        return FromCodePage(SortText(row, column));
    // Times, sizes and type letters are ASCII.
    return QString::fromLatin1(SortText(row, column));
}

int TResultListModel::CompareRows(int row1, int row2, int column) const {
    if (!Valid(row1) || !Valid(row2))
        return 0;
    const std::vector<TColumnInfo>& columns = ColumnInfos(FKind);
    if (column < 0 || column >= static_cast<int>(columns.size()))
        return 0;
    const TRow& a = FRows[static_cast<size_t>(row1)];
    const TRow& b = FRows[static_cast<size_t>(row2)];
    const auto c = static_cast<size_t>(column);
    if (!(columns[c].Alignment & Qt::AlignLeft))
        return a.Numbers[c] < b.Numbers[c] ? -1 : a.Numbers[c] > b.Numbers[c] ? 1 : 0;
    return CompareFolded(a.Cells[c], b.Cells[c]);
}

void TResultListModel::Sort(int column, int direction) {
    std::vector<int> order(FRows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return CompareRows(a, b, column) * direction < 0; });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    std::vector<TRow> sorted;
    sorted.reserve(FRows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(FRows[static_cast<size_t>(order[i])]));
    }
    FRows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.push_back(this->index(newRowOf[static_cast<size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace tandrel
