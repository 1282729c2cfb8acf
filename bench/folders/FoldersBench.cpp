// Speed of folders of exported sources and of the all-objects listing on the real class
// library, each beside "tandrel-cli compare --objects" of the two workspaces' libraries,
// measured in the same run:
//   folders      the 10.5 workspace against a tree of folders holding its own exported
//                sources (written by "tandrel-cli export" before the rounds);
//   all-objects  "tandrel-cli compare --all-objects" of the two workspaces, and of the 10.5
//                workspace against its export folders (where a listing reads every source).
// Goal: each within 2x of the baseline. Each figure is the best of several rounds, the rounds
// alternating between the contenders, with the files in the page cache.
//
//     bench_folders [--rounds N] [--cli PATH] [--realdata DIR]

#include "BenchCommon.h"
#include "LibKeys.h"
#include "PbFuncs.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tandrel::bench::BestSeconds;
using tandrel::bench::ParseRealDataOptions;
using tandrel::bench::PfcWorkspaces;
using tandrel::bench::RunQuiet;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The standard output of a shell command.
std::string Output(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    if (::pclose(pipe) != 0)
        throw std::runtime_error("failed: " + command);
    return out;
}

// The existing libraries of a workspace, each once, in the workspace's order.
std::vector<std::string> WorkspaceLibs(const std::string& workspace) {
    std::vector<std::string> named, libs;
    tandrel::TProjectExpansion expansion;
    tandrel::GetWorkspaceLibs(workspace, named, expansion);
    std::set<std::string> seen;
    for (const std::string& path : named) {
        const std::optional<std::string> found = expansion.Lookup.Find(path);
        if (found && seen.insert(tandrel::LibKeyOfPath(*found)).second)
            libs.push_back(*found);
    }
    return libs;
}

// One folder per library, named like it, holding every object as "tandrel-cli export"
// writes it. Returns the folders.
std::vector<std::string> ExportTree(const std::string& cli, const std::vector<std::string>& libs,
                                    const fs::path& root) {
    std::vector<std::string> folders;
    for (const std::string& lib : libs) {
        const fs::path folder = root / tandrel::LibKeyOfPath(lib);
        fs::create_directories(folder);
        std::vector<std::string> lines;
        tandrel::SplitLines(Output(Quoted(cli) + " list " + Quoted(lib)), lines);
        for (const std::string& line : lines) {
            const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
            if (tab2 == std::string::npos)
                continue;
            const std::string name = line.substr(tab1 + 1, tab2 - tab1 - 1);
            const std::string command = Quoted(cli) + " export " + Quoted(lib) + " " +
                                        Quoted(name) + " > " + Quoted((folder / name).string());
            if (std::system(command.c_str()) != 0)
                throw std::runtime_error("failed: " + command);
        }
        folders.push_back(folder.string());
    }
    return folders;
}

} // namespace

int main(int argc, char** argv) {
    const auto options = ParseRealDataOptions(argc, argv, TANDREL_CLI_PATH, TANDREL_REALDATA_DIR);
    const auto workspaces = PfcWorkspaces(options.RealData, "bench_folders");
    if (!workspaces)
        return 0;
    const std::string& ws1 = workspaces->first;
    const std::string& ws2 = workspaces->second;
    const fs::path root =
        fs::temp_directory_path() / ("tandrel-bench-folders-" + std::to_string(::getpid()));
    try {
        const std::vector<std::string> libs1 = WorkspaceLibs(ws1);
        const std::vector<std::string> folders = ExportTree(options.Cli, libs1, root);
        const std::string& cli = options.Cli;

        std::vector<std::string> baseline = {cli, "compare", "--objects", ws1, "--", ws2};
        std::vector<std::string> againstFolders = {cli, "compare", "--objects", ws1, "--"};
        againstFolders.insert(againstFolders.end(), folders.begin(), folders.end());
        std::vector<std::string> allObjects = {cli, "compare", "--all-objects", ws1, "--", ws2};
        std::vector<std::string> allAgainstFolders = {cli, "compare", "--all-objects", ws1, "--"};
        allAgainstFolders.insert(allAgainstFolders.end(), folders.begin(), folders.end());
        // Every object of the folders is its library's own: the comparison must say so.
        if (RunQuiet(againstFolders) != 0)
            throw std::runtime_error("the workspace and its own exports differ");

        constexpr int kRuns = 4;
        double best[kRuns] = {1e30, 1e30, 1e30, 1e30};
        const std::vector<std::string>* runs[kRuns] = {&baseline, &againstFolders, &allObjects,
                                                       &allAgainstFolders};
        for (int round = 0; round < options.Rounds; ++round)
            for (int k = 0; k < kRuns; ++k)
                best[k] = std::min(best[k], BestSeconds(1, [&] { RunQuiet(*runs[k]); }));

        std::printf("bench_folders: best of %d rounds, %zu libraries exported to folders\n",
                    options.Rounds, folders.size());
        std::printf("%-52s %9s %9s\n", "", "ms", "/ base");
        const char* names[kRuns] = {"compare --objects 10.5 -- 2022 (baseline)",
                                    "compare --objects 10.5 -- its export folders",
                                    "compare --all-objects 10.5 -- 2022",
                                    "compare --all-objects 10.5 -- its export folders"};
        for (int k = 0; k < kRuns; ++k)
            std::printf("%-52s %9.2f %8.2fx\n", names[k], best[k] * 1e3, best[k] / best[0]);
        fs::remove_all(root);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_folders: %s\n", e.what());
        std::error_code ec;
        fs::remove_all(root, ec);
        return 1;
    }
}
