#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>

namespace kresbon {

class SettingsFile;

// The editor font with the parts the settings file keeps that the toolkit's
// font has no place for: the character-set number, the colour as a classic
// 32-bit colour value (0x00BBGGRR, or a system colour with the top bit set,
// which reads as a negative number) and the pitch word.
struct ScriptFont {
    QFont font;
    int charset = 1;
    std::int32_t color = WindowTextColour;
    QString pitch = QStringLiteral("fpDefault");

    // The system colour of window text.
    static constexpr std::int32_t WindowTextColour = static_cast<std::int32_t>(0x80000008u);
};

// The editor font as designed: the system's fixed-pitch font.
ScriptFont DesignScriptFont();

// Applies the ScriptFont keys in the order Charset, Color, Height, Name, Size,
// Pitch, so that Size, coming after Height, decides the size. A missing or
// invalid value leaves its part unchanged. dpi converts pixel heights.
void ApplyScriptFontSettings(ScriptFont& scriptFont, const SettingsFile& settings, int dpi);

// Writes the ScriptFont section. Throws when the file cannot be written.
void WriteScriptFontSettings(const ScriptFont& scriptFont, const SettingsFile& settings, int dpi);

// The text colour, or nothing for a system colour (the palette's own).
std::optional<QColor> ExplicitColour(std::int32_t colour);

// Takes a font chosen in the font dialog: face, size and style; the pitch
// follows the chosen face.
void TakeChosenFont(ScriptFont& scriptFont, const QFont& chosen);

}  // namespace kresbon
