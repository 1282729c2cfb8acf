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

} // namespace

std::string ChooseExeDir(const std::string& programDir, const char* xdgConfigHome,
                         const char* home) {
    if (!programDir.empty() && ::access(programDir.c_str(), W_OK) == 0)
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
    return ChooseExeDir(programDir, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

} // namespace tandrel
