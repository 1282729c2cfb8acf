// Speed of expanding a target that names 10,000 libraries of one folder and looking every
// library up, in two shapes:
//   case     every name differs in letter case from the file on disk;
//   missing  no name exists, in a folder that holds 10,000 other libraries.
// Each shape is measured three ways: the expansion and look-up alone (what "tandrel-cli
// libs" does), the library list of the window's model filled from the target (what the
// open command and "compare" do), and a whole "tandrel-cli compare" process. The baseline,
// measured in the same run, is one stat of every library by its exact name: the least any
// look-up of 10,000 files costs. The goal is under one second for every figure.
//
//     bench_projects [--rounds N] [--cli PATH]

#include "BenchCommon.h"
#include "LibCompare.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tandrel::bench::BestSeconds;
using tandrel::bench::RunQuiet;

constexpr int kLibraries = 10000;

// A folder of generated files, removed when the benchmark ends.
class TScratch {
public:
    TScratch() {
        std::string pattern = (fs::temp_directory_path() / "tandrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TScratch() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    std::string operator/(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

std::string Numbered(const char* format, int i) {
    char name[64];
    std::snprintf(name, sizeof name, format, i);
    return name;
}

// The library folder, the two targets, and the exact paths of the libraries on disk.
std::vector<std::string> MakeShapes(const TScratch& dir) {
    fs::create_directory(dir / "libs");
    std::vector<std::string> onDisk;
    std::string cased = "LibList \"";
    std::string missing = "LibList \"";
    for (int i = 0; i < kLibraries; ++i) {
        onDisk.push_back(dir / Numbered("libs/lib%05d.pbl", i));
        std::ofstream(onDisk.back()) << "library " << i;
        cased += Numbered("LIBS\\\\LIB%05d.PBL;", i);
        missing += Numbered("libs\\\\gone%05d.pbl;", i);
    }
    std::ofstream(dir / "case.pbt") << cased << "\";\r\n";
    std::ofstream(dir / "missing.pbt") << missing << "\";\r\n";
    return onDisk;
}

// The expansion and a look-up of every library, as "libs" makes them; the libraries found.
size_t ExpandAndLookUp(const std::string& target) {
    tandrel::TProjectExpansion expansion;
    std::vector<std::string> libs;
    tandrel::GetTargetLibs(target, libs, expansion);
    size_t found = 0;
    for (const std::string& lib : libs)
        found += tandrel::GetFolderRec(lib, expansion.Lookup) != nullptr;
    return found;
}

// The window's open command with the target filter: the side's library list filled and
// compared; the libraries on the side.
size_t AddToModel(const std::string& target) {
    tandrel::TLibCompare model{std::string()};
    model.SetFilterKind(tandrel::fkTarget);
    model.AddLibraries({target}, 1, {});
    return model.Libs1().size();
}

size_t StatAll(const std::vector<std::string>& paths) {
    size_t found = 0;
    struct stat info {};
    for (const std::string& path : paths)
        found += ::stat(path.c_str(), &info) == 0;
    return found;
}

void Report(const char* what, double seconds, double baseline) {
    std::printf("  %-26s %8.3f s  %8.1f x baseline  %s\n", what, seconds, seconds / baseline,
                seconds < 1.0 ? "(goal met)" : "(goal: under 1 s)");
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::string cli = TANDREL_CLI_PATH;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--cli")
            cli = argv[i + 1];
    }
    const TScratch dir;
    const std::vector<std::string> onDisk = MakeShapes(dir);

    size_t found = 0;
    const double baseline = BestSeconds(rounds, [&] { found = StatAll(onDisk); });
    std::printf("%d libraries named by a target, best of %d rounds\n", kLibraries, rounds);
    std::printf("  %-26s %8.3f s  (%zu found)\n", "baseline: stat each by name", baseline, found);
    for (const char* shape : {"case", "missing"}) {
        const std::string target = dir / (std::string(shape) + ".pbt");
        const std::string label = std::string(shape) + ": ";
        Report((label + "expand and look up").c_str(),
               BestSeconds(rounds, [&] { ExpandAndLookUp(target); }), baseline);
        Report((label + "library list").c_str(), BestSeconds(rounds, [&] { AddToModel(target); }),
               baseline);
        Report((label + "tandrel-cli compare").c_str(),
               BestSeconds(rounds,
                           [&] {
                               RunQuiet({cli, "compare", target, "--"});
                           }),
               baseline);
        std::printf("  %-26s %zu of %d libraries found\n", (label + "result").c_str(),
                    ExpandAndLookUp(target), kLibraries);
    }
    return 0;
}
