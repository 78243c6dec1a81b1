#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace kresbon {
namespace {

constexpr const char* ReplacementUtf8 = "\xEF\xBF\xBD";

TEST(Encoding, CzechLettersHaveTheirCodePageBytes) {
    const std::string lower = "ěščřžýáíéůúťďňó";
    const std::string upper = "ĚŠČŘŽÝÁÍÉŮÚŤĎŇÓ";
    const std::string lowerBytes = "\xEC\x9A\xE8\xF8\x9E\xFD\xE1\xED\xE9\xF9\xFA\x9D\xEF\xF2\xF3";
    const std::string upperBytes = "\xCC\x8A\xC8\xD8\x8E\xDD\xC1\xCD\xC9\xD9\xDA\x8D\xCF\xD2\xD3";

    EXPECT_EQ(Utf8ToCp1250(lower), lowerBytes);
    EXPECT_EQ(Utf8ToCp1250(upper), upperBytes);
    EXPECT_EQ(Cp1250ToUtf8(lowerBytes), lower);
    EXPECT_EQ(Cp1250ToUtf8(upperBytes), upper);
    EXPECT_EQ(Utf8ToCp1250("Žluťoučký kůň"), "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2");
}

TEST(Encoding, EveryDefinedByteSurvivesTheRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Cp1250ToUtf8(byte);
        EXPECT_TRUE(IsValidUtf8(utf8)) << "byte " << b;
        if (Cp1250ToUnicode(static_cast<unsigned char>(b)) == 0xFFFD) {
            EXPECT_EQ(utf8, ReplacementUtf8) << "byte " << b;
            EXPECT_EQ(Utf8ToCp1250(utf8), "?") << "byte " << b;
        } else {
            EXPECT_EQ(Utf8ToCp1250(utf8), byte) << "byte " << b;
        }
    }
}

TEST(Encoding, UndefinedBytesAndNeighbours) {
    for (unsigned char b : {0x81, 0x83, 0x88, 0x90, 0x98}) {
        EXPECT_EQ(Cp1250ToUnicode(b), U'\xFFFD') << int(b);
    }
    EXPECT_EQ(Cp1250ToUnicode(0x80), U'€');
    EXPECT_EQ(Cp1250ToUnicode(0xA0), U'\u00A0');
    EXPECT_EQ(Cp1250ToUnicode(0xFF), U'\u02D9');
    EXPECT_EQ(Cp1250ToUnicode('A'), U'A');
    EXPECT_EQ(Utf8ToCp1250("5 €"), "5 \x80");
    // C1 controls are not characters of the code page.
    EXPECT_EQ(Utf8ToCp1250("\xC2\x81"), "?");
}

TEST(Encoding, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1250("a中b"), "a?b");
    EXPECT_EQ(Utf8ToCp1250("😀"), "?");
    EXPECT_EQ(Utf8ToCp1250("ß–ł"), "\xDF\x96\xB3");
    EXPECT_EQ(Utf8ToCp1250("ñ"), "?");
}

TEST(Encoding, MalformedSequencesBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Utf8ToCp1250("\x80"), "?");
    EXPECT_EQ(Utf8ToCp1250("x\xC4"), "x?");
    // A truncated sequence does not swallow the character after it.
    EXPECT_EQ(Utf8ToCp1250("\xC4" "a"), "?a");
    EXPECT_EQ(Utf8ToCp1250("\xE4\xB8" "x"), "?x");
    EXPECT_EQ(Utf8ToCp1250("\xC0\x80"), "??");
    EXPECT_EQ(Utf8ToCp1250("\xED\xA0\x80"), "???");
    EXPECT_EQ(Utf8ToCp1250("\xFF\xFE"), "??");
    EXPECT_EQ(Utf8ToCp1250(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Encoding, ValidUtf8) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain text"));
    EXPECT_TRUE(IsValidUtf8("příliš žluťoučký"));
    EXPECT_TRUE(IsValidUtf8("😀"));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    EXPECT_TRUE(IsValidUtf8("\xEF\xBB\xBF"));      // byte order mark
}

TEST(Encoding, InvalidUtf8) {
    const char* samples[] = {
        "\xC1\xBF",              // overlong two-byte form
        "\xC0\xAF",              // overlong '/'
        "\xE0\x9F\xBF",          // overlong three-byte form
        "\xF0\x8F\xBF\xBF",      // overlong four-byte form
        "\xED\xA0\x80",          // high surrogate
        "\xED\xBF\xBF",          // low surrogate
        "\xF4\x90\x80\x80",      // above U+10FFFF
        "\xF5\x80\x80\x80",
        "\xC3",                  // truncated
        "\xE2\x82",              // truncated
        "\x80",                  // lone continuation byte
        "abc\xFF",
        "\x8A\xE8",              // Windows-1250 text
    };
    for (const char* s : samples) EXPECT_FALSE(IsValidUtf8(s)) << s;
}

TEST(Encoding, HasNonAscii) {
    EXPECT_FALSE(HasNonAscii(""));
    EXPECT_FALSE(HasNonAscii("Line 1, 2 \x7F"));
    EXPECT_TRUE(HasNonAscii("x\x80"));
    EXPECT_TRUE(HasNonAscii("č"));
}

}  // namespace
}  // namespace kresbon
