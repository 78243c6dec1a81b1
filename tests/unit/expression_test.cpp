#include "platform/expression.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <random>
#include <string>

namespace kresbon {
namespace {

void ExpectValue(const char* expression, const char* expected) {
    EXPECT_EQ(EvaluateExpression(expression), expected) << expression;
}

void ExpectRejected(const char* expression) {
    EXPECT_THROW(EvaluateExpression(expression), ExpressionError) << expression;
    EXPECT_FALSE(EvaluateNumber(expression).has_value()) << expression;
}

TEST(ExpressionPrecedence, PassesRunMultiplyDivideAddSubtract) {
    ExpectValue("2*3", "6");
    ExpectValue("10/4", "2.5");
    ExpectValue("8/2*4", "1");
    ExpectValue("10-2+3", "5");
    ExpectValue("10-2-3+1", "4");
    ExpectValue("8/2/2", "2");
    ExpectValue("2-3-4", "-5");
    ExpectValue("2/3+2/3", "1.33333333333333");
    ExpectValue("10+5*2-3", "17");
}

TEST(ExpressionPrecedence, Parentheses) {
    ExpectValue("2*(3-5)-1", "-5");
    ExpectValue("2*(3+4)", "14");
    ExpectValue("((2))", "2");
    ExpectValue("(1+2)*(3+4)", "21");
    ExpectValue("(8/(2*4))", "1");
    ExpectValue("2(3)", "23");
    ExpectValue("(2)(3)", "23");
}

TEST(ExpressionSigns, MinusAfterOpeningOperatorsIsASign) {
    ExpectValue("-3*2", "-6");
    ExpectValue("2*-3", "-6");
    ExpectValue("6/-3", "-2");
    ExpectValue("3-(-2)", "5");
    ExpectValue("-(2+3)", "-5");
    ExpectValue("2+-3", "-1");
    ExpectValue("2-+3", "-1");
    ExpectValue("2--3", "5");
    ExpectValue("-5+3", "-2");
    ExpectValue("-7", "-7");
}

TEST(ExpressionSigns, UnabsorbedSignsAreRejected) {
    ExpectRejected("+5");
    ExpectRejected("5*+3");
    ExpectRejected("2---3");
    ExpectRejected("2----3");
    ExpectRejected("2*");
    ExpectRejected("*2");
    ExpectRejected("2*()");
}

TEST(ExpressionSigns, MinusBeforeANegativePart) {
    ExpectValue("-(2-5)", "3");
    ExpectValue("2*-(2-5)", "6");
    ExpectValue("12/-(2-5)", "4");
    ExpectValue("3-(2-5)", "6");
    ExpectValue("(-(2-5))", "3");
    ExpectValue("-(-(2-5))", "-3");
    ExpectValue("2+-(2-5)", "5");
    ExpectValue("2--(2-5)", "-1");
    ExpectValue("-(5-2)", "-3");
    // Markers written in the script itself are no sign and stay an error.
    EXPECT_FALSE(EvaluateNumber("##3").has_value());
    EXPECT_FALSE(EvaluateNumber("5#(2-5)").has_value());
}

TEST(ExpressionText, OperandsAreReturnedAsWritten) {
    ExpectValue("007", "007");
    ExpectValue("2.50", "2.50");
    ExpectValue("1 000", "1000");
    ExpectValue(" 2 * 3 ", "6");
    ExpectValue("", "");
    ExpectValue("1E5", "1E5");
    ExpectValue("2.50*1", "2.5");
    EXPECT_EQ(EvaluateNumber("007"), 7.0L);
    EXPECT_FALSE(EvaluateNumber("").has_value());
    // Only the space is removed; a tab stays inside the operand.
    EXPECT_FALSE(EvaluateNumber("1\t000").has_value());
}

TEST(ExpressionText, MalformedOperands) {
    ExpectRejected("a*2");
    ExpectRejected("1,5*2");
    ExpectRejected("(2+3");
    ExpectRejected("2+3)");
    EXPECT_FALSE(EvaluateNumber(")2+3(").has_value());
    EXPECT_FALSE(EvaluateNumber("abc").has_value());
    EXPECT_FALSE(EvaluateNumber("1,5").has_value());
    try {
        EvaluateExpression("((1)");
        ADD_FAILURE();
    } catch (const ExpressionError& error) {
        EXPECT_STREQ(error.what(), "Numbers of left and right parenthesis are different.");
    }
}

TEST(ExpressionArithmetic, FaultsAreRejected) {
    ExpectRejected("1/0");
    ExpectRejected("0/0");
    ExpectRejected("5/(2-2)");
    ExpectRejected("1E200*1E200");
    ExpectRejected("1E308*10");
    ExpectRejected("0-1E308*10");
    EXPECT_FALSE(EvaluateNumber("1E400").has_value());
}

TEST(ExpressionArithmetic, EveryResultHasFifteenDigits) {
    ExpectValue("1/3", "0.333333333333333");
    ExpectValue("1/3*3", "0.111111111111111");
    ExpectValue("(1/3)*3", "0.999999999999999");
    ExpectValue("0.1+0.2", "0.3");
    ExpectValue("2/3", "0.666666666666667");
    ExpectValue("100/3", "33.3333333333333");
    ExpectValue("0-2/3", "-0.666666666666667");
    ExpectValue("0*-1", "0");
    ExpectValue("1E14*10", "1E15");
    ExpectValue("1E14*11", "1.1E15");
    ExpectValue("1E14*10+1", "1E15");
    ExpectValue("1E15/10", "100000000000000");
    ExpectValue("123456789*123456789", "1.52415787501905E16");
}

TEST(ExpressionExponents, SignedExponentBelongsToTheNumber) {
    EXPECT_EQ(EvaluateNumber("1E-5"), 1E-5L);
    ExpectValue("1E-5", "1E-5");
    ExpectValue("2*1E-5", "2E-5");
    ExpectValue("1E-5*2", "2E-5");
    ExpectValue("2-1E-5", "1.99999");
    ExpectValue("1e-2*100", "1");
    ExpectValue("1E+2+1", "101");
    ExpectValue("2E-3-1E-3", "0.001");
    ExpectValue("-1E-5*2", "-2E-5");
    ExpectValue(".5E-1*2", "0.1");
    ExpectValue("(1E-3)*2", "0.002");
    ExpectValue("1E--5", "1E+5");
    EXPECT_EQ(EvaluateNumber("1E--5"), 1E5L);
    ExpectValue("1E", "1E");
    ExpectValue("1E*2", "2");
}

TEST(ExpressionExponents, SmallIntermediateResultsKeepWorking) {
    ExpectValue("0.001*0.01", "1E-5");
    ExpectValue("0.001*0.01*1000", "0.01");
    ExpectValue("0-0.001*0.01", "-1E-5");
    ExpectValue("(0-0.001*0.01)*2", "-2E-5");
    ExpectValue("(0.001*0.01)-1", "-0.99999");
    ExpectValue("1-(0.001*0.01)", "0.99999");
    ExpectValue("-(0-0.001*0.01)", "1E-5");
}

TEST(ExpressionExponents, ExponentLetterAfterSomethingElseIsNoNumber) {
    EXPECT_FALSE(EvaluateNumber("E-5").has_value());
    EXPECT_FALSE(EvaluateNumber("x1E-5").has_value());
    EXPECT_FALSE(EvaluateNumber("1E-5E-3").has_value());
    EXPECT_FALSE(EvaluateNumber("2*1E-5E-3").has_value());
}

// Plain numbers skip the expression rules; on any text the shortcut must give
// exactly what the full rules give, failures included.
TEST(ExpressionShortcut, PlainNumbersMatchTheFullRules) {
    auto full = [](const std::string& text) -> std::optional<long double> {
        try {
            return TextToFloat(EvaluateExpression(text));
        } catch (const ExpressionError&) {
            return std::nullopt;
        }
    };
    std::mt19937 random(9);
    const std::string alphabets[] = {"0123456789", "0123456789.-", "0123456789.eE-+",
                                     "0.9eE-+ #*("};
    int plain = 0;
    for (int n = 0; n < 100000; ++n) {
        const std::size_t kind = random() % 4;
        const std::string& alphabet = alphabets[kind];
        std::string text;
        // Whole numbers up to beyond the range of 64-bit integers.
        for (int length = 1 + random() % (kind < 2 ? 24 : 12); length > 0; --length)
            text += alphabet[random() % alphabet.size()];
        const auto quick = EvaluateNumber(text);
        const auto expected = full(text);
        ASSERT_EQ(quick.has_value(), expected.has_value()) << text;
        if (!quick) continue;
        ++plain;
        ASSERT_TRUE(*quick == *expected && std::signbit(*quick) == std::signbit(*expected))
            << text;
    }
    EXPECT_GT(plain, 25000);
}

// The work grows with the length: a quadratic evaluator needs tens of
// seconds for these.
TEST(ExpressionScale, LongExpressionsAreEvaluatedInLinearTime) {
    const auto start = std::chrono::steady_clock::now();
    std::string sum = "1";
    for (int i = 1; i < 1000000; ++i) sum += "+1";
    EXPECT_EQ(EvaluateExpression(sum), "1000000");

    constexpr int depth = 300000;
    std::string nested = std::string(depth, '(') + "2.5" + std::string(depth, ')');
    EXPECT_EQ(EvaluateExpression(nested), "2.5");
    nested = std::string(depth, '(') + "1+1" + std::string(depth, ')') + "*3";
    EXPECT_EQ(EvaluateExpression(nested), "6");
    // Every "-(" flips the sign of the negative value inside it.
    std::string signs;
    for (int i = 0; i < depth + 1; ++i) signs += "-(";
    signs += "2-5" + std::string(depth + 1, ')');
    EXPECT_EQ(EvaluateExpression(signs), "3");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
}

TEST(NumberFormat, GeneralFormatWithFifteenDigits) {
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(9.9e-5), "9.9E-5");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(999999999999999.6), "1E15");
    EXPECT_EQ(FloatToStr(999999999999999.0), "999999999999999");
    EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FloatToStr(1.5e20), "1.5E20");
    EXPECT_EQ(FloatToStr(1e100), "1E100");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(FloatToStr(100.0 / 3.0), "33.3333333333333");
    EXPECT_EQ(FloatToStr(0.5), "0.5");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(-2.5), "-2.5");
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(0.0), "0");
    EXPECT_EQ(FloatToStr(0.00012345), "0.00012345");
    EXPECT_EQ(FloatToStr(DBL_MAX), "1.79769313486232E308");
    EXPECT_EQ(FloatToStr(5e-324), "4.94065645841247E-324");
}

