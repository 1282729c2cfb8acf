#pragma once
// Files the program writes never exist half-written: the bytes go to a temporary file in the
// same folder, which then replaces the target in one rename.

#include <stdexcept>
#include <string>
#include <string_view>

namespace tandrel {

// A failed write: "Cannot write file "<path>". <reason>", the reason also apart, for callers
// that word the message their own way.
class TWriteError : public std::runtime_error {
public:
    TWriteError(const std::string& path, const std::string& reason)
        : std::runtime_error("Cannot write file \"" + path + "\". " + reason), FReason(reason) {}
    const std::string& Reason() const { return FReason; }

private:
    std::string FReason;
};

// Creates the target's folder when it is missing. A symbolic link is followed: its target is
// written and the link stays. A file that exists keeps its permission bits, and its owner
// and group where the user may keep them; a new file gets the user's default permissions.
// Only a regular file is replaced: never a folder, a FIFO or a device.
// Any name the file system takes can be written: the temporary name is short. Throws
// TWriteError and leaves any previous file untouched.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

} // namespace tandrel
