#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kresbon {

// The installed-font list: every family fontconfig reports (outline and
// bitmap fonts), plus "Default", sorted, without duplicates, as
// Windows-1250 bytes. Built on first use and kept.
const std::vector<std::string>& InstalledFontFamilies();

// Drops the kept list so that the next use builds it again.
void ForgetInstalledFonts();

// True when the name (Windows-1250) equals an entry of the installed-font
// list without regard to case, or is a well-known Windows family whose
// metric-compatible substitute is installed (Arial -> Liberation Sans, ...).
bool IsFontInstalled(std::string_view name);

// The family that draws for a name: the name itself when installed, its
// metric-compatible substitute, or fontconfig's default sans for "Default".
std::string ResolveFontFamily(std::string_view name);

}  // namespace kresbon
