#include "MappedInput.h"

#include "InputFile.h"
#include "MappedFile.h"

#include <sys/stat.h>

namespace tandrel::cli {

TMappedInput::TMappedInput(const std::string& path) {
    const TInputFile file(path);
    const struct stat& info = file.Info();
    FModifiedTime = info.st_mtime;
    const size_t size = static_cast<size_t>(info.st_size);
    if (size == 0)
        return;
    // The engine and the report take the bytes as they are, with no point to check them
    // at: a file shortened meanwhile ends the command.
    FMap = std::make_unique<TMappedFile>(
        file.Fd(), size, true, "tandrel-cli: \"" + path + "\" was shortened while it was read\n");
    if (FMap->Data() != nullptr) {
        FData = reinterpret_cast<const char*>(FMap->Data());
        FSize = size;
        return;
    }
    FMap.reset();
    FCopy.resize(size);
    FCopy.resize(file.ReadUpTo(FCopy.data(), size));
    FData = FCopy.data();
    FSize = FCopy.size();
}

TMappedInput::~TMappedInput() = default;

} // namespace tandrel::cli
