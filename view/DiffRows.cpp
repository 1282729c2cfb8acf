#include "DiffRows.h"

#include <algorithm>
#include <stdexcept>

namespace tandrel {

namespace {

// Appends rows to both sides; line indices are checked against the texts because the
// blocks come from elsewhere.
template <class Lines> class TRowWalk {
public:
    TRowWalk(const Lines& text1, const Lines& text2, TDiffRows& rows)
        : FText1(text1), FText2(text2), FRows(rows) {}

    std::string_view Line1(int64_t index) const { return Line(FText1, index); }
    std::string_view Line2(int64_t index) const { return Line(FText2, index); }

    void AddRow(const TDiffRow& side1, const TDiffRow& side2) {
        FRows.Side1.push_back(side1);
        FRows.Side2.push_back(side2);
    }

private:
    static std::string_view Line(const Lines& text, int64_t index) {
        if (index < 0 || static_cast<uint64_t>(index) >= text.size())
            throw std::out_of_range("The differences do not fit the texts (line " +
                                    std::to_string(index + 1) + " of " +
                                    std::to_string(text.size()) + ")");
        return text[static_cast<size_t>(index)];
    }

    const Lines& FText1;
    const Lines& FText2;
    TDiffRows& FRows;
};

int32_t Tag(int64_t index) {
    return static_cast<int32_t>(index + 1);
}

template <class Lines>
TDiffRows BuildRows(const std::vector<TDiffBlock>& blocks, const Lines& text1, const Lines& text2,
                    const TRowColors& colors, bool diffsOnly) {
    TDiffRows rows;
    rows.Counts.Count1 = static_cast<int32_t>(text1.size());
    rows.Counts.Count2 = static_cast<int32_t>(text2.size());
    size_t rowCount = diffsOnly ? 0 : text1.size();
    for (const TDiffBlock& block : blocks)
        if (diffsOnly || block.Kind == bkAdd)
            rowCount += static_cast<size_t>(std::max(block.Count, 0));
    rowCount = std::min(rowCount, text1.size() + text2.size());
    rows.Side1.reserve(rowCount);
    rows.Side2.reserve(rowCount);

    TRowWalk<Lines> walk(text1, text2, rows);
    int64_t i = 0;
    int64_t j = 0;
    // Lines i .. end-1 of text 1 (and as many of text 2 from j) stand before the next row.
    auto hide = [&](int64_t end) {
        if (end <= i)
            return;
        walk.Line1(end - 1);
        walk.Line2(j + end - i - 1);
        rows.Hidden.push_back({static_cast<int32_t>(rows.Side1.size()), static_cast<int32_t>(i),
                               static_cast<int32_t>(j), static_cast<int32_t>(end - i)});
    };
    auto addEqualRow = [&] {
        walk.AddRow({walk.Line1(i), colors.Unchanged, Tag(i), rkUnchanged},
                    {walk.Line2(j), colors.Unchanged, Tag(j), rkUnchanged});
        ++i;
        ++j;
    };
    for (const TDiffBlock& block : blocks) {
        const int64_t start1 = block.Pos1;
        const int64_t start2 = block.Pos2;
        const int64_t count = block.Count;
        if (diffsOnly) {
            hide(start1);
            j += start1 - i;
        } else {
            while (i < start1)
                addEqualRow();
        }
        switch (block.Kind) {
        case bkAdd:
            for (int64_t n = 0; n < count; ++n, ++j) {
                walk.AddRow({"", colors.Added, 0, rkAddedFiller},
                            {walk.Line2(j), colors.Added, Tag(j), rkUnchanged});
                ++rows.Counts.Added;
            }
            i = start1;
            j = start2 + count;
            break;
        case bkModify:
            for (int64_t n = 0; n < count; ++n) {
                walk.AddRow({walk.Line1(start1 + n), colors.Modified, Tag(start1 + n), rkModified},
                            {walk.Line2(j + n), colors.Modified, Tag(j + n), rkUnchanged});
                ++rows.Counts.Changed;
            }
            i = start1 + count;
            j = start2 + count;
            break;
        default:
            for (int64_t n = 0; n < count; ++n) {
                walk.AddRow({walk.Line1(start1 + n), colors.Deleted, Tag(start1 + n), rkDeleted},
                            {"", colors.Deleted, 0, rkDeleted});
                ++rows.Counts.Deleted;
            }
            i = start1 + count;
            break;
        }
    }
    if (diffsOnly)
        hide(static_cast<int64_t>(text1.size()));
    else
        while (i < static_cast<int64_t>(text1.size()))
            addEqualRow();
    return rows;
}

} // namespace

TDiffRows BuildDiffRows(const std::vector<TDiffBlock>& blocks,
                        const std::vector<std::string>& text1,
                        const std::vector<std::string>& text2, const TRowColors& colors,
                        bool diffsOnly) {
    return BuildRows(blocks, text1, text2, colors, diffsOnly);
}

TDiffRows BuildDiffRows(const std::vector<TDiffBlock>& blocks,
                        const std::vector<std::string_view>& text1,
                        const std::vector<std::string_view>& text2, const TRowColors& colors,
                        bool diffsOnly) {
    return BuildRows(blocks, text1, text2, colors, diffsOnly);
}

} // namespace tandrel
