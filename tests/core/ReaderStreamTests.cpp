// The byte streams under the reader: buffered file reads against the same bytes in memory.

#include "MappedFile.h"
#include "Stream.h"
#include "TestFolder.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel {
namespace {

namespace fs = std::filesystem;

class ReaderStream : public ::testing::Test {
protected:
    void SetUp() override { FPath = test::TestFolderPath("tandrel-stream"); }
    void TearDown() override { fs::remove(FPath); }

    std::vector<unsigned char> WriteRandom(size_t size, unsigned seed) {
        std::mt19937 random(seed);
        std::vector<unsigned char> bytes(size);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        std::ofstream(FPath, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
        return bytes;
    }

    fs::path FPath;
};

TEST_F(ReaderStream, RandomSeeksReadsViewsAndHintsGiveTheFileBytes) {
    const std::vector<unsigned char> bytes = WriteRandom(300000, 7);
    // Kept up to the largest bound, with so little room that the chunks are let go again
    // and again, not kept beyond the last read, and read in place through a map.
    const std::pair<size_t, bool> ways[] = {{TFileStream::kKeepMax, false},
                                            {3 * TFileStream::kChunk, false},
                                            {size_t{0}, false},
                                            {TFileStream::kKeepMax, true}};
    for (const auto& [keepMax, mapped] : ways) {
        SCOPED_TRACE(testing::Message() << keepMax << (mapped ? " mapped" : ""));
        TFileStream file(FPath.string(), keepMax, mapped);
        TMemoryStream memory(bytes);
        ASSERT_EQ(file.Size(), 300000);
        std::mt19937 random(11);
        std::vector<unsigned char> a;
        std::vector<unsigned char> b;
        for (int step = 0; step < 3000; ++step) {
            const int64_t position = static_cast<int64_t>(random() % 320000);
            const size_t count = random() % 4 == 0 ? random() % 80000 : random() % 700;
            if (random() % 3 == 0)
                file.WillRead(static_cast<int64_t>(random() % 320000), random() % 200000);
            if (random() % 2 == 0) {
                file.Seek(position);
                memory.Seek(position);
            }
            a.assign(count, 0xEE);
            b.assign(count, 0xEE);
            size_t gotFile = 0;
            if (random() % 3 == 0) {
                // A view of kept bytes, or a copy in the scratch room when they are not.
                const unsigned char* view = nullptr;
                std::vector<unsigned char> scratch(count + 1, 0xEE);
                gotFile = file.ReadView(view, count, scratch.data());
                ASSERT_TRUE(view != nullptr) << step;
                std::copy(view, view + gotFile, a.begin());
            } else {
                gotFile = file.Read(a.data(), count);
            }
            const size_t gotMemory = memory.Read(b.data(), count);
            ASSERT_EQ(gotFile, gotMemory) << step;
            ASSERT_EQ(a, b) << step;
            ASSERT_EQ(file.Position(), memory.Position()) << step;
        }
    }
}

TEST_F(ReaderStream, WhatWasReadIsKeptAndReadOnce) {
    const std::vector<unsigned char> before = WriteRandom(100000, 3);
    TFileStream file(FPath.string(), TFileStream::kKeepMax);
    std::vector<unsigned char> a(5000);
    file.Seek(40000);
    ASSERT_EQ(file.Read(a.data(), a.size()), a.size());
    file.Seek(0);
    ASSERT_EQ(file.Read(a.data(), 100), 100u);
    // Written over in place: the chunks read before give the bytes they held then.
    const std::vector<unsigned char> after = WriteRandom(100000, 4);
    std::vector<unsigned char> b(5000);
    file.Seek(40000);
    ASSERT_EQ(file.Read(b.data(), b.size()), b.size());
    EXPECT_TRUE(std::equal(b.begin(), b.end(), before.begin() + 40000));
    file.Seek(90000);
    ASSERT_EQ(file.Read(b.data(), b.size()), b.size());
    EXPECT_TRUE(std::equal(b.begin(), b.end(), after.begin() + 90000));
}

TEST_F(ReaderStream, AFileShortenedWhileOpenReadsShort) {
    WriteRandom(100000, 5);
    TFileStream file(FPath.string());
    fs::resize_file(FPath, 50000);
    std::vector<unsigned char> a(20000);
    file.Seek(40000);
    EXPECT_EQ(file.Read(a.data(), a.size()), 10000u);
    file.Seek(60000);
    EXPECT_EQ(file.Read(a.data(), 100), 0u);
    file.WillRead(0, 100000);
    file.Seek(45000);
    EXPECT_EQ(file.Read(a.data(), a.size()), 5000u);
    EXPECT_EQ(file.Size(), 100000) << "the size it was opened with";
}

// Another program may shorten a library while it is mapped. Touching the lost part must not
// end the program; the stream says what happened at its next use, or when asked.
TEST_F(ReaderStream, AFileShortenedWhileMappedIsAReadErrorNotACrash) {
    const std::vector<unsigned char> bytes = WriteRandom(100000, 5);
    TFileStream file(FPath.string(), TFileStream::kKeepMax, true);
    std::vector<unsigned char> a(20000);
    ASSERT_EQ(file.Read(a.data(), a.size()), a.size());
    EXPECT_TRUE(std::equal(a.begin(), a.end(), bytes.begin()));
    EXPECT_NO_THROW(file.CheckWhole());

    fs::resize_file(FPath, 30000);
    const unsigned char* view = nullptr;
    file.Seek(70000);
    ASSERT_EQ(file.ReadView(view, 1000, nullptr), 1000u);
    volatile unsigned char sum = 0;
    for (size_t i = 0; i < 1000; ++i)
        sum = static_cast<unsigned char>(sum + view[i]);
    EXPECT_EQ(sum, 0) << "the lost page reads as zeros";
    const std::string expected =
        "Cannot read file \"" + FPath.string() + "\". It was shortened while it was read";
    try {
        file.CheckWhole();
        FAIL() << "the view of lost bytes went unnoticed";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
    file.Seek(0);
    EXPECT_THROW(file.Read(a.data(), 10), std::runtime_error);

    // A copy that runs into the lost part is refused at once, by a stream of its own.
    TFileStream other(FPath.string(), TFileStream::kKeepMax, true);
    ASSERT_EQ(other.Size(), 30000);
    fs::resize_file(FPath, 1000);
    EXPECT_THROW(other.Read(a.data(), a.size()), std::runtime_error);
}

// The handler that survives lost pages of mapped libraries must not swallow other faults.
TEST(ReaderStreamDeathTest, ABusErrorOutsideALibraryStillEndsTheProgram) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reports the fault itself and exits";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = test::TestFolderPath("tandrel-stream-bus");
    std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
    EXPECT_EXIT(
        {
            // A library mapped first, so that the handler is in place.
            const TFileStream library(path.string(), TFileStream::kKeepMax, true);
            const int handle = ::open(path.c_str(), O_RDONLY);
            const auto* data = static_cast<const volatile unsigned char*>(
                ::mmap(nullptr, 100000, PROT_READ, MAP_PRIVATE, handle, 0));
            fs::resize_file(path, 10);
            std::exit(data[90000]);
        },
        testing::KilledBySignal(SIGBUS), "");
    fs::remove(path);
}

// A mapping whose owner cannot check its bytes ends the program with its message instead.
TEST(ReaderStreamDeathTest, AMappingWithAMessageEndsTheProgramWhenItsFileIsCut) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = test::TestFolderPath("tandrel-stream-cut");
    std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
    EXPECT_EXIT(
        {
            const int handle = ::open(path.c_str(), O_RDONLY);
            const TMappedFile map(handle, 100000, true, "input.txt was shortened\n");
            fs::resize_file(path, 10);
            const volatile unsigned char* data = map.Data();
            std::exit(data[90000]);
        },
        testing::ExitedWithCode(2), "input.txt was shortened");
    fs::remove(path);
}

TEST_F(ReaderStream, ReadsPastTheEndDeliverNothing) {
    WriteRandom(100, 1);
    TFileStream file(FPath.string());
    unsigned char buffer[16];
    file.Seek(95);
    EXPECT_EQ(file.Read(buffer, 16), 5u);
    EXPECT_EQ(file.Read(buffer, 16), 0u);
    file.Seek(1 << 30);
    EXPECT_EQ(file.Read(buffer, 16), 0u);
    file.Seek(-5);
    EXPECT_EQ(file.Position(), 0);
    EXPECT_EQ(file.Read(nullptr, 0), 0u);
}

TEST_F(ReaderStream, OpenErrorsNameTheFileAndTheReason) {
    const std::string missing = (FPath.parent_path() / "no-such-library.pbl").string();
    try {
        TFileStream file(missing);
        FAIL() << "opened";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    const std::string folder = FPath.parent_path().string();
    try {
        TFileStream file(folder);
        FAIL() << "opened a folder";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + folder + "\". Is a directory");
    }
    // A FIFO named like a library must be refused at once, not block the open.
    const std::string fifo = (FPath.parent_path() / "fifo.pbl").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    try {
        TFileStream file(fifo);
        FAIL() << "opened a FIFO";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + fifo + "\". Not a regular file");
    }
    std::remove(fifo.c_str());
}

TEST(ReaderMemoryStream, BehavesLikeAFile) {
    TMemoryStream memory("abcdef", 6);
    char buffer[8] = {};
    memory.Seek(4);
    EXPECT_EQ(memory.Read(buffer, 8), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    memory.Seek(10);
    EXPECT_EQ(memory.Read(buffer, 8), 0u);
    EXPECT_EQ(memory.Position(), 10);
}

} // namespace
} // namespace tandrel
