#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace tandrel {

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    throw std::runtime_error("Cannot write file \"" + path + "\". " + std::strerror(error));
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

    int Open() {
        // 0666 lets the umask decide, as for any file the user creates.
        FHandle = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

} // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            Fail(path, ec.value());
    }
    static std::atomic<unsigned> counter{0};
    TTempFile temp(path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(++counter));
    if (temp.Open() < 0)
        Fail(path, errno);
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
    if (::rename(temp.Path().c_str(), path.c_str()) != 0)
        Fail(path, errno);
    temp.Keep();
}

} // namespace tandrel
