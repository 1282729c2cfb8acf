#pragma once
// Libraries and folders for the comparison tests: each test works in its own temporary
// folder and builds the libraries it needs with the test writer.

#include "LibCompare.h"
#include "PblWriter.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace tandrel::test {

// A fresh folder, removed with everything in it when the test ends.
class TTempDir {
public:
    TTempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tandrel-cmp-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern + "/";
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

private:
    std::string FPath;
};

// A fixed time stamp for objects, and one for library files, so listings are repeatable.
constexpr int32_t kStamp = 1700000000;        // 2023-11-14 22:13:20 UTC
constexpr std::time_t kFileTime = 1600000000; // 2020-09-13 12:26:40 UTC

inline void SetFileTime(const std::string& path, std::time_t time) {
    const struct timespec times[2] = {{time, 0}, {time, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("utimensat failed on " + path);
}

// Writes a library with the given objects, its file time set to `fileTime`.
inline void WriteLib(const std::string& path, const std::vector<PblObject>& objects,
                     PblForm form = PblForm::Ansi, std::time_t fileTime = kFileTime) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    PblWriter writer(form);
    for (const PblObject& o : objects)
        writer.Add(o);
    writer.Build().WriteFile(path);
    SetFileTime(path, fileTime);
}

inline void WriteText(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// One run of tandrel-cli: exit status (-1 when it did not exit normally) and its two outputs.
struct TCliRun {
    int Status = -1;
    std::string Out, Err;
};

// The text in single quotes for the shell.
inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs tandrel-cli in the UTC time zone with the arguments, each quoted, then `redirect` as
// the shell reads it (such as "> /dev/full"). Standard error goes to a file in `dir`.
inline TCliRun RunCliArgs(const TTempDir& dir, const std::vector<std::string>& args,
                          const std::string& redirect = "") {
    std::string command = "TZ=UTC " + ShellQuote(TANDREL_CLI_PATH);
    for (const std::string& a : args)
        command += " " + ShellQuote(a);
    command += " 2>" + ShellQuote(dir / "stderr.txt") + " " + redirect;
    TCliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.Out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Err = ReadText(dir / "stderr.txt");
    return run;
}

// "key:status" for every item of a list, placeholders as "_:status".
template <class Rec> std::string Describe(const TKeyedList<Rec>& list) {
    std::string out;
    for (const TKeyedItem<Rec>& item : list) {
        if (!out.empty())
            out += ' ';
        out += (item.Key.empty() ? std::string("_") : item.Key) + ":" +
               std::to_string(item.Object->Status);
    }
    return out;
}

inline std::string CountsText(const TCompareCounts& c) {
    return std::to_string(c.Count1) + "/" + std::to_string(c.Count2) + " +" +
           std::to_string(c.Added) + " -" + std::to_string(c.Deleted) + " ~" +
           std::to_string(c.Changed);
}

// "status name size1 size2" per library row.
inline std::string LibRowsText(const TLibCompare& model) {
    std::string out;
    TResultRow row;
    for (int i = 0; model.LibRow(i, row); ++i)
        out +=
            std::to_string(row.Status) + " " + row.Name + " " + row.Size1 + " " + row.Size2 + "\n";
    return out;
}

// "status letter name" per object row, in view order.
inline std::string ObjRowsText(const TLibCompare& model) {
    std::string out;
    TResultRow row;
    for (const int i : model.ObjViewOrder()) {
        EXPECT_TRUE(model.ObjRow(i, row));
        out += std::to_string(row.Status) + " " + row.TypeLetter + " " + row.Name + "\n";
    }
    return out;
}

} // namespace tandrel::test
