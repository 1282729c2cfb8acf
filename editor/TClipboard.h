#pragma once
// The clipboard as the editor sees it: text in the program's code page.

#include <string>

namespace tandrel {

class TClipboard {
public:
    virtual ~TClipboard() = default;
    // An empty or non-text clipboard gives an empty string.
    virtual std::string GetText() = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual bool HasText() = 0;
};

// A clipboard private to the process: the default of a model without a window, and the
// stand-in of tests.
class TMemoryClipboard : public TClipboard {
public:
    std::string GetText() override { return FText; }
    void SetText(const std::string& text) override { FText = text; }
    bool HasText() override { return !FText.empty(); }

private:
    std::string FText;
};

} // namespace tandrel
