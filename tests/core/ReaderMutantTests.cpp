// Real libraries with one number of their directory or data chains changed: each mutant
// reads exactly as the library did or reports damage, and no mutant makes the sources add
// up to more text than the file holds. Skipped when the folder of real data is absent.

#include "PbFuncs.h"
#include "RealData.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

const fs::path kRealData = TANDREL_REALDATA_DIR;

struct Reading {
    bool Damaged = false;
    std::vector<Strings> Sources; // in listing order, keys first
    size_t Text = 0;
    size_t Entries = 0;
};

Reading ReadLibrary(const Bytes& bytes) {
    TMemoryStream stream(bytes);
    TEntryList entries;
    TPblDamage damage;
    GetPblEntries(stream, entries, &damage);
    Reading reading;
    reading.Damaged = damage.Found();
    reading.Entries = entries.size();
    for (const auto& item : entries) {
        Strings lines{item.Key};
        GetEntrySource(stream, *item.Object, lines);
        for (size_t i = 1; i < lines.size(); ++i)
            reading.Text += lines[i].size();
        reading.Sources.push_back(std::move(lines));
    }
    return reading;
}

int32_t Get32(const Bytes& b, size_t at) {
    return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                (static_cast<uint32_t>(b[at + 3]) << 24));
}

// One number changed: its place, its width and the value written there.
struct Mutant {
    size_t At;
    int Width; // 2 or 4 bytes
    int64_t Value;
    const char* What;
};

void Apply(Bytes& bytes, const Mutant& m) {
    for (int i = 0; i < m.Width; ++i)
        bytes[m.At + static_cast<size_t>(i)] =
            static_cast<unsigned char>(static_cast<uint64_t>(m.Value) >> (8 * i));
}

// Mutants of every listed entry's data offset and size and of every block of its chain.
std::vector<Mutant> ChainMutants(const Bytes& bytes) {
    TMemoryStream stream(bytes);
    TEntryList entries;
    GetPblEntries(stream, entries);
    std::vector<Mutant> mutants;
    for (const auto& item : entries) {
        const TPblEntry& entry = *item.Object;
        // The directory record holds DataOffset and DataSize side by side.
        Bytes fields(8);
        for (int i = 0; i < 4; ++i) {
            fields[static_cast<size_t>(i)] =
                static_cast<unsigned char>(entry.DataOffset >> (8 * i));
            fields[static_cast<size_t>(4 + i)] =
                static_cast<unsigned char>(entry.DataSize >> (8 * i));
        }
        const auto found = std::search(bytes.begin(), bytes.end(), fields.begin(), fields.end());
        if (found == bytes.end()) {
            ADD_FAILURE() << entry.Name << ": record not found";
            continue;
        }
        const auto field = static_cast<size_t>(found - bytes.begin());
        const int64_t offset = entry.DataOffset;
        const int64_t size = entry.DataSize;
        for (int64_t value : {offset + 2, offset - 2, offset + 512, offset - 512, int64_t{0}})
            mutants.push_back({field, 4, value, "data offset"});
        for (int64_t value : {size - 2, size + 2, size - 502, size / 4 * 2, int64_t{0}})
            if (value != size)
                mutants.push_back({field + 4, 4, value, "data size"});
        for (int64_t block = offset; block != 0;) {
            const auto at = static_cast<size_t>(block);
            const int64_t next = Get32(bytes, at + 4);
            const int64_t length = bytes[at + 8] | (bytes[at + 9] << 8);
            for (int64_t value : next != 0
                                     ? std::vector<int64_t>{0, next + 2, next + 512, next - 512}
                                     : std::vector<int64_t>{block + 512, offset})
                mutants.push_back({at + 4, 4, value, "next block"});
            for (int64_t value : {int64_t{503}, int64_t{0xFFFF}, length - 2, length + 2})
                if (value >= 0 && value != length)
                    mutants.push_back({at + 8, 2, value, "block length"});
            block = next;
        }
    }
    return mutants;
}

class ReaderMutants : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderMutants, ReadAsBeforeOrReportDamageAndStayWithinTheFileSize) {
    const fs::path path = kRealData / GetParam();
    TANDREL_REQUIRE_REALDATA(path);
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Reading original = ReadLibrary(bytes);
    ASSERT_FALSE(original.Damaged);
    ASSERT_FALSE(original.Sources.empty());
    const std::vector<Mutant> mutants = ChainMutants(bytes);
    EXPECT_GT(mutants.size(), 10 * original.Sources.size());
    constexpr size_t kHeaderBytesPerEntry = 100;
    size_t damaged = 0;
    for (const Mutant& m : mutants) {
        Bytes mutant = bytes;
        Apply(mutant, m);
        const Reading reading = ReadLibrary(mutant);
        const std::string where = std::string(m.What) + " at " + std::to_string(m.At) + " set to " +
                                  std::to_string(m.Value);
        if (reading.Damaged)
            ++damaged;
        else
            ASSERT_EQ(reading.Sources, original.Sources) << where;
        ASSERT_LE(reading.Text, bytes.size() + reading.Entries * kHeaderBytesPerEntry) << where;
    }
    EXPECT_GT(damaged, mutants.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(RealLibraries, ReaderMutants,
                         ::testing::Values("pfc105/pfcapp/pfcapp.pbl",
                                           "pfc2022/examples/exmmain/exmmain.pbl",
                                           "wns/wnsservice/wnsservice.pbl"));

} // namespace
} // namespace tandrel
