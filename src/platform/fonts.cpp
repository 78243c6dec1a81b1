#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

#include "platform/encoding.h"

namespace kresbon {

namespace {

constexpr std::string_view DefaultFamily = "Default";

// Lower-case mapping of Windows-1250, so that names compare without regard
// to case in the code page the scripts use.
constexpr std::array<unsigned char, 256> MakeLowerTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<unsigned char>(c + 32);
    // Š Ś Ť Ž Ź
    for (int c : {0x8A, 0x8C, 0x8D, 0x8E, 0x8F}) table[c] = static_cast<unsigned char>(c + 0x10);
    table[0xA3] = 0xB3;  // Ł
    table[0xA5] = 0xB9;  // Ą
    table[0xAA] = 0xBA;  // Ş
    table[0xAF] = 0xBF;  // Ż
    table[0xBC] = 0xBE;  // Ľ
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) table[c] = static_cast<unsigned char>(c + 0x20);  // not the sign ×
    }
    return table;
}

constexpr std::array<unsigned char, 256> LowerTable = MakeLowerTable();

std::string Fold(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = static_cast<char>(LowerTable[static_cast<unsigned char>(c)]);
    return out;
}

struct Substitute {
    std::string_view windowsName;  // folded
    std::array<std::string_view, 2> families;
};

// Windows families and their metric-compatible Linux stand-ins, so that a
// script written for Windows lays out its text the same way.
constexpr std::array<Substitute, 8> Substitutes = {{
    {"arial", {"Liberation Sans", "Arimo"}},
    {"times new roman", {"Liberation Serif", "Tinos"}},
    {"courier new", {"Liberation Mono", "Cousine"}},
    {"arial narrow", {"Liberation Sans Narrow", ""}},
    {"georgia", {"Gelasio", ""}},
    {"cambria", {"Caladea", ""}},
    {"calibri", {"Carlito", ""}},
    {"symbol", {"SymbolNeu", ""}},
}};

struct FontCatalogue {
    std::vector<std::string> families;  // Windows-1250, sorted
    // Folded name and index into families, sorted by the folded name.
    std::vector<std::pair<std::string, std::size_t>> byFoldedName;
    std::string defaultSans;  // Windows-1250
};

// Windows-1250 form of a fontconfig family name; empty when the name holds a
// character the code page lacks, since no script could name it.
std::string FamilyInCodePage(const FcChar8* utf8) {
    const std::string_view name(reinterpret_cast<const char*>(utf8));
    std::string converted = Utf8ToCp1250(name);
    return Cp1250ToUtf8(converted) == name ? converted : std::string();
}

std::vector<std::string> ListFamilies() {
    std::vector<std::string> families{std::string(DefaultFamily)};
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = (pattern && objects) ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (fonts != nullptr) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8* family = nullptr;
            for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n) {
                std::string name = FamilyInCodePage(family);
                if (!name.empty()) families.push_back(std::move(name));
            }
        }
        FcFontSetDestroy(fonts);
    }
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    std::sort(families.begin(), families.end());
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

// The family fontconfig draws generic sans-serif text with.
std::string MatchDefaultSans() {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern == nullptr) return {};
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string family;
    FcChar8* name = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
        family = FamilyInCodePage(name);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return family;
}

std::unique_ptr<FontCatalogue> BuildCatalogue() {
    auto catalogue = std::make_unique<FontCatalogue>();
    catalogue->families = ListFamilies();
    for (std::size_t i = 0; i < catalogue->families.size(); ++i) {
        catalogue->byFoldedName.emplace_back(Fold(catalogue->families[i]), i);
    }
    std::sort(catalogue->byFoldedName.begin(), catalogue->byFoldedName.end());
    catalogue->defaultSans = MatchDefaultSans();
    return catalogue;
}

struct CatalogueStore {
    std::mutex mutex;
    std::unique_ptr<FontCatalogue> current;
    // Catalogues dropped by ForgetInstalledFonts stay alive, so that a list
    // reference handed out earlier, or one in use on another thread, never
    // dangles.
    std::vector<std::unique_ptr<FontCatalogue>> retired;
};

CatalogueStore& Store() {
    static CatalogueStore store;
    return store;
}

const FontCatalogue& Catalogue() {
    CatalogueStore& store = Store();
    std::lock_guard lock(store.mutex);
    if (!store.current) store.current = BuildCatalogue();
    return *store.current;
}

// The list entry that equals the name without regard to case, or null.
const std::string* FindFamily(const FontCatalogue& catalogue, std::string_view name) {
    const std::string folded = Fold(name);
    const auto& index = catalogue.byFoldedName;
    auto it = std::lower_bound(index.begin(), index.end(), folded,
                               [](const auto& entry, const std::string& key) { return entry.first < key; });
    if (it == index.end() || it->first != folded) return nullptr;
    return &catalogue.families[it->second];
}

// The installed stand-in of a well-known Windows family, or null.
const std::string* FindSubstitute(const FontCatalogue& catalogue, std::string_view name) {
    const std::string folded = Fold(name);
    for (const Substitute& s : Substitutes) {
        if (s.windowsName != folded) continue;
        for (std::string_view family : s.families) {
            if (family.empty()) continue;
            if (const std::string* found = FindFamily(catalogue, family)) return found;
        }
    }
    return nullptr;
}

bool IsDefaultName(std::string_view name) {
    return Fold(name) == Fold(DefaultFamily);
}

}  // namespace

const std::vector<std::string>& InstalledFontFamilies() {
    return Catalogue().families;
}

void ForgetInstalledFonts() {
    CatalogueStore& store = Store();
    std::lock_guard lock(store.mutex);
    if (store.current) store.retired.push_back(std::move(store.current));
}

bool IsFontInstalled(std::string_view name) {
    const FontCatalogue& catalogue = Catalogue();
    return FindFamily(catalogue, name) != nullptr || FindSubstitute(catalogue, name) != nullptr;
}

std::string ResolveFontFamily(std::string_view name) {
    const FontCatalogue& catalogue = Catalogue();
    if (IsDefaultName(name)) return catalogue.defaultSans;
    if (const std::string* family = FindFamily(catalogue, name)) return *family;
    if (const std::string* family = FindSubstitute(catalogue, name)) return *family;
    // Callers check IsFontInstalled first; an unknown name still draws.
    return catalogue.defaultSans;
}

}  // namespace kresbon
