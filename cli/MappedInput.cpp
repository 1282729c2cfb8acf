#include "MappedInput.h"

#include "InputFile.h"

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel::cli {

namespace {

// What the SIGBUS handler needs, prepared beforehand: a handler may only read memory and
// call async-signal-safe functions. A command maps two files at most.
struct TMapping {
    const char* Begin = nullptr;
    size_t Size = 0;
    std::string Message;
};
TMapping Mappings[4];

void OnBusError(int, siginfo_t* info, void*) {
    const char* address = static_cast<const char*>(info->si_addr);
    static const char unknown[] = "tandrel-cli: an input file was shortened while it was read\n";
    const char* text = unknown;
    size_t size = sizeof unknown - 1;
    for (const TMapping& m : Mappings)
        if (m.Begin != nullptr && address >= m.Begin && address < m.Begin + m.Size) {
            text = m.Message.data();
            size = m.Message.size();
        }
    while (size > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, size);
        if (n <= 0)
            break;
        text += n;
        size -= static_cast<size_t>(n);
    }
    ::_exit(2);
}

void InstallHandler() {
    static bool installed = false;
    if (installed)
        return;
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
    installed = true;
}

} // namespace

TMappedInput::TMappedInput(const std::string& path) {
    const TInputFile file(path);
    const struct stat& info = file.Info();
    FModifiedTime = info.st_mtime;
    const size_t size = static_cast<size_t>(info.st_size);
    if (size == 0)
        return;
    for (int slot = 0; slot < static_cast<int>(std::size(Mappings)); ++slot)
        if (Mappings[slot].Begin == nullptr) {
            FSlot = slot;
            break;
        }
    void* data = FSlot < 0
                     ? MAP_FAILED
                     : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.Fd(), 0);
    if (data != MAP_FAILED) {
        InstallHandler();
        TMapping& mapping = Mappings[FSlot];
        mapping.Message = "tandrel-cli: \"" + path + "\" was shortened while it was read\n";
        mapping.Size = size;
        mapping.Begin = static_cast<const char*>(data);
        FData = mapping.Begin;
        FSize = size;
        FMapped = true;
        return;
    }
    FSlot = -1;
    FCopy.resize(size);
    FCopy.resize(file.ReadUpTo(FCopy.data(), size));
    FData = FCopy.data();
    FSize = FCopy.size();
}

TMappedInput::~TMappedInput() {
    if (!FMapped)
        return;
    Mappings[FSlot].Begin = nullptr;
    ::munmap(const_cast<char*>(FData), FSize);
}

} // namespace tandrel::cli
