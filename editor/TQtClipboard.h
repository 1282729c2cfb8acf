#pragma once
// The desktop clipboard for the editor: Unicode text there, code-page bytes here.

#include "TClipboard.h"

namespace tandrel {

// Text put on the clipboard has LF line breaks, as other programs on this platform
// expect; text taken from it may have any breaks, which the editor's paste splits at.
class TQtClipboard : public TClipboard {
public:
    std::string GetText() override;
    void SetText(const std::string& text) override;
    bool HasText() override;
};

} // namespace tandrel
