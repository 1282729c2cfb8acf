#pragma once
// A path of its own for the running test, and a fixture holding a folder at it, under the system's
// temporary folder: the prefix, the process and the test's name keep parallel test programs and
// tests apart.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace tandrel::test {

inline std::filesystem::path TestFolderPath(const std::string& prefix) {
    return std::filesystem::temp_directory_path() /
           (prefix + "-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// A fresh folder per test, removed afterwards, with files written into it by relative path.
class TFolderTest : public ::testing::Test {
protected:
    explicit TFolderTest(std::string prefix) : FPrefix(std::move(prefix)) {}

    void SetUp() override {
        FRoot = TestFolderPath(FPrefix);
        std::filesystem::remove_all(FRoot);
        std::filesystem::create_directories(FRoot);
    }
    void TearDown() override { std::filesystem::remove_all(FRoot); }

    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path path = FRoot / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::string At(const std::string& relative) const { return (FRoot / relative).string(); }

    std::filesystem::path FRoot;

private:
    std::string FPrefix;
};

} // namespace tandrel::test
