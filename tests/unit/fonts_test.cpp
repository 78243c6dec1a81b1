#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/encoding.h"

namespace kresbon {
namespace {

bool Listed(const std::string& family) {
    const auto& list = InstalledFontFamilies();
    return std::find(list.begin(), list.end(), family) != list.end();
}

TEST(Fonts, ListIsSortedUniqueAndHoldsDefault) {
    const auto& list = InstalledFontFamilies();
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_EQ(std::adjacent_find(list.begin(), list.end()), list.end());
    EXPECT_TRUE(std::none_of(list.begin(), list.end(), [](const std::string& f) { return f.empty(); }));
    EXPECT_TRUE(Listed("Default"));
    EXPECT_TRUE(Listed("DejaVu Sans"));
    EXPECT_TRUE(Listed("Liberation Sans"));
}

TEST(Fonts, InstalledNames) {
    for (const char* name : {"Arial", "arial", "ARIAL", "Times New Roman", "courier new", "Default", "default",
                             "DejaVu Sans", "dejavu sans", "Liberation Sans", "LIBERATION SERIF"}) {
        EXPECT_TRUE(IsFontInstalled(name)) << name;
    }
}

TEST(Fonts, NamesThatAreNotInstalled) {
    for (const char* name : {"No Such Font 123", "", " Arial", "Arial ", " DejaVu Sans", "Ari", "Arial Sans"}) {
        EXPECT_FALSE(IsFontInstalled(name)) << '"' << name << '"';
    }
}

TEST(Fonts, ResolvesToTheFamilyThatDraws) {
    const std::string arial = ResolveFontFamily("arial");
    EXPECT_TRUE(arial == "Liberation Sans" || arial == "Arimo" || arial == "Arial") << arial;
    EXPECT_EQ(ResolveFontFamily("dejavu SANS"), "DejaVu Sans");

    const std::string defaultFamily = ResolveFontFamily("Default");
    EXPECT_FALSE(defaultFamily.empty());
    EXPECT_NE(defaultFamily, "Default");
    EXPECT_TRUE(Listed(defaultFamily)) << defaultFamily;
    EXPECT_EQ(ResolveFontFamily("DEFAULT"), defaultFamily);
}

// Adds a tiny bitmap font to this process's fontconfig for one test and
// removes it again afterwards.
class AddedBitmapFont : public ::testing::Test {
protected:
    void AddFont(const std::string& family) {
        folder_ = std::filesystem::temp_directory_path() / ("kresbon_fonts_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        const std::filesystem::path file = folder_ / ("font" + std::to_string(fontCount_++) + ".bdf");
        std::ofstream(file) << "STARTFONT 2.1\nFONT -misc-test-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                               "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 0\nSTARTPROPERTIES 3\n"
                               "FAMILY_NAME \"" << family << "\"\nFONT_ASCENT 8\nFONT_DESCENT 0\n"
                               "ENDPROPERTIES\nCHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 1000 0\n"
                               "DWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\nFF\n81\n81\n81\n81\n81\n81\nFF\n"
                               "ENDCHAR\nENDFONT\n";
        ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str())))
            << file;
        ForgetInstalledFonts();
    }

    void TearDown() override {
        FcConfigAppFontClear(nullptr);
        ForgetInstalledFonts();
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

private:
    std::filesystem::path folder_;
    int fontCount_ = 0;
};

TEST_F(AddedBitmapFont, CzechNameIsListedInWindows1250AndFoldsCase) {
    const std::string name = Utf8ToCp1250("Zkušební Šípek Ťuhýk");
    EXPECT_FALSE(IsFontInstalled(name));
    AddFont("Zkušební Šípek Ťuhýk");

    EXPECT_TRUE(Listed(name));
    EXPECT_TRUE(IsFontInstalled(Utf8ToCp1250("ZKUŠEBNÍ ŠÍPEK ŤUHÝK")));
    EXPECT_TRUE(IsFontInstalled(Utf8ToCp1250("zkušební šípek ťuhýk")));
    EXPECT_EQ(ResolveFontFamily(Utf8ToCp1250("zkušební ŠÍPEK ťuhýk")), name);
}

TEST_F(AddedBitmapFont, NameOutsideTheCodePageIsLeftOut) {
    AddFont("Kresbon Test 中文");
    for (const std::string& family : InstalledFontFamilies()) {
        EXPECT_EQ(family.find("Kresbon Test"), std::string::npos) << family;
    }
    EXPECT_FALSE(IsFontInstalled("Kresbon Test ??"));
}

TEST_F(AddedBitmapFont, ForgettingTheListSeesFontsAddedSince) {
    const std::size_t before = InstalledFontFamilies().size();
    AddFont("Kresbon Test Bitmap");
    EXPECT_EQ(InstalledFontFamilies().size(), before + 1);
    EXPECT_TRUE(IsFontInstalled("kresbon test bitmap"));
}

}  // namespace
}  // namespace kresbon
