#pragma once
// The caller's record of the last find or replace request, filled by the find and replace
// dialogs and read by the source view's find and replace commands.

#include <string>

namespace tandrel {

struct TFindInfo {
    std::string FindText;    // bytes in the program's code page
    std::string ReplaceText; // bytes in the program's code page
    bool Forward = false;    // "&Forwards" was selected, else "&Backwards"
    bool IgnoreCase = false; // "&Case Sensitive" was not checked
    bool WholeWords = false;
    bool PromptOnReplace = false;
    bool ReplaceAll = false; // the replace dialog was closed with "Replace &All"

    bool operator==(const TFindInfo&) const = default;
};

} // namespace tandrel
