// Paths named through workspaces and command lines are shown and remembered without
// detours, but never turned into the name of another file.

#include "CompareTestUtil.h"
#include "NormalPath.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tandrel::test {
namespace {

TEST(NormalPath, DropsDetoursAndMakesRelativePathsAbsolute) {
    EXPECT_EQ(NormalPath("/a/b/../c/./d.pbl"), "/a/c/d.pbl");
    EXPECT_EQ(NormalPath("/a//b///c.pbl"), "/a/b/c.pbl");
    EXPECT_EQ(NormalPath("/a/b/.."), "/a");
    EXPECT_EQ(NormalPath("/a/b/."), "/a/b");
    EXPECT_EQ(NormalPath("/a/b/"), "/a/b/");
    EXPECT_EQ(NormalPath("/../x.pbl"), "/x.pbl");
    EXPECT_EQ(NormalPath(""), "");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(NormalPath("x.pbl"), cwd + "/x.pbl");
    EXPECT_EQ(NormalPath("sub/../x.pbl"), cwd + "/x.pbl");
    // Bytes that are not UTF-8 pass through untouched.
    EXPECT_EQ(NormalPath("/x/\xBF\xE2/../\xBF\xE2.pbl"), "/x/\xBF\xE2.pbl");
}

TEST(NormalPath, KeepsTheDetourThroughALinkThatLeadsElsewhere) {
    const auto root =
        std::filesystem::temp_directory_path() / ("tandrel-normal-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "real/deep");
    std::filesystem::create_directories(root / "top");
    { std::ofstream(root / "real/app.pbl") << "real"; }
    { std::ofstream(root / "app.pbl") << "top"; }
    std::filesystem::create_directory_symlink(root / "real/deep", root / "link");

    // root/link/.. is root/real to the file system, not root.
    const std::string through = (root / "link/../app.pbl").string();
    EXPECT_EQ(NormalPath(through), through);
    // Where the detour leads to the same file it is dropped.
    const std::string plain = (root / "top/../app.pbl").string();
    EXPECT_EQ(NormalPath(plain), (root / "app.pbl").string());
    std::filesystem::remove_all(root);
}

} // namespace
} // namespace tandrel::test
