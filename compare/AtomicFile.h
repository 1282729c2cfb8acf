#pragma once
// Files the program writes never exist half-written: the bytes go to a temporary file in the
// same folder, which then replaces the target in one rename.

#include <string>
#include <string_view>

namespace tandrel {

// Creates the target's folder when it is missing. Throws std::runtime_error
// "Cannot write file "<path>". <reason>" and leaves any previous file untouched.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

} // namespace tandrel
