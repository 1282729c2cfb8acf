// A real export written by PowerBuilder (UTF-8 with a byte-order mark) against the same
// object read from its library: the two compare as equal once the file is converted.

#include "PbFuncs.h"
#include "SourceCompare.h"
#include "Stream.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tandrel {
namespace {

const std::string RealData = TANDREL_REALDATA_DIR;

std::vector<std::string> ObjectSource(const std::string& library, const std::string& name) {
    TFileStream stream(library);
    TEntryList entries;
    GetPblEntries(stream, entries);
    for (const auto& item : entries)
        if (item.Object && std::string(item.Object->Name) == name) {
            std::vector<std::string> lines;
            GetEntrySource(stream, *item.Object, lines);
            return lines;
        }
    return {};
}

TEST(SourceCompareRealData, UnicodeExportEqualsItsLibraryObject) {
    const std::string corpus = RealData + "/pfc2022";
    const std::string exported =
        corpus + "/ws_objects/demoapp/peat.pbl.src/d_project_category_summary.srd";
    if (!std::filesystem::exists(exported))
        GTEST_SKIP() << "no real data at " << RealData;
    const std::vector<std::string> object =
        ObjectSource(corpus + "/demoapp/peat.pbl", "d_project_category_summary.srd");
    ASSERT_GT(object.size(), 10u);

    TEditorCore left;
    TEditorCore right;
    TSourceCompare model(left, right);
    ASSERT_TRUE(model.LoadFile(exported, true));
    EXPECT_EQ(model.Encoding(true), TTextEncoding::Utf8Bom);
    model.LoadSource("d_project_category_summary@peat.pbl", object, false);
    ASSERT_EQ(model.Compare(), TCompareResult::Compared);
    EXPECT_TRUE(model.Blocks().empty());
    EXPECT_EQ(model.Counts().Count1, std::int32_t(object.size()));
}

} // namespace
} // namespace tandrel
