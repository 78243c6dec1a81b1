#pragma once

#include <optional>
#include <string_view>

namespace kresbon {

// How the settings file's values are understood. Each rule is tested on its
// own, so it is kept apart from the window that applies it.

// A signed decimal integer that fits 32 bits, written without blanks.
std::optional<int> ParseSettingInt(std::string_view value);

// MainForm/Language: exactly "2000" is Czech, exactly "1000" English, any
// other value leaves the choice to the system language.
int LanguageFromSetting(std::string_view value, int systemLanguageBase);

// MainForm/Left and Top: an empty value puts the edge at 10, a value that is
// not a number keeps the design value.
int WindowEdgeFromSetting(std::string_view value, int designValue);

// MainForm/Width, Height and Splitter: a number, else the design value.
int WindowSizeFromSetting(std::string_view value, int designValue);

// Layers/LayerN: only exactly "0" hides the layer.
bool LayerShownFromSetting(std::string_view value);

// Print/Stretch (1 to 10) and Print/BitsPerPixel (4, 8, 16, 24 or 32): the
// value, or nothing when it is not valid and the default must be written back.
std::optional<int> PrintStretchFromSetting(std::string_view value);
std::optional<int> PrintDepthFromSetting(std::string_view value);

constexpr int DefaultPrintStretch = 4;
constexpr int DefaultPrintDepth = 4;

}  // namespace kresbon
