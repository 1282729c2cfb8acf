#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tandrel {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw TWriteError(path, reason);
}

[[noreturn]] void Fail(const std::string& path, int error) {
    Fail(path, std::strerror(error));
}

// Owns the temporary file until it has been renamed over the target.
class TTempFile {
public:
    explicit TTempFile(std::string path) : FPath(std::move(path)) {}
    ~TTempFile() {
        if (FHandle >= 0)
            ::close(FHandle);
        if (!FKept)
            ::unlink(FPath.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    // 0666 lets the umask decide, as for any file the user creates; a file that replaces
    // another starts closed to others until it has the other's bits.
    int Open(mode_t mode) {
        FHandle = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        return FHandle;
    }
    int Handle() const { return FHandle; }
    int Close() {
        const int result = ::close(FHandle);
        FHandle = -1;
        return result;
    }
    void Keep() { FKept = true; }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    int FHandle = -1;
    bool FKept = false;
};

// The file a path names in the end: symbolic links are followed, relative ones from the
// folder that holds them, so that a save writes the target and leaves the link in place. A
// link to nowhere names the file it would point to.
std::string FinalTarget(const std::string& path) {
    // As the kernel's limit on links in one lookup, so that a loop of links ends.
    constexpr int kMaxLinks = 40;
    std::filesystem::path target = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec)))
            return target.string();
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            Fail(path, ec.value());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    Fail(path, ELOOP);
}

// A name in the target's folder that is short whatever the target's name is, so that a
// target whose name is as long as the file system allows can still be written.
std::string TempName(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name =
        ".tandrel-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
    return (target.parent_path() / name).string();
}

} // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
    const std::filesystem::path target = FinalTarget(path);
    const std::filesystem::path folder = target.parent_path();
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            Fail(path, ec.value());
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    // A device, FIFO or folder in the file's place is never replaced by a file.
    if (exists && !S_ISREG(existing.st_mode))
        Fail(path, S_ISDIR(existing.st_mode) ? "It is a folder" : "It is not a regular file");
    TTempFile temp(TempName(target));
    if (temp.Open(exists ? 0600 : 0666) < 0)
        Fail(path, errno);
    if (exists) {
        // fchmod is not masked by the umask: the bits come back exactly as they were. An
        // owner other than the user can only be kept by a privileged user; elsewhere the
        // file becomes the user's, as with any editor that saves by renaming.
        if (::fchown(temp.Handle(), existing.st_uid, existing.st_gid) != 0 && errno != EPERM)
            Fail(path, errno);
        if (::fchmod(temp.Handle(), existing.st_mode & 07777) != 0)
            Fail(path, errno);
    }
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(temp.Handle(), data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(path, errno);
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (::fsync(temp.Handle()) != 0 || temp.Close() != 0)
        Fail(path, errno);
    if (::rename(temp.Path().c_str(), target.c_str()) != 0)
        Fail(path, errno);
    temp.Keep();
}

} // namespace tandrel
