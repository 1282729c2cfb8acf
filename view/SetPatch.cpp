#include "SetPatch.h"

#include "SourceExport.h"
#include "UnifiedDiff.h"

namespace tandrel {

std::string PathFileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

// The source of one half of an object pair, and the name the patch gives it.
struct THalf {
    std::string Name = "/dev/null";
    std::string Text;
};

THalf ReadHalf(const TLibCompare& model, int index, int side, const std::string& library) {
    THalf half;
    const TKeyedItem<TPblEntry>& item =
        (side == 1 ? model.Objs1() : model.Objs2())[static_cast<size_t>(index)];
    if (item.Key.empty())
        return half;
    half.Name = std::string(side == 1 ? "a/" : "b/") + library + "/" + ExportFileName(*item.Object);
    half.Text = ObjectExportText(model, index, side);
    return half;
}

} // namespace

int EmitSetPatch(TLibCompare& model, const TCompareOptions& options, int context,
                 const std::function<void(std::string_view)>& emit) {
    int written = 0;
    TResultRow lib;
    for (int i = 0; model.LibRow(i, lib); ++i) {
        // Equal size and file time make a library pair the same without a look inside, but
        // copies checked out together share a time: the patch must not miss what they hold.
        if (!model.OpenLibPair(i, options))
            continue;
        const std::string library1 = PathFileName(lib.Path1.empty() ? lib.Path2 : lib.Path1);
        const std::string library2 = PathFileName(lib.Path2.empty() ? lib.Path1 : lib.Path2);
        for (const int k : model.ObjViewOrder()) {
            TResultRow obj;
            if (!model.ObjRow(k, obj) || obj.Status == csSame)
                continue;
            const THalf half1 = ReadHalf(model, k, 1, library1);
            const THalf half2 = ReadHalf(model, k, 2, library2);
            const std::vector<TDiffBlock> blocks =
                DiffTexts(half1.Text, half2.Text, options.IgnoreCase, options.IgnoreBlanks);
            if (EmitUnifiedDiff({half1.Name, half2.Name, "", ""}, blocks, half1.Text, half2.Text,
                                context, emit))
                ++written;
        }
    }
    return written;
}

} // namespace tandrel
