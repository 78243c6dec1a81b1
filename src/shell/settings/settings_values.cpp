#include "shell/settings/settings_values.h"

#include <charconv>

#include "platform/texts.h"

namespace kresbon {

std::optional<int> ParseSettingInt(std::string_view value)
{
    if (value.starts_with('+')) value.remove_prefix(1);
    if (value.empty() || value.starts_with('+')) return std::nullopt;
    int result = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
    return result;
}

int LanguageFromSetting(std::string_view value, int systemLanguageBase)
{
    if (value == "2000") return CzechBase;
    if (value == "1000") return EnglishBase;
    return systemLanguageBase;
}

int WindowEdgeFromSetting(std::string_view value, int designValue)
{
    if (value.empty()) return 10;
    return ParseSettingInt(value).value_or(designValue);
}

int WindowSizeFromSetting(std::string_view value, int designValue)
{
    return ParseSettingInt(value).value_or(designValue);
}

bool LayerShownFromSetting(std::string_view value)
{
    return value != "0";
}

std::optional<int> PrintStretchFromSetting(std::string_view value)
{
    const auto stretch = ParseSettingInt(value);
    if (!stretch || *stretch < 1 || *stretch > 10) return std::nullopt;
    return stretch;
}

std::optional<int> PrintDepthFromSetting(std::string_view value)
{
    const auto depth = ParseSettingInt(value);
    if (!depth) return std::nullopt;
    switch (*depth) {
    case 4: case 8: case 16: case 24: case 32: return depth;
    default: return std::nullopt;
    }
}

}  // namespace kresbon
