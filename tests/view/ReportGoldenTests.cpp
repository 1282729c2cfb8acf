// Whole reports compared byte for byte with the files in tests/data/report-*/: each case
// holds file1.txt, file2.txt, an optional "options" line (ignore-case, ignore-blanks,
// diffs-only) and the expected report.txt, made with fixed time texts.

#include "DiffReport.h"
#include "DiffRows.h"
#include "DiffUnit.h"
#include "HashUnit.h"
#include "TextFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
constexpr TRowColors Colors{0xFF000005u, 0x00F0CCA8u, 0x006FFB8Au, 0x00BB77FFu};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string MakeReport(const fs::path& dir) {
    const std::string options = fs::exists(dir / "options") ? ReadBytes(dir / "options") : "";
    const bool ignoreCase = options.find("ignore-case") != std::string::npos;
    const bool ignoreBlanks = options.find("ignore-blanks") != std::string::npos;
    const bool diffsOnly = options.find("diffs-only") != std::string::npos;
    const TTextFile file1 = LoadTextFile((dir / "file1.txt").string());
    const TTextFile file2 = LoadTextFile((dir / "file2.txt").string());
    const std::vector<int32_t> h1 = HashLines(file1.Lines, ignoreCase, ignoreBlanks);
    const std::vector<int32_t> h2 = HashLines(file2.Lines, ignoreCase, ignoreBlanks);
    TDiff diff;
    if (!diff.Execute(h1.data(), h2.data(), static_cast<int32_t>(h1.size()),
                      static_cast<int32_t>(h2.size())))
        throw std::runtime_error("diff failed");
    const TDiffRows rows =
        BuildDiffRows(diff.Blocks(), file1.Lines, file2.Lines, Colors, diffsOnly);
    return JoinReportLines(BuildDiffReport("file1.txt", "file2.txt", "01/02/24, 10:30", "",
                                           "12/08/26, 09:15", rows.Side1, rows.Side2));
}

TEST(ReportGolden, AllCases) {
    const fs::path root = TANDREL_GOLDEN_DIR;
    int cases = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        if (!entry.is_directory() || entry.path().filename().string().rfind("report-", 0) != 0)
            continue;
        ++cases;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string expected = ReadBytes(entry.path() / "report.txt");
        EXPECT_EQ(MakeReport(entry.path()), expected);
    }
    EXPECT_GE(cases, 8);
}

} // namespace
} // namespace tandrel
