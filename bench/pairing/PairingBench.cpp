// Speed of pairing two libraries of 80,000 objects each that have no object name in common
// (every object added or deleted, nothing to read), beside baselines measured in the same
// run:
//   walk     the pairing walk alone over the two sorted entry lists, against sorting them;
//   model    both libraries opened in the object view (listed, sorted, paired), against
//            listing and sorting them;
//   process  "tandrel-cli compare --objects" of the two libraries, against "tandrel-cli
//            list" of each, which reads and prints as much.
// Goal: the model and the process each under one second. Each figure is the best of
// several rounds.
//
//     bench_pairing [--rounds N] [--cli PATH] [--objects N]

#include "BenchCommon.h"
#include "LibCompare.h"
#include "PairingWalk.h"
#include "PblWriter.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tandrel;
using tandrel::bench::BestSeconds;
using tandrel::bench::RunQuiet;

// Side 1 holds the even-numbered objects, side 2 the odd ones, so their keys interleave and
// none pairs.
void WriteLibraries(const fs::path& dir, int count) {
    const char letters[] = {'w', 'd', 'f', 'u'};
    const char* extensions[] = {".srw", ".srd", ".srf", ".sru"};
    test::PblWriter side1(test::PblForm::Ansi), side2(test::PblForm::Ansi);
    for (int i = 0; i < 2 * count; ++i) {
        const int type = (i / 2) % 4;
        char name[40];
        std::snprintf(name, sizeof name, "%c_object_%06d%s", letters[type], i, extensions[type]);
        (i % 2 == 0 ? side1 : side2).Add({name, "forward\r\nend forward\r\n", "", 1700000000 + i});
    }
    // One name in two folders, so that the command line pairs the libraries.
    fs::create_directories(dir / "one");
    fs::create_directories(dir / "two");
    side1.Build().WriteFile((dir / "one/app.pbl").string());
    side2.Build().WriteFile((dir / "two/app.pbl").string());
}

void ListSorted(const std::string& path, TEntryList& entries) {
    TFileStream stream(path);
    entries.clear();
    GetPblEntries(stream, entries);
    SortByKey(entries);
}

void Expect(bool condition, const char* what) {
    if (!condition)
        throw std::runtime_error(what);
}

} // namespace

int main(int argc, char** argv) {
    const auto options = tandrel::bench::ParseRealDataOptions(argc, argv, TANDREL_CLI_PATH, {});
    int count = 80000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--objects")
            count = std::max(1, std::atoi(argv[i + 1]));
    const fs::path scratch =
        fs::temp_directory_path() / ("tandrel-bench-pairing-" + std::to_string(::getpid()));
    try {
        fs::create_directories(scratch);
        WriteLibraries(scratch, count);
        const std::string one = (scratch / "one/app.pbl").string();
        const std::string two = (scratch / "two/app.pbl").string();

        // ---- the walk alone ----
        TEntryList listed1, listed2;
        ListSorted(one, listed1);
        ListSorted(two, listed2);
        Expect(listed1.size() == static_cast<size_t>(count), "side 1 is not fully listed");
        // Fresh copies for every round: the walk pairs its lists in place.
        const auto copyOf = [](const TEntryList& list) {
            TEntryList copy;
            copy.reserve(list.size());
            for (const auto& item : list)
                copy.push_back({item.Key, std::make_unique<TPblEntry>(*item.Object)});
            return copy;
        };
        double sort = 1e30, walk = 1e30;
        for (int r = 0; r < options.Rounds; ++r) {
            TEntryList a = copyOf(listed1), b = copyOf(listed2);
            sort = std::min(sort, BestSeconds(1, [&] {
                                SortByKey(a);
                                SortByKey(b);
                            }));
            TCompareCounts counts{};
            const auto changed = [](const TPblEntry&, const TPblEntry&) { return true; };
            walk = std::min(walk, BestSeconds(1, [&] {
                                PairLists(a, b, counts, changed, [](size_t, size_t, size_t) {});
                            }));
            Expect(counts.Added == count && counts.Deleted == count, "names paired");
        }

        // ---- the model's object view ----
        const double list = BestSeconds(options.Rounds, [&] {
            TEntryList a, b;
            ListSorted(one, a);
            ListSorted(two, b);
        });
        const double model = BestSeconds(options.Rounds, [&] {
            TLibCompare compare{std::string()};
            TFolderRec rec1, rec2;
            rec1.FileName = one;
            rec2.FileName = two;
            compare.LoadLibPair(&rec1, &rec2);
            compare.PairObjects({});
            Expect(compare.ObjPairCount() == 2 * count, "the pair is not paired");
        });

        // ---- the command line ----
        const double listCli = BestSeconds(options.Rounds, [&] {
            Expect(RunQuiet({options.Cli, "list", one}) == 0 &&
                       RunQuiet({options.Cli, "list", two}) == 0,
                   "tandrel-cli list failed");
        });
        const double compareCli = BestSeconds(options.Rounds, [&] {
            Expect(RunQuiet({options.Cli, "compare", "--objects", one, "--", two}) == 1,
                   "tandrel-cli compare did not find the libraries different");
        });

        std::printf("two libraries of %d objects each, no name in common, best of %d\n", count,
                    options.Rounds);
        std::printf("  %-40s %9.1f ms\n", "sort both entry lists (baseline)", sort * 1e3);
        std::printf("  %-40s %9.1f ms  %6.2fx baseline\n", "pairing walk", walk * 1e3, walk / sort);
        std::printf("  %-40s %9.1f ms\n", "list and sort both libraries (baseline)", list * 1e3);
        std::printf("  %-40s %9.1f ms  %6.2fx baseline  (goal < 1000 ms)\n",
                    "object view: list, sort and pair", model * 1e3, model / list);
        std::printf("  %-40s %9.1f ms\n", "tandrel-cli list, each (baseline)", listCli * 1e3);
        std::printf("  %-40s %9.1f ms  %6.2fx baseline  (goal < 1000 ms)\n",
                    "tandrel-cli compare --objects", compareCli * 1e3, compareCli / listCli);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_pairing: %s\n", e.what());
        fs::remove_all(scratch);
        return 2;
    }
    fs::remove_all(scratch);
    return 0;
}
