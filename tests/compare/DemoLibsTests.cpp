// The demo libraries written at build time give the comparison a new user is meant to see:
// every status on both lists, a library only on each side, one library byte-identical.

#include "LibCompare.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace tandrel {
namespace {

const std::string DemoDir = TANDREL_DEMO_DIR;

std::map<std::string, std::string> Statuses(TLibCompare& compare, bool objects) {
    std::map<std::string, std::string> out;
    const int count = objects ? compare.ObjPairCount() : compare.LibPairCount();
    for (int i = 0; i < count; ++i) {
        TResultRow row;
        EXPECT_TRUE(objects ? compare.ObjRow(i, row) : compare.LibRow(i, row));
        out[objects ? std::string(1, row.TypeLetter) + ":" + row.Name : row.Name] =
            StatusNames[row.Status];
    }
    return out;
}

int LibIndex(TLibCompare& compare, const std::string& name) {
    for (int i = 0; i < compare.LibPairCount(); ++i) {
        TResultRow row;
        compare.LibRow(i, row);
        if (row.Name == name)
            return i;
    }
    return -1;
}

TEST(DemoLibraries, WorkspacesGiveEveryStatus) {
    ASSERT_TRUE(std::filesystem::exists(DemoDir + "/v1/app.pbw"));
    ASSERT_TRUE(std::filesystem::exists(DemoDir + "/v2/app.pbt"));
    TLibCompare compare(testing::TempDir());
    std::string notices;
    compare.OnNotice = [&](const std::string& text, const std::string&) { notices += text; };
    const TCompareOptions options;
    compare.SetFilterKind(fkWorkspace);
    compare.AddLibraries({DemoDir + "/v1/app.pbw"}, 1, options);
    compare.AddLibraries({DemoDir + "/v2/app.pbw"}, 2, options);
    EXPECT_EQ(notices, "");

    const std::map<std::string, std::string> libs = {
        {"demoapp.pbl", "更改"},  {"democore.pbl", "相同"}, {"demodata.pbl", "更改"},
        {"demoutil.pbl", "更改"}, {"legacy.pbl", "减少"},   {"reports.pbl", "增加"}};
    EXPECT_EQ(Statuses(compare, false), libs);

    ASSERT_TRUE(compare.OpenLibPair(LibIndex(compare, "demoapp.pbl"), options));
    const std::map<std::string, std::string> app = {{"a:a_demo", "相同"},     {"m:m_main", "更改"},
                                                    {"m:m_popup", "相同"},    {"w:w_about", "相同"},
                                                    {"w:w_customer", "更改"}, {"w:w_main", "更改"},
                                                    {"w:w_settings", "增加"}};
    EXPECT_EQ(Statuses(compare, true), app);

    ASSERT_TRUE(compare.OpenLibPair(LibIndex(compare, "demoutil.pbl"), options));
    const std::map<std::string, std::string> util = {{"f:f_format_date", "相同"},
                                                     {"f:f_tax", "更改"},
                                                     {"s:s_address", "减少"},
                                                     {"u:u_button", "相同"},
                                                     // Blank lines added only.
                                                     {"u:u_dw_base", "相同"}};
    EXPECT_EQ(Statuses(compare, true), util);

    ASSERT_TRUE(compare.OpenLibPair(LibIndex(compare, "demodata.pbl"), options));
    EXPECT_EQ(Statuses(compare, true).at("d:d_products"), "增加");
    EXPECT_EQ(Statuses(compare, true).at("d:d_orders"), "更改");

    // Chinese texts are stored in the code page and come back as such.
    ASSERT_TRUE(compare.OpenLibPair(LibIndex(compare, "demoapp.pbl"), options));
    std::vector<std::string> lines;
    int customer = -1;
    for (int i = 0; i < compare.ObjPairCount(); ++i) {
        TResultRow row;
        compare.ObjRow(i, row);
        if (row.Name == "w_customer")
            customer = i;
    }
    ASSERT_TRUE(compare.ObjSource(customer, 2, lines));
    bool gbk = false;
    for (const std::string& line : lines)
        gbk = gbk || line.find("\xBF\xCD\xBB\xA7") != std::string::npos; // 客户 in GBK
    EXPECT_TRUE(gbk);
}

TEST(DemoLibraries, TargetsListTheirLibraries) {
    std::vector<std::string> libs;
    GetTargetLibs(DemoDir + "/v1/app.pbt", libs);
    ASSERT_EQ(libs.size(), 5u);
    EXPECT_TRUE(libs.back().ends_with("/legacy.pbl"));
    for (const std::string& lib : libs)
        EXPECT_TRUE(std::filesystem::exists(lib)) << lib;
}

} // namespace
} // namespace tandrel
