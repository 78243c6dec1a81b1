#pragma once

#include <QRect>
#include <array>

namespace kresbon {

class SettingsFile;
struct ScriptFont;

// The window as the settings file keeps it in [MainForm]: its outer bounds
// when not maximized, whether it is maximized, and the editor's width
// beside the drawing. Values missing or wrong give the design ones.
struct WindowPlacement {
    QRect bounds;
    bool maximized = false;
    int splitter = 0;
};

WindowPlacement ReadWindowPlacement(const SettingsFile& settings);

// What the window keeps when it closes.
struct ClosingSettings {
    WindowPlacement placement;
    // Index 1..9: the layer is shown.
    std::array<bool, 10> layers{};
    const ScriptFont* font = nullptr;
    int dpiY = 96;
};

// Writes the window's place, that the demo has been shown, the layers and
// the editor font. A failed write ends its group silently, except for the
// editor font, which the user chose: that failure is thrown. Nothing is
// written into a settings file ignored for its size, as the user was told
// at start.
void WriteClosingSettings(SettingsFile& settings, const ClosingSettings& values);

}  // namespace kresbon
