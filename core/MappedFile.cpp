#include "MappedFile.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace tandrel {

namespace {

// The live mappings, as the signal handler sees them: it may run on any thread at any
// moment, so it reads only what these atomics publish. Start is set last and cleared first.
struct TSlot {
    std::atomic<uintptr_t> Start{0};
    std::atomic<uintptr_t> End{0};
    std::atomic<bool> Cut{false};
    std::atomic<bool> Taken{false};
    std::string Fatal; // written before Start is set, read by the handler after
};

// A command maps two files at a time (a library pair, or the two files of a diff); more
// mappings than this are read without mapping.
constexpr int kSlots = 16;
TSlot Slots[kSlots];

struct sigaction PreviousAction {};

void PassOn(int signal, siginfo_t* info, void* context) {
    if (PreviousAction.sa_flags & SA_SIGINFO) {
        PreviousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (PreviousAction.sa_handler != SIG_DFL && PreviousAction.sa_handler != SIG_IGN) {
        PreviousAction.sa_handler(signal);
        return;
    }
    // Back to the default action: the faulting access runs again and ends the program, as
    // it would have without this handler.
    std::signal(SIGBUS, SIG_DFL);
}

[[noreturn]] void EndWith(const std::string& message) {
    const char* text = message.data();
    size_t size = message.size();
    while (size > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, size);
        if (n <= 0)
            break;
        text += n;
        size -= static_cast<size_t>(n);
    }
    ::_exit(2);
}

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (TSlot& slot : Slots) {
        const uintptr_t start = slot.Start.load(std::memory_order_acquire);
        if (start == 0 || address < start || address >= slot.End.load(std::memory_order_relaxed))
            continue;
        if (!slot.Fatal.empty())
            EndWith(slot.Fatal);
        const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        void* at = reinterpret_cast<void*>(address & ~(page - 1));
        if (::mmap(at, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        slot.Cut.store(true, std::memory_order_release);
        return;
    }
    PassOn(signal, info, context);
}

void InstallHandler() {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &PreviousAction);
}

int TakeSlot() {
    for (int i = 0; i < kSlots; ++i) {
        bool free = false;
        if (Slots[i].Taken.compare_exchange_strong(free, true))
            return i;
    }
    return -1;
}

} // namespace

TMappedFile::TMappedFile(int handle, size_t size, bool populate, std::string fatalMessage) {
    if (size == 0)
        return;
    static std::once_flag installed;
    std::call_once(installed, InstallHandler);
    FSlot = TakeSlot();
    if (FSlot < 0)
        return;
    void* data =
        ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | (populate ? MAP_POPULATE : 0), handle, 0);
    if (data == MAP_FAILED) {
        Slots[FSlot].Taken.store(false);
        FSlot = -1;
        return;
    }
    FData = static_cast<const unsigned char*>(data);
    FSize = size;
    TSlot& slot = Slots[FSlot];
    slot.Fatal = std::move(fatalMessage);
    slot.Cut.store(false);
    slot.End.store(reinterpret_cast<uintptr_t>(FData) + size);
    slot.Start.store(reinterpret_cast<uintptr_t>(FData), std::memory_order_release);
}

TMappedFile::~TMappedFile() {
    if (FData == nullptr)
        return;
    TSlot& slot = Slots[FSlot];
    slot.Start.store(0, std::memory_order_release);
    ::munmap(const_cast<unsigned char*>(FData), FSize);
    slot.Fatal.clear();
    slot.Taken.store(false);
}

bool TMappedFile::Cut() const {
    return FData != nullptr && Slots[FSlot].Cut.load(std::memory_order_acquire);
}

} // namespace tandrel
