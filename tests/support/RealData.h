#pragma once
// The real PowerBuilder data the tests read lives beside the repository. On a developer's
// machine without it those tests are skipped; in CI (CI=true) its absence fails them, so a
// run that silently tested nothing real cannot pass.

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <initializer_list>

namespace tandrel::test {

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

// The first of the paths that does not exist, or an empty path when all do.
inline std::filesystem::path MissingRealData(std::initializer_list<std::filesystem::path> paths) {
    for (const std::filesystem::path& path : paths)
        if (!std::filesystem::exists(path))
            return path;
    return {};
}

} // namespace tandrel::test

// Skips the test, or fails it in CI, unless every path exists. Use in a test body or SetUp.
#define TANDREL_REQUIRE_REALDATA(...)                                                              \
    do {                                                                                           \
        const std::filesystem::path missing_ = ::tandrel::test::MissingRealData({__VA_ARGS__});    \
        if (!missing_.empty()) {                                                                   \
            if (::tandrel::test::InCi())                                                           \
                FAIL() << "real data missing in CI: " << missing_;                                 \
            GTEST_SKIP() << "no real data at " << missing_;                                        \
        }                                                                                          \
    } while (false)
