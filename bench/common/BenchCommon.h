#pragma once
// What the benchmarks share: the best time of several rounds, the library files of a
// corpus, and the read-every-byte baseline.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

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

} // namespace tandrel::bench
