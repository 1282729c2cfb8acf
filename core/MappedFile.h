#pragma once
// A file mapped read-only, read in place instead of copied. Another program may shorten the
// file while it is mapped; touching a page past its new end would then end this program
// with SIGBUS. The first mapping therefore installs a SIGBUS handler that puts zero-filled
// memory over such a page of a mapping of this kind and marks that mapping cut: the read
// goes on, and its owner learns from Cut() that the bytes it was given are not the file's.
// Faults anywhere else go to the handler that was there before.

#include <cstddef>

namespace tandrel {

class TMappedFile {
public:
    // Maps the first `size` bytes of the open file `handle`. Data() is null when the file
    // cannot be mapped (then it is read otherwise).
    TMappedFile(int handle, size_t size);
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
