#pragma once
// A path of its own for the running test, under the system's temporary folder: the prefix,
// the process and the test's name keep parallel test programs and tests apart.

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tandrel::test {

inline std::filesystem::path TestFolderPath(const std::string& prefix) {
    return std::filesystem::temp_directory_path() /
           (prefix + "-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

} // namespace tandrel::test
