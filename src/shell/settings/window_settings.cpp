#include "shell/settings/window_settings.h"

#include <string>

#include "shell/settings/script_font.h"
#include "shell/settings/settings_file.h"
#include "shell/settings/settings_values.h"

namespace kresbon {

namespace {

constexpr int DesignWidth = 533;
constexpr int DesignHeight = 335;
constexpr int DesignLeft = 195;
constexpr int DesignTop = 110;
constexpr int DesignSplitter = 160;

}  // namespace

WindowPlacement ReadWindowPlacement(const SettingsFile& settings)
{
    WindowPlacement placement;
    const int height = WindowSizeFromSetting(settings.Read("MainForm", "Height"), DesignHeight);
    const int width = WindowSizeFromSetting(settings.Read("MainForm", "Width"), DesignWidth);
    const int left = WindowEdgeFromSetting(settings.Read("MainForm", "Left"), DesignLeft);
    const int top = WindowEdgeFromSetting(settings.Read("MainForm", "Top"), DesignTop);
    placement.bounds = QRect(left, top, width, height);
    placement.splitter = WindowSizeFromSetting(settings.Read("MainForm", "Splitter"), DesignSplitter);
    placement.maximized = settings.Read("MainForm", "Maximized") == "1";
    return placement;
}

void WriteClosingSettings(SettingsFile& settings, const ClosingSettings& values)
{
    if (settings.ignoredAsTooLarge()) return;
    try {
        const QRect& normal = values.placement.bounds;
        settings.Write("MainForm", "Height", std::to_string(normal.height()));
        settings.Write("MainForm", "Width", std::to_string(normal.width()));
        settings.Write("MainForm", "Left", std::to_string(normal.x()));
        settings.Write("MainForm", "Top", std::to_string(normal.y()));
        settings.Write("MainForm", "Maximized", values.placement.maximized ? "1" : "0");
        settings.Write("MainForm", "Splitter", std::to_string(values.placement.splitter));
        settings.Write("MainForm", "DemoScript", "1");
    } catch (const std::exception&) {
    }
    try {
        for (int layer = 1; layer <= 9; ++layer)
            settings.Write("Layers", "Layer" + std::to_string(layer),
                           values.layers[static_cast<std::size_t>(layer)] ? "1" : "0");
    } catch (const std::exception&) {
    }
    if (values.font) WriteScriptFontSettings(*values.font, settings, values.dpiY);
}

}  // namespace kresbon
