// Speed of the whole library comparison of the two real class library versions, workspace
// against workspace, with the objects of every changed library pair listed (what
// "tandrel-cli compare --objects" does), beside two baselines measured in the same run:
//   read  every byte of both library sets read into memory;
//   git   "git diff --no-index --stat" over two trees of the exported sources, the way a
//         user would compare the versions without this tool.
// Each figure is the best of several rounds, the rounds alternating between the contenders,
// with the files in the page cache.
//
//     bench_compare [--rounds N] [--cli PATH] [--realdata DIR]

#include "BenchCommon.h"
#include "LibCompare.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tandrel::TLibCompare;
using tandrel::TResultRow;
using tandrel::bench::LibraryFiles;
using tandrel::bench::ParseRealDataOptions;
using tandrel::bench::PfcWorkspaces;
using tandrel::bench::ReadAll;
using tandrel::bench::RunQuiet;

// The comparison in this process: both sides added from their workspaces, then every changed
// library pair opened and its objects paired, and every row formatted.
size_t CompareInProcess(const std::string& ws1, const std::string& ws2, size_t& objectRows) {
    TLibCompare model{std::string()};
    model.SetFilterKind(tandrel::fkWorkspace);
    model.SetPairAhead(true);
    model.AddLibraries({ws1}, 1, {});
    model.AddLibraries({ws2}, 2, {});
    size_t bytes = 0;
    objectRows = 0;
    TResultRow row, obj;
    for (int i = 0; model.LibRow(i, row); ++i) {
        bytes += row.Name.size() + row.Time1.size() + row.Time2.size();
        if (row.Status != tandrel::csChanged || !model.OpenLibPair(i, {}))
            continue;
        for (const int k : model.ObjViewOrder()) {
            model.ObjRow(k, obj);
            bytes += obj.Name.size() + obj.Time1.size() + obj.Time2.size();
            ++objectRows;
        }
    }
    return bytes;
}

// Copies the exported sources of a corpus listed in its match list into tree/<library>/<file>,
// so that both versions have the same layout for git.
size_t BuildExportTree(const fs::path& realdata, const std::string& corpus, const fs::path& tree) {
    std::ifstream list(realdata / (corpus + ".matches.tsv"));
    std::string line;
    size_t files = 0;
    while (std::getline(list, line)) {
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        const fs::path library = fs::path(line.substr(0, tab1)).filename();
        const fs::path target = tree / library / line.substr(tab1 + 1, tab2 - tab1 - 1);
        fs::create_directories(target.parent_path());
        fs::copy_file(realdata / corpus / line.substr(tab2 + 1), target,
                      fs::copy_options::overwrite_existing);
        ++files;
    }
    return files;
}

template <class F> void Time(double& best, F run) {
    const auto start = Clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
}

} // namespace

int main(int argc, char** argv) {
    const auto [rounds, cli, realdata] =
        ParseRealDataOptions(argc, argv, TANDREL_CLI_PATH, TANDREL_REALDATA_DIR);
    const auto workspaces = PfcWorkspaces(realdata, "bench_compare");
    if (!workspaces)
        return 0;
    const std::string& ws1 = workspaces->first;
    const std::string& ws2 = workspaces->second;
    try {
        std::vector<std::string> files = LibraryFiles(realdata / "pfc105", "/ws_objects/");
        const std::vector<std::string> files2 = LibraryFiles(realdata / "pfc2022", "/ws_objects/");
        files.insert(files.end(), files2.begin(), files2.end());

        char pattern[] = "/tmp/tandrel-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        const fs::path trees = pattern;
        const size_t exports = BuildExportTree(realdata, "pfc105", trees / "a") +
                               BuildExportTree(realdata, "pfc2022", trees / "b");

        std::vector<char> buffer;
        size_t bytes = ReadAll(files, buffer);
        size_t objectRows = 0;
        CompareInProcess(ws1, ws2, objectRows); // warm up
        double read = 1e30, model = 1e30, process = 1e30, git = 1e30;
        int cliStatus = 0, gitStatus = 0;
        for (int r = 0; r < rounds; ++r) {
            Time(read, [&] { bytes = ReadAll(files, buffer); });
            Time(model, [&] { CompareInProcess(ws1, ws2, objectRows); });
            Time(process, [&] {
                cliStatus = RunQuiet({cli, "compare", "--objects", ws1, "--", ws2});
            });
            Time(git, [&] {
                gitStatus =
                    RunQuiet({"git", "diff", "--no-index", "--stat", "a", "b"}, trees.string());
            });
        }
        fs::remove_all(trees);
        if (cliStatus != 1 || gitStatus != 1)
            throw std::runtime_error("unexpected exit status: tandrel-cli " +
                                     std::to_string(cliStatus) + ", git " +
                                     std::to_string(gitStatus));

        std::printf(
            "libraries %zu (%.1f MB), object rows listed %zu, exported files %zu, best of %d\n",
            files.size(), static_cast<double>(bytes) / 1e6, objectRows, exports, rounds);
        std::printf("%-44s %9s %9s %9s\n", "", "ms", "/ read", "/ git");
        const auto line = [&](const char* what, double s) {
            std::printf("%-44s %9.2f %8.2fx %8.2fx\n", what, s * 1e3, s / read, s / git);
        };
        line("read every byte of both library sets", read);
        line("git diff --no-index --stat of the exports", git);
        line("comparison in process (model)", model);
        line("tandrel-cli compare --objects (process)", process);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_compare: %s\n", e.what());
        return 2;
    }
    return 0;
}
