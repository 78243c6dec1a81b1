#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kresbon {

// Raised by the evaluator for a malformed operand, unequal parentheses, a
// division by zero or an overflow. Callers turn it into their parameter's
// own message.
class ExpressionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Evaluates an arithmetic expression by rewriting its text: innermost
// parentheses first, then the passes '*', '/', '+', '-' in that order, each
// result rounded to a double and written with 15 significant digits.
// Returns the text of the resulting number with an ordinary '-' sign.
std::string EvaluateExpression(std::string_view expression);

// The classic text-to-number conversion: optional blanks, optional sign,
// digits with an optional '.' fraction, optional exponent (E or e, optional
// sign, optional digits), optional blanks. Nothing else; '.' is the only
// decimal separator, whatever the locale.
std::optional<long double> TextToFloat(std::string_view text);

// A whole number in the signed 32-bit range, with optional blanks and sign.
std::optional<int> TextToInt(std::string_view text);

// The general format with 15 significant digits: no trailing zeros, fixed
// notation for decimal exponents -5 < X < 15, otherwise "1E15" / "1E-5".
std::string FloatToStr(double value);

// EvaluateExpression followed by TextToFloat; nullopt on any failure.
std::optional<long double> EvaluateNumber(std::string_view expression);

}  // namespace kresbon
