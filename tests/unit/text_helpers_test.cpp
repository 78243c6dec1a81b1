#include "platform/text_helpers.h"

#include <gtest/gtest.h>

#include "platform/vyjimka.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

TEST(TextHelpersBlanks, ControlCharactersAreBlanksButHighBytesAreNot) {
    EXPECT_TRUE(IsBlank('\0'));
    EXPECT_TRUE(IsBlank('\t'));
    EXPECT_TRUE(IsBlank(' '));
    EXPECT_FALSE(IsBlank('!'));
    EXPECT_FALSE(IsBlank('\xA0'));  // no-break space is a character of its own
    EXPECT_FALSE(IsBlank('\x8A'));
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(TextHelpersBlanks, UnsignedIntegerIsDigitsOnly) {
    EXPECT_TRUE(IsUnsignedInteger("007"));
    EXPECT_TRUE(IsUnsignedInteger("12345678901234567890"));
    for (const char* text : {"", "+1", "-1", "1.0", " 1", "1 ", "1e3", "\xB9"})
        EXPECT_FALSE(IsUnsignedInteger(text)) << text;
}

TEST(TextHelpersLexical, CommentStartsOnlyOutsideQuotes) {
    EXPECT_EQ(StripComment(R"(Text 10, 20, "100%" % note)"), R"(Text 10, 20, "100%" )");
    EXPECT_EQ(StripComment("% only a comment"), "");
    EXPECT_EQ(StripComment("Line 1,2,3,4"), "Line 1,2,3,4");
    // An unpaired quote keeps the rest of the line quoted.
    EXPECT_EQ(StripComment(R"(Text 1, "a % b)"), R"(Text 1, "a % b)");
    // A doubled quote toggles twice: the state is off again afterwards.
    EXPECT_EQ(StripComment(R"(a "" % b)"), R"(a "" )");
}

TEST(TextHelpersLexical, CountingOutsideQuotes) {
    EXPECT_EQ(CountCharOutsideQuotes(R"(Text 1, 2, "a=b")", '='), 0);
    EXPECT_EQ(CountCharOutsideQuotes(R"(Name = "a=b" = c)", '='), 2);
    EXPECT_EQ(CountCharOutsideQuotes(R"(x "= y)", '='), 0);
    EXPECT_EQ(CountChar("(1+(2))", '('), 2);
}

TEST(TextHelpersLexical, PlainFieldsAreNotMerged) {
    EXPECT_EQ(PlainField("a  b", ' ', 1), "a");
    EXPECT_EQ(PlainField("a  b", ' ', 2), "");
    EXPECT_EQ(PlainField("a  b", ' ', 3), "b");
    EXPECT_EQ(PlainField("a  b", ' ', 4), "");
    EXPECT_EQ(PlainField("a,b", ',', 0), "a");
    EXPECT_EQ(PlainField("a,b,", ',', 3), "");
    EXPECT_EQ(PlainField("", ',', 1), "");
    // Quotes mean nothing here: a quoted file name is field 2 at the quote.
    EXPECT_EQ(PlainField(R"( "pic,ture.bmp" tail)", '"', 2), "pic,ture.bmp");
    EXPECT_EQ(PlainField(R"( "unclosed.bmp)", '"', 2), "unclosed.bmp");
    EXPECT_EQ(PlainField("no quotes", '"', 2), "");
}

TEST(TextHelpersLexical, QuotedFieldsKeepSeparatorsInsideQuotes) {
    const std::string params = R"(10, 20, "a, b", 0,, 5,)";
    EXPECT_EQ(QuotedField(params, ',', '"', 1), "10");
    EXPECT_EQ(QuotedField(params, ',', '"', 3), R"( "a, b")");
    EXPECT_EQ(QuotedField(params, ',', '"', 4), " 0");
    EXPECT_EQ(QuotedField(params, ',', '"', 5), "");
    EXPECT_EQ(QuotedField(params, ',', '"', 6), " 5");
    EXPECT_EQ(QuotedField(params, ',', '"', 7), "");
    EXPECT_EQ(QuotedField(params, ',', '"', 8), "");
    // After an unpaired quote no separator counts any more.
    EXPECT_EQ(QuotedField(R"(1, "a, b, c)", ',', '"', 2), R"( "a, b, c)");
    EXPECT_EQ(QuotedField(R"(1, "a, b, c)", ',', '"', 3), "");
    EXPECT_EQ(QuotedField(R"(x = "a=b" = c)", '=', '"', 2), R"( "a=b" )");
}

TEST(TextHelpersLexical, TabDoesNotEndTheCommandWord) {
    EXPECT_EQ(PlainField("Line\t1, 2 3", ' ', 1), "Line\t1,");
    bool found = false;
    EXPECT_EQ(TextAfter("Line\t1,2", ' ', &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(TextAfter("Line 1, 2", ' ', &found), "1, 2");
    EXPECT_TRUE(found);
    EXPECT_EQ(TextAfter("Line ", ' ', &found), "");
    EXPECT_TRUE(found);
}

TEST(TextHelpersReplace, ReplacementsNeitherOverlapNorRescan) {
    bool replaced = true;
    EXPECT_EQ(ReplaceText("aaa", "aa", "b", &replaced), "ba");
    EXPECT_TRUE(replaced);
    EXPECT_EQ(ReplaceText("#x+#x", "#x", "#x#x"), "#x#x+#x#x");
    EXPECT_EQ(ReplaceText("#xy*#x", "#x", "5"), "5y*5");
    EXPECT_EQ(ReplaceText("abc", "d", "e", &replaced), "abc");
    EXPECT_FALSE(replaced);
    EXPECT_EQ(ReplaceText("2---3", "--", "+"), "2+-3");
    EXPECT_EQ(ReplaceChar("1,5,7", ',', "."), "1.5.7");
    EXPECT_EQ(ReplaceChar("a#b", '#', ""), "ab");
}

TEST(TextHelpersCase, CzechLettersFoldInWindows1250) {
    // "ŽLUŤOUČKÝ KŮŇ ŚĄŁŻŹŞĽ" and its lower-case form
    const std::string upper = "\x8ELU\x8DOU\xC8K\xDD K\xD9\xD2 \x8C\xA5\xA3\xAF\x8F\xAA\xBC";
    const std::string lower = "\x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \x9C\xB9\xB3\xBF\x9F\xBA\xBE";
    EXPECT_EQ(LowerText(upper), lower);
    EXPECT_EQ(UpperText(lower), upper);
    EXPECT_EQ(LowerText("DefaultColor"), "defaultcolor");
}

TEST(TextHelpersCase, SignsAndUnpairedLettersStay) {
    // multiplication and division signs, sharp s, micro sign, dot above, ÿ-less 0xFF
    for (char c : {'\xD7', '\xF7', '\xDF', '\xB5', '\xFF', '\x80', '@', '[', '`', '{'}) {
        EXPECT_EQ(UpperChar(c), c) << int(static_cast<unsigned char>(c));
        EXPECT_EQ(LowerChar(c), c) << int(static_cast<unsigned char>(c));
    }
}

TEST(TextHelpersCase, MappingIsAPairingOfLetters) {
    int pairs = 0;
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        if (LowerChar(c) != c) {
            ++pairs;
            EXPECT_EQ(UpperChar(LowerChar(c)), c) << i;
            EXPECT_EQ(LowerChar(LowerChar(c)), LowerChar(c)) << i;
        }
    }
    EXPECT_EQ(pairs, 26 + 10 + 30);
}

TEST(TextHelpersCase, ContainsTextIgnoresCaseOnlyWhenAsked) {
    EXPECT_TRUE(ContainsText("picture.bmp", "BMP", false));
    EXPECT_FALSE(ContainsText("picture.bmp", "BMP", true));
    EXPECT_TRUE(ContainsText("\xC8\xC1RA", "\xE8\xE1r", false));  // ČÁRA / čár
    EXPECT_FALSE(ContainsText("abc", "abcd", false));
}

TEST(TextHelpersPaths, BothSeparatorsCount) {
    EXPECT_EQ(PathDirectory("C:\\dir\\pic.bmp"), "C:\\dir");
    EXPECT_EQ(PathFileName("C:\\dir\\pic.bmp"), "pic.bmp");
    EXPECT_EQ(PathDirectory("/home/u/a.gif"), "/home/u");
    EXPECT_EQ(PathFileName("/home/u/a.gif"), "a.gif");
    EXPECT_EQ(PathDirectory("dir/sub\\x.jpg"), "dir/sub");
    EXPECT_EQ(PathFileName("dir\\sub/x.jpg"), "x.jpg");
    EXPECT_EQ(PathFileName("dir/"), "");
}

TEST(TextHelpersPaths, NoSeparatorOrOnlyAtFirstCharacterGivesNothing) {
    for (const char* path : {"pic.bmp", "\\pic.bmp", "/pic.bmp", "", "/"}) {
        EXPECT_EQ(PathDirectory(path), "") << path;
        EXPECT_EQ(PathFileName(path), "") << path;
    }
    EXPECT_EQ(PathDirectory("a/b"), "a");
}

TEST(TextHelpersPaths, Extension) {
    EXPECT_EQ(PathExtension("a.b.jpeg"), "jpeg");
    EXPECT_EQ(PathExtension("C:\\x\\pic.BMP"), "BMP");
    EXPECT_EQ(PathExtension("name"), " ");
    EXPECT_EQ(PathExtension(".hidden"), " ");
    EXPECT_EQ(PathExtension(""), " ");
    EXPECT_EQ(PathExtension("name."), ".");
    EXPECT_EQ(PathExtension("dir.v/file"), "v/file");
}

TEST(TextHelpersLiteral, PiecesAreJoined) {
    EXPECT_EQ(ParseTextLiteral(R"("abc")", EnglishBase), "abc");
    EXPECT_EQ(ParseTextLiteral(R"( "a, b" + "c" )", EnglishBase), "a, bc");
    EXPECT_EQ(ParseTextLiteral(R"("a"  "b"+"c")", EnglishBase), "abc");
    EXPECT_EQ(ParseTextLiteral(R"(+"a"+)", EnglishBase), "a");
    EXPECT_EQ(ParseTextLiteral(R"("")", EnglishBase), "");
    EXPECT_EQ(ParseTextLiteral("", EnglishBase), "");
}

TEST(TextHelpersLiteral, DoubledQuoteAndUnclosedPiece) {
    EXPECT_EQ(ParseTextLiteral(R"("say ""hi""")", EnglishBase), R"(say "hi")");
    EXPECT_EQ(ParseTextLiteral(R"("""")", EnglishBase), R"(")");
    EXPECT_EQ(ParseTextLiteral(R"("a" "b)", EnglishBase), "ab");
    EXPECT_EQ(ParseTextLiteral(R"("50% off, 2+2)", EnglishBase), "50% off, 2+2");
}

TEST(TextHelpersLiteral, AnythingElseOutsideQuotesIsAnError) {
    for (const char* text : {R"("a" x)", "abc", R"("a","b")", "\t\"a\"", R"("a"-"b")"}) {
        try {
            ParseTextLiteral(text, EnglishBase);
            ADD_FAILURE() << "accepted " << text;
        } catch (const vyjimka& error) {
            EXPECT_EQ(error.message(), Text(EnglishBase, 350)) << text;
            EXPECT_FALSE(error.message().empty());
        }
    }
}

}  // namespace
}  // namespace kresbon
