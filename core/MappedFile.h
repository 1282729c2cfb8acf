#pragma once
// A file mapped read-only, read in place instead of copied. Another program may shorten the
// file while it is mapped; touching a page past its new end would then end this program
// with SIGBUS. The first mapping therefore installs a SIGBUS handler that puts zero-filled
// memory over such a page of a mapping and marks that mapping cut: the read goes on, and
// its owner learns from Cut() that the bytes it was given are not the file's. An owner that
// cannot check (it hands the bytes on as they are) gives a message instead: the handler
// writes it to standard error and ends the program with status 2. Faults anywhere else go
// to the handler that was there before.

#include <cstddef>
#include <string>

namespace tandrel {

class TMappedFile {
public:
    // Maps the first `size` bytes of the open file `handle`, all at once when `populate`.
    // Data() is null when the file cannot be mapped (then it is read otherwise).
    TMappedFile(int handle, size_t size, bool populate = false, std::string fatalMessage = {});
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    const unsigned char* Data() const { return FData; }
    size_t Size() const { return FSize; }
    // True once a page of the mapping was found past the end of the file.
    bool Cut() const;

private:
    const unsigned char* FData = nullptr;
    size_t FSize = 0;
    int FSlot = -1;
};

} // namespace tandrel
