#pragma once
// The program's settings file: window placement, the three highlight colours, the source
// panes' font and arrangement, the remembered folders and the code page of all text. Read
// once at start-up, written once at closing; writing changes only these keys.

#include "Colors.h"
#include "IniFile.h"

#include <optional>
#include <string>

namespace tandrel {

struct TBounds {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

struct TSettings {
    TBounds Bounds;
    TColor AddColor = 0x00F0CCA8;
    TColor ModColor = 0x006FFB8A;
    TColor DelColor = 0x00BB77FF;
    std::string FontName = "Courier New";
    int32_t FontSize = 10;
    bool Horizontal = false;
    bool ShowBlanks = false;
    std::string Folder1;
    std::string Folder2;
    // As written in the file; empty when the key is missing.
    std::string CodePage;
};

constexpr const char* kSettingsSection = "Options";
constexpr const char* kDefaultCodePage = "GBK";
// The window's own size when the saved placement cannot be used.
constexpr int kBuiltInWidth = 645;
constexpr int kBuiltInHeight = 329;

// `workRight` and `workBottom` are the coordinates of the work area's right and bottom edges.
TSettings ReadSettings(const TIniFile& file, int workRight, int workBottom);
// The bounds keys are written only when `bounds` is given (the window was in its normal state).
void WriteSettings(TIniFile& file, const TSettings& settings, const std::optional<TBounds>& bounds,
                   bool writeCodePage);

// "$" and eight upper-case hexadecimal digits.
std::string ColorText(TColor color);

// Makes the file's "CodePage" the program-wide code page before anything reads text. An
// unknown name, or one of a code page the program cannot use, keeps GBK; the message
// returned then says why (empty when all is well).
std::string ApplyCodePage(const TSettings& settings, const std::string& filePath);
// Whether the "CodePage" key is written back: it is, with the name in force, unless the file
// names a code page that could not be used (the user's text stays for them to correct).
bool CodePageInForce(TSettings& settings);

// Saved bounds made fit for the screen's available area: the size at most the area's, kept
// when the window then lies at least partly inside it. nullopt otherwise (an empty size
// included): the window is centred at its built-in size. A file holding any values at all
// can thus never make the window larger than the screen.
std::optional<TBounds> FitPlacement(const TBounds& saved, const TBounds& area);

} // namespace tandrel
