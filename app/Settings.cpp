#include "Settings.h"

#include "CodePage.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tandrel {

namespace {

TColor ReadColor(const TIniFile& file, const char* key, TColor fallback) {
    return static_cast<TColor>(
        file.ReadInteger(kSettingsSection, key, static_cast<int32_t>(fallback)));
}

} // namespace

std::string ColorText(TColor color) {
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
    return text;
}

std::optional<TBounds> FitPlacement(const TBounds& saved, const TBounds& area) {
    if (saved.Width <= 0 || saved.Height <= 0)
        return std::nullopt;
    const TBounds b{saved.Left, saved.Top, std::min(saved.Width, area.Width),
                    std::min(saved.Height, area.Height)};
    const bool visible =
        b.Left < int64_t(area.Left) + area.Width && b.Top < int64_t(area.Top) + area.Height &&
        int64_t(b.Left) + b.Width > area.Left && int64_t(b.Top) + b.Height > area.Top;
    return visible ? std::optional<TBounds>(b) : std::nullopt;
}

std::string ApplyCodePage(const TSettings& settings, const std::string& filePath) {
    if (settings.CodePage.empty())
        return {};
    try {
        SetSystemCodePage(settings.CodePage);
        return {};
    } catch (const std::runtime_error& e) {
        return std::string(e.what()) + " (settings file \"" + filePath + "\", key CodePage); " +
               kDefaultCodePage + " is used instead";
    }
}

bool CodePageInForce(TSettings& settings) {
    const CodePage& inForce = SystemCodePage();
    if (settings.CodePage.empty()) {
        settings.CodePage = inForce.Name();
        return true;
    }
    return inForce.SameText(settings.CodePage, inForce.Name());
}

TSettings ReadSettings(const TIniFile& file, int workRight, int workBottom) {
    const TSettings defaults;
    TSettings s;
    s.Bounds.Left = file.ReadInteger(kSettingsSection, "Bounds.Left", 25);
    s.Bounds.Top = file.ReadInteger(kSettingsSection, "Bounds.Top", 25);
    s.Bounds.Width = file.ReadInteger(kSettingsSection, "Bounds.Width", workRight - 50);
    s.Bounds.Height = file.ReadInteger(kSettingsSection, "Bounds.Height", workBottom - 50);
    s.AddColor = ReadColor(file, "AddColor", defaults.AddColor);
    s.ModColor = ReadColor(file, "ModColor", defaults.ModColor);
    s.DelColor = ReadColor(file, "DelColor", defaults.DelColor);
    s.FontName = file.ReadString(kSettingsSection, "Font.Name", defaults.FontName);
    s.FontSize = file.ReadInteger(kSettingsSection, "Font.size", defaults.FontSize);
    s.Horizontal = file.ReadBool(kSettingsSection, "Horizontal", false);
    s.ShowBlanks = file.ReadBool(kSettingsSection, "ShowBlanks", false);
    s.Folder1 = file.ReadString(kSettingsSection, "Folder.1", "");
    s.Folder2 = file.ReadString(kSettingsSection, "Folder.2", "");
    s.CodePage = file.ReadString(kSettingsSection, "CodePage", "");
    return s;
}

void WriteSettings(TIniFile& file, const TSettings& s, const std::optional<TBounds>& bounds,
                   bool writeCodePage) {
    if (bounds) {
        file.WriteInteger(kSettingsSection, "Bounds.Left", bounds->Left);
        file.WriteInteger(kSettingsSection, "Bounds.Top", bounds->Top);
        file.WriteInteger(kSettingsSection, "Bounds.Width", bounds->Width);
        file.WriteInteger(kSettingsSection, "Bounds.Height", bounds->Height);
    }
    file.WriteString(kSettingsSection, "AddColor", ColorText(s.AddColor));
    file.WriteString(kSettingsSection, "ModColor", ColorText(s.ModColor));
    file.WriteString(kSettingsSection, "DelColor", ColorText(s.DelColor));
    file.WriteString(kSettingsSection, "Font.Name", s.FontName);
    file.WriteInteger(kSettingsSection, "Font.size", s.FontSize);
    file.WriteBool(kSettingsSection, "Horizontal", s.Horizontal);
    file.WriteBool(kSettingsSection, "ShowBlanks", s.ShowBlanks);
    file.WriteString(kSettingsSection, "Folder.1", s.Folder1);
    file.WriteString(kSettingsSection, "Folder.2", s.Folder2);
    if (writeCodePage)
        file.WriteString(kSettingsSection, "CodePage", s.CodePage);
}

} // namespace tandrel
