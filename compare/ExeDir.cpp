#include "ExeDir.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace tandrel {

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Whether `folder` is `tree` or lies inside it, links resolved on both.
bool InsideTree(const std::string& folder, const std::string& tree) {
    if (folder.empty() || tree.empty())
        return false;
    std::error_code ec;
    const std::filesystem::path inner = std::filesystem::weakly_canonical(folder, ec);
    if (ec)
        return false;
    const std::filesystem::path outer = std::filesystem::weakly_canonical(tree, ec);
    if (ec)
        return false;
    const std::filesystem::path relative = inner.lexically_relative(outer);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace

std::string ChooseExeDir(const std::string& programDir, const std::string& buildTree,
                         const char* xdgConfigHome, const char* home) {
    if (InsideTree(programDir, buildTree) && ::access(programDir.c_str(), W_OK) == 0)
        return WithSlash(programDir);
    // The XDG rule: an unset or relative XDG_CONFIG_HOME is ignored.
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')
        return WithSlash(xdgConfigHome) + "tandrel/";
    std::string homeDir = home != nullptr ? home : "";
    if (homeDir.empty()) {
        const struct passwd* user = ::getpwuid(::getuid());
        homeDir = user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "/";
    }
    return WithSlash(homeDir) + ".config/tandrel/";
}

std::string ResolveExeDir() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string programDir = ec ? std::string() : program.parent_path().string();
    return ChooseExeDir(programDir, TANDREL_BUILD_TREE, std::getenv("XDG_CONFIG_HOME"),
                        std::getenv("HOME"));
}

} // namespace tandrel