TEST(NumberConversion, AcceptedSpellings) {
    EXPECT_EQ(TextToFloat(".5"), 0.5L);
    EXPECT_EQ(TextToFloat("5."), 5.0L);
    EXPECT_EQ(TextToFloat(" 12 "), 12.0L);
    EXPECT_EQ(TextToFloat("1E"), 1.0L);
    EXPECT_EQ(TextToFloat("1E+"), 1.0L);
    EXPECT_EQ(TextToFloat("1e-"), 1.0L);
    EXPECT_EQ(TextToFloat("-3"), -3.0L);
    EXPECT_EQ(TextToFloat("+3"), 3.0L);
    EXPECT_EQ(TextToFloat("2.5e2"), 250.0L);
    EXPECT_EQ(TextToFloat("0.1"), 0.1L);
    EXPECT_EQ(TextToFloat("-0.000"), 0.0L);
    EXPECT_EQ(TextToFloat("1E-5000"), 0.0L);
    EXPECT_EQ(TextToFloat("0E99999"), 0.0L);
}

TEST(NumberConversion, LongSpellingsAreRoundedOnce) {
    EXPECT_EQ(TextToFloat("0.1000000000000000000000000000"), 0.1L);
    EXPECT_EQ(TextToFloat("12345678901234567890123"), 12345678901234567890123.0L);
    EXPECT_EQ(TextToFloat("1E-30"), 1E-30L);
    EXPECT_EQ(TextToFloat("1.7976931348623157E308"), 1.7976931348623157E308L);
}

TEST(NumberConversion, RejectedSpellings) {
    for (const char* text : {"1,5", "", " ", "abc", "1e5x", "inf", "nan", "INF", "1 0", ".", "-",
                             "E5", "--1", "0x10", "1e5.5", "1.2.3", "#5", "1E309",
                             "-1E309", "1E99999"})
        EXPECT_FALSE(TextToFloat(text).has_value()) << text;
    const std::string hugeInteger = "1" + std::string(400, '0');
    EXPECT_FALSE(TextToFloat(hugeInteger).has_value());
}

TEST(NumberConversion, WholeNumbers) {
    EXPECT_EQ(TextToInt("12"), 12);
    EXPECT_EQ(TextToInt(" -7 "), -7);
    EXPECT_EQ(TextToInt("+3"), 3);
    EXPECT_EQ(TextToInt("2147483647"), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648"), -2147483647 - 1);
    for (const char* text : {"2147483648", "-2147483649", "99999999999999999999", "1.5", "",
                             "-", "1e3", "1 2"})
        EXPECT_FALSE(TextToInt(text).has_value()) << text;
}

}  // namespace
}  // namespace kresbon
