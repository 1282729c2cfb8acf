#pragma once
// What the benchmarks share: the best time of several rounds, the library files of a
// corpus, the read-every-byte baseline, the options of the real-data benchmarks, the two real
// class library workspaces and a quiet run of another program.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace tandrel::bench {

// The shortest of `rounds` runs, in seconds: the figure least disturbed by other work.
template <class F> double BestSeconds(int rounds, F run) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Every .pbl below the corpus folder, in path order, except those under `skipFolder`
// (a folder name such as "/ws_objects/") when one is given.
inline std::vector<std::string> LibraryFiles(const std::filesystem::path& corpus,
                                             const std::string& skipFolder = {}) {
    std::vector<std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(corpus))
        if (item.is_regular_file() && item.path().extension() == ".pbl" &&
            (skipFolder.empty() || item.path().string().find(skipFolder) == std::string::npos))
            files.push_back(item.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// The baseline: every byte of every file read into memory; returns the bytes read.
inline size_t ReadAll(const std::vector<std::string>& files, std::vector<char>& buffer) {
    size_t total = 0;
    for (const std::string& file : files) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw std::runtime_error("cannot open " + file);
        const auto size = static_cast<size_t>(std::filesystem::file_size(file));
        buffer.resize(size);
        size_t done = 0;
        ssize_t n = 0;
        while (done < size && (n = ::read(fd, buffer.data() + done, size - done)) > 0)
            done += static_cast<size_t>(n);
        ::close(fd);
        total += done;
    }
    return total;
}

// The command line of the benchmarks that measure the real libraries against tandrel-cli:
//   [--rounds N] [--cli PATH] [--realdata DIR]
struct TRealDataOptions {
    int Rounds = 7;
    std::string Cli;
    std::filesystem::path RealData;
};

inline TRealDataOptions ParseRealDataOptions(int argc, char** argv, std::string cli,
                                             std::filesystem::path realdata) {
    TRealDataOptions options{7, std::move(cli), std::move(realdata)};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            options.Rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--cli" && i + 1 < argc)
            options.Cli = argv[++i];
        else if (arg == "--realdata" && i + 1 < argc)
            options.RealData = argv[++i];
    }
    return options;
}

// Runs a program (looked up on PATH) in `workDir`, or here when it is empty, and waits for
// it. Its output is thrown away, and its error output too unless `keepErrors`. Returns its
// exit status, -1 when it did not exit normally.
inline int RunQuiet(const std::vector<std::string>& args, const std::string& workDir = {},
                    bool keepErrors = false) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!keepErrors)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The workspaces of the two real class library versions under `realdata`; nothing, said so
// under the benchmark's name, when they are absent.
inline std::optional<std::pair<std::string, std::string>>
PfcWorkspaces(const std::filesystem::path& realdata, const char* bench) {
    const std::string ws1 = (realdata / "pfc105/PFC.pbw").string();
    const std::string ws2 = (realdata / "pfc2022/PFC.pbw").string();
    if (!std::filesystem::exists(ws1) || !std::filesystem::exists(ws2)) {
        std::printf("%s: no real data at %s, skipped\n", bench, realdata.string().c_str());
        return std::nullopt;
    }
    return std::pair{ws1, ws2};
}

} // namespace tandrel::bench
