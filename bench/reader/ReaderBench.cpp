// Speed of the library reader: listing every library of a corpus and rebuilding the
// export lines of every object, beside the time to merely read the same files. Both are
// measured in the same run, best of several rounds, with the files in the page cache.
//
//     bench_reader [--rounds N] [CORPUS_FOLDER...]   (default: realdata pfc105 and pfc2022)

#include "BenchCommon.h"
#include "PbFuncs.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tandrel::bench::BestSeconds;
using tandrel::bench::LibraryFiles;
using tandrel::bench::ReadAll;

// The reader: every library listed, every listed object's export lines rebuilt.
size_t ListAndRebuild(const std::vector<std::string>& files, size_t& objects) {
    size_t lines = 0;
    objects = 0;
    tandrel::TEntrySource source;
    for (const std::string& file : files) {
        tandrel::TFileStream stream(file);
        tandrel::TEntryList entries;
        tandrel::GetPblEntries(stream, entries);
        for (const auto& item : entries) {
            tandrel::GetEntrySource(stream, *item.Object, source);
            lines += source.Lines.size();
        }
        objects += entries.size();
    }
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    std::vector<fs::path> corpora;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            corpora.emplace_back(arg);
    }
    if (corpora.empty())
        corpora = {fs::path(TANDREL_REALDATA_DIR) / "pfc105",
                   fs::path(TANDREL_REALDATA_DIR) / "pfc2022"};

    std::printf("%-10s %6s %8s %7s %8s %9s %10s %11s %7s\n", "corpus", "files", "objects", "MB",
                "read ms", "read MB/s", "reader ms", "reader MB/s", "ratio");
    try {
        for (const fs::path& corpus : corpora) {
            if (!fs::is_directory(corpus)) {
                std::printf("%s: not found, skipped\n", corpus.string().c_str());
                continue;
            }
            const std::vector<std::string> files = LibraryFiles(corpus);
            std::vector<char> buffer;
            size_t bytes = 0;
            size_t objects = 0;
            ReadAll(files, buffer); // warm the page cache
            const double read = BestSeconds(rounds, [&] { bytes = ReadAll(files, buffer); });
            const double reader = BestSeconds(rounds, [&] { ListAndRebuild(files, objects); });
            const double mb = static_cast<double>(bytes) / 1e6;
            std::printf("%-10s %6zu %8zu %7.1f %8.2f %9.0f %10.2f %11.0f %6.2fx\n",
                        corpus.filename().string().c_str(), files.size(), objects, mb, read * 1e3,
                        mb / read, reader * 1e3, mb / reader, reader / read);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_reader: %s\n", e.what());
        return 2;
    }
    std::printf(
        "read: every byte of the files read into memory; reader: every library listed and every\n"
        "object's export lines rebuilt; ratio = reader time / read time (best of each)\n");
    return 0;
}
