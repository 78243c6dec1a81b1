#include "shell/settings/script_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <cmath>

#include "shell/settings/settings_file.h"
#include "shell/settings/settings_values.h"

namespace kresbon {

namespace {

constexpr const char* Section = "ScriptFont";

int PointSizeOf(const QFont& font, int dpi)
{
    if (font.pointSizeF() > 0) return static_cast<int>(std::lround(font.pointSizeF()));
    return static_cast<int>(std::lround(font.pixelSize() * 72.0 / dpi));
}

// Negative: the character height without internal leading, in pixels.
int HeightOf(const QFont& font, int dpi)
{
    return -static_cast<int>(std::lround(PointSizeOf(font, dpi) * dpi / 72.0));
}

void ApplyPitch(ScriptFont& f, const std::string& pitch)
{
    if (pitch == "fpFixed") {
        f.pitch = QStringLiteral("fpFixed");
        f.font.setFixedPitch(true);
        f.font.setStyleHint(QFont::TypeWriter);
    } else if (pitch == "fpVariable") {
        f.pitch = QStringLiteral("fpVariable");
        f.font.setFixedPitch(false);
    } else if (pitch == "fpDefault") {
        f.pitch = QStringLiteral("fpDefault");
    }
}

}  // namespace

ScriptFont DesignScriptFont()
{
    ScriptFont f;
    f.font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return f;
}

void ApplyScriptFontSettings(ScriptFont& f, const SettingsFile& settings, int dpi)
{
    if (const auto charset = ParseSettingInt(settings.Read(Section, "Charset"))) f.charset = *charset & 0xFF;
    if (const auto colour = ParseSettingInt(settings.Read(Section, "Color"))) f.color = *colour;
    if (const auto height = ParseSettingInt(settings.Read(Section, "Height")); height && *height != 0)
        f.font.setPixelSize(std::abs(*height));
    const std::string name = settings.Read(Section, "Name");
    if (!name.empty()) f.font.setFamily(QString::fromStdString(name));
    if (const auto size = ParseSettingInt(settings.Read(Section, "Size")); size && *size > 0)
        f.font.setPointSize(*size);
    else if (size && *size < 0)
        f.font.setPixelSize(static_cast<int>(std::lround(-*size * dpi / 72.0)));
    ApplyPitch(f, settings.Read(Section, "Pitch"));
}

void WriteScriptFontSettings(const ScriptFont& f, const SettingsFile& settings, int dpi)
{
    settings.Write(Section, "Charset", std::to_string(f.charset & 0xFF));
    settings.Write(Section, "Color", std::to_string(f.color));
    settings.Write(Section, "Height", std::to_string(HeightOf(f.font, dpi)));
    settings.Write(Section, "Name", f.font.family().toStdString());
    settings.Write(Section, "Size", std::to_string(PointSizeOf(f.font, dpi)));
    const bool knownPitch = f.pitch == QStringLiteral("fpDefault") ||
                            f.pitch == QStringLiteral("fpVariable") ||
                            f.pitch == QStringLiteral("fpFixed");
    settings.Write(Section, "Pitch", knownPitch ? f.pitch.toStdString() : std::string());
}

std::optional<QColor> ExplicitColour(std::int32_t colour)
{
    if (colour < 0) return std::nullopt;
    const auto c = static_cast<std::uint32_t>(colour);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

void TakeChosenFont(ScriptFont& f, const QFont& chosen)
{
    f.font = chosen;
    f.pitch = QFontInfo(chosen).fixedPitch() ? QStringLiteral("fpFixed") : QStringLiteral("fpVariable");
}

}  // namespace kresbon
