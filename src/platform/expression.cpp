#include "platform/expression.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/text_helpers.h"

namespace kresbon {

namespace {

constexpr char kMarker = '#';

bool IsOperatorChar(char c) {
    return c == '(' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/';
}

bool IsExponentLetter(char c) { return c == 'E' || c == 'e'; }

// A '+' or '-' right after the exponent letter of a number such as 1E-5 or
// #2.5e+3 belongs to that number and is no operator. The mantissa has to
// start the operand, so 'abcE-5' keeps its minus as an operator.
bool IsExponentSign(std::string_view t, std::size_t i) {
    if ((t[i] != '+' && t[i] != '-') || i < 2 || !IsExponentLetter(t[i - 1])) return false;
    std::size_t j = i - 1;
    bool digit = false;
    while (j > 0 && (IsDigit(t[j - 1]) || t[j - 1] == '.')) {
        digit = digit || IsDigit(t[j - 1]);
        --j;
    }
    if (!digit) return false;
    if (j > 0 && t[j - 1] == kMarker) --j;
    return j == 0 || IsOperatorChar(t[j - 1]);
}

bool IsOperatorAt(std::string_view t, std::size_t i) {
    return IsOperatorChar(t[i]) && !IsExponentSign(t, i);
}

// One left-to-right, non-overlapping replace-all pass of a sign pair; the
// replacement is never longer than the pair, so it works in place.
void RewritePair(std::string& t, std::string_view pair, std::string_view replacement) {
    if (t.find(pair) == std::string::npos) return;
    std::size_t out = 0;
    std::size_t in = 0;
    while (in < t.size()) {
        if (in + 1 < t.size() && t[in] == pair[0] && t[in + 1] == pair[1]) {
            for (char c : replacement) t[out++] = c;
            in += 2;
        } else {
            t[out++] = t[in++];
        }
    }
    t.resize(out);
}

void RewriteSignPairs(std::string& t) {
    RewritePair(t, "-+", "-");
    RewritePair(t, "+-", "-");
    RewritePair(t, "--", "+");
    RewritePair(t, "*-", "*#");
    RewritePair(t, "/-", "/#");
    RewritePair(t, "(-", "(#");
}

bool HasNothingToEvaluate(std::string_view t) {
    for (char c : t)
        if (IsOperatorChar(c) || c == ' ') return false;
    return true;
}

long double OperandValue(std::string_view operand) {
    std::optional<long double> value;
    if (!operand.empty() && operand[0] == kMarker) {
        std::string negated(operand);
        negated[0] = '-';
        value = TextToFloat(negated);
    } else {
        value = TextToFloat(operand);
    }
    if (!value)
        throw ExpressionError("\"" + std::string(operand) + "\" is not a number.");
    return *value;
}

long double Apply(char op, long double left, long double right) {
    switch (op) {
        case '*': return left * right;
        case '/':
            if (right == 0) throw ExpressionError("Division by zero.");
            return left / right;
        case '+': return left + right;
        default: return left - right;
    }
}

// An intermediate result: rounded to a double, written with 15 significant
// digits, a negative one with the marker in front.
std::string ResultText(double value) {
    if (value < 0) return kMarker + FloatToStr(-value);
    return FloatToStr(value);
}

// One operand of the operator passes: text of the expression, or (without
// text) the result of an earlier step, kept as the double it was rounded to.
struct Operand {
    const char* begin = nullptr;
    const char* end = nullptr;
    double result = 0;

    bool computed() const { return begin == nullptr; }

    long double Value() const {
        // A result is read back from its 15-digit text, as a written one is;
        // a whole number below 10^15 is written with all its digits, so it
        // reads back as itself.
        if (computed()) {
            if (std::abs(result) < 1e15 && result == std::trunc(result))
                return result == 0 ? 0.0L : static_cast<long double>(result);
            return *TextToFloat(FloatToStr(result));
        }
        return OperandValue(std::string_view(begin, static_cast<std::size_t>(end - begin)));
    }
};

// Evaluates the parts of an expression. Each character is looked at a fixed
// number of times, so the work grows with the length of the expression.
class Evaluator {
public:
    std::string Reduce(std::string_view expression);

private:
    std::string ReduceFlat(std::string_view text);
    void Tokenize(std::string_view t);
    void OperatorPass(char op);
    std::string JoinTokens() const;

    std::vector<Operand> operands_;
    std::vector<char> operators_;
};

// Splits a text without ')' into operands and the operator characters between
// them; an operand may be empty.
void Evaluator::Tokenize(std::string_view t) {
    operands_.clear();
    operators_.clear();
    std::size_t begin = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!IsOperatorAt(t, i)) continue;
        operands_.push_back({t.data() + begin, t.data() + i, 0});
        operators_.push_back(t[i]);
        begin = i + 1;
    }
    operands_.push_back({t.data() + begin, t.data() + t.size(), 0});
}

// Replaces every "a op b", leftmost first, by its result. A result stands
// where its left operand stood, so one sweep left to right meets the steps in
// the same order as searching the text again from its start after each one.
void Evaluator::OperatorPass(char op) {
    if (std::find(operators_.begin(), operators_.end(), op) == operators_.end()) return;
    std::size_t kept = 0;
    Operand current = operands_[0];
    for (std::size_t k = 0; k < operators_.size(); ++k) {
        if (operators_[k] == op) {
            const long double left = current.Value();
            const long double right = operands_[k + 1].Value();
            const double value = static_cast<double>(Apply(op, left, right));
            if (!std::isfinite(value)) throw ExpressionError("The result is out of range.");
            current = {nullptr, nullptr, value};
        } else {
            operands_[kept] = current;
            operators_[kept++] = operators_[k];
            current = operands_[k + 1];
        }
    }
    operands_[kept] = current;
    operands_.resize(kept + 1);
    operators_.resize(kept);
}

std::string Evaluator::JoinTokens() const {
    std::string t;
    for (std::size_t k = 0; k < operands_.size(); ++k) {
        if (k > 0) t += operators_[k - 1];
        const Operand& o = operands_[k];
        if (o.computed())
            t += ResultText(o.result);
        else
            t.append(o.begin, o.end);
    }
    return t;
}

// A part without parentheses, as the text between a pair of them: the sign
// pairs are read again, then the four passes run.
std::string Evaluator::ReduceFlat(std::string_view text) {
    if (HasNothingToEvaluate(text)) return std::string(text);
    std::string t(text);
    RewriteSignPairs(t);
    if (!t.empty() && t[0] == '-') t[0] = kMarker;
    Tokenize(t);
    for (char op : {'*', '/', '+', '-'}) OperatorPass(op);
    return JoinTokens();
}

std::string Evaluator::Reduce(std::string_view expression) {
    std::string t;
    t.reserve(expression.size());
    for (char c : expression)
        if (c != ' ') t += c;
    RewriteSignPairs(t);
    if (!t.empty() && t[0] == '-') t[0] = kMarker;
    if (CountChar(t, '(') != CountChar(t, ')'))
        throw ExpressionError("Numbers of left and right parenthesis are different.");

    // Innermost parenthesised parts become their values, leftmost ')' first;
    // the text before the ')' being read is already resolved, so the '(' that
    // closes is the last open one. Without an open '(' the part runs from the
    // first character, and the first character itself is dropped.
    std::string out;
    out.reserve(t.size());
    std::vector<std::size_t> open;
    for (char c : t) {
        if (c != ')') {
            if (c == '(') open.push_back(out.size());
            out += c;
            continue;
        }
        std::size_t s = 0;
        std::size_t innerBegin = std::min<std::size_t>(1, out.size());
        if (!open.empty()) {
            s = open.back();
            open.pop_back();
            innerBegin = s + 1;
        }
        std::string value = ReduceFlat(std::string_view(out).substr(innerBegin));
        std::size_t replaceBegin = s;
        // A sign written before a part whose value is negative: the two
        // markers cancel, so -(2-5) is 3.
        if (!value.empty() && value[0] == kMarker && s > 0 && out[s - 1] == kMarker &&
            (s == 1 || IsOperatorChar(out[s - 2]))) {
            value.erase(0, 1);
            --replaceBegin;
        }
        out.resize(replaceBegin);
        out += value;
    }

    Tokenize(out);
    for (char op : {'*', '/', '+', '-'}) OperatorPass(op);
    return JoinTokens();
}

constexpr std::array<long double, 28> MakePowersOfTen() {
    std::array<long double, 28> powers{};
    long double p = 1;
    for (auto& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}

// Every power up to 10^27 is exact in the 64-bit mantissa of long double.
constexpr std::array<long double, 28> kPowersOfTen = MakePowersOfTen();

struct NumberParts {
    bool negative = false;
    std::string_view intDigits;
    std::string_view fracDigits;
    long exponent = 0;

    // X of d.ddd x 10^X for a value that is not zero.
    long DecimalExponent() const {
        const std::size_t intLead = intDigits.find_first_not_of('0');
        if (intLead != std::string_view::npos)
            return exponent + static_cast<long>(intDigits.size() - intLead) - 1;
        return exponent - static_cast<long>(fracDigits.find_first_not_of('0')) - 1;
    }
};

// Splits a number written by the classic grammar; false when it does not
// follow it.
bool SplitNumber(std::string_view s, NumberParts& parts) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) parts.negative = s[i++] == '-';
    const std::size_t intBegin = i;
    while (i < n && IsDigit(s[i])) ++i;
    parts.intDigits = s.substr(intBegin, i - intBegin);
    if (i < n && s[i] == '.') {
        const std::size_t fracBegin = ++i;
        while (i < n && IsDigit(s[i])) ++i;
        parts.fracDigits = s.substr(fracBegin, i - fracBegin);
    }
    if (parts.intDigits.empty() && parts.fracDigits.empty()) return false;
    if (i < n && IsExponentLetter(s[i])) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
        constexpr long kExponentCap = 100000;
        for (; i < n && IsDigit(s[i]); ++i)
            parts.exponent = std::min(kExponentCap, parts.exponent * 10 + (s[i] - '0'));
        if (negativeExponent) parts.exponent = -parts.exponent;
    }
    return i == n;
}

// Exact digits and a small power of ten give a correctly rounded value from a
// single operation; anything else goes through the library conversion.
long double ComposeNumber(const NumberParts& parts) {
    std::uint64_t mantissa = 0;
    int significant = 0;
    auto take = [&](std::string_view digits) {
        for (char c : digits) {
            if (significant == 0 && c == '0') continue;
            if (++significant > 19) return;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        }
    };
    take(parts.intDigits);
    take(parts.fracDigits);
    const long scale = parts.exponent - static_cast<long>(parts.fracDigits.size());
    long double value;
    if (significant == 0) {
        value = 0;
    } else if (significant <= 19 && scale >= -27 && scale <= 27) {
        const long double m = static_cast<long double>(mantissa);
        value = scale >= 0 ? m * kPowersOfTen[scale] : m / kPowersOfTen[-scale];
    } else {
        std::string normal;
        normal.reserve(parts.intDigits.size() + parts.fracDigits.size() + 10);
        normal.append(parts.intDigits.empty() ? "0" : parts.intDigits);
        normal += '.';
        normal.append(parts.fracDigits);
        normal += 'e';
        normal += std::to_string(parts.exponent);
        value = 0;
        const auto [end, error] =
            std::from_chars(normal.data(), normal.data() + normal.size(), value);
        if (error == std::errc::result_out_of_range)
            value = parts.DecimalExponent() > 0 ? std::numeric_limits<long double>::infinity()
                                                : 0.0L;
        else if (error != std::errc() || end != normal.data() + normal.size())
            value = std::numeric_limits<long double>::quiet_NaN();
    }
    return parts.negative ? -value : value;
}

// A number as scripts mostly write it: an optional leading '-', digits and
// points, then optionally an exponent letter, one sign and digits. No
// operator of such a text is ever applied and no sign pair occurs in it, so
// the expression rules give the text back as it is.
bool IsPlainNumber(std::string_view t) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && t[i] == '-') ++i;
    bool digit = false;
    for (; i < n && (IsDigit(t[i]) || t[i] == '.'); ++i) digit = digit || IsDigit(t[i]);
    if (!digit) return false;
    if (i == n) return true;
    if (!IsExponentLetter(t[i])) return false;
    if (++i < n && (t[i] == '+' || t[i] == '-')) ++i;
    for (; i < n; ++i)
        if (!IsDigit(t[i])) return false;
    return true;
}

}  // namespace

std::string EvaluateExpression(std::string_view expression) {
    std::string result;
    if (HasNothingToEvaluate(expression))
        result = expression;
    else
        result = Evaluator().Reduce(expression);
    std::replace(result.begin(), result.end(), kMarker, '-');
    return result;
}

std::optional<long double> TextToFloat(std::string_view text) {
    NumberParts parts;
    if (!SplitNumber(Trimmed(text), parts)) return std::nullopt;
    const long double value = ComposeNumber(parts);
    if (!std::isfinite(static_cast<double>(value))) return std::nullopt;
    return value;
}

std::optional<int> TextToInt(std::string_view text) {
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (!IsUnsignedInteger(text)) return std::nullopt;
    long long value = 0;
    constexpr long long kLimit = 1LL + std::numeric_limits<int>::max();
    for (char c : text) {
        value = value * 10 + (c - '0');
        if (value > kLimit) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(value);
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // Whole numbers of up to 15 digits are their own shortest form.
    if (std::abs(value) < 1e15 && value == std::trunc(value)) {
        char whole[24];
        const auto end = std::to_chars(whole, whole + sizeof whole, static_cast<long long>(value)).ptr;
        return std::string(whole, end);
    }
    // d.dddddddddddddde±X: the value rounded to 15 significant digits.
    char buffer[40];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = scientific.find('e');
    const bool negative = scientific[0] == '-';
    std::string digits;
    digits.reserve(15);
    for (char c : scientific.substr(0, e))
        if (IsDigit(c)) digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exponent = 0;
    std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1),
                    scientific.data() + scientific.size(), exponent);

    std::string text;
    text.reserve(24);
    if (negative) text += '-';
    if (exponent >= 15 || exponent < -4) {
        text += digits[0];
        if (digits.size() > 1) {
            text += '.';
            text.append(digits, 1);
        }
        text += 'E';
        text += std::to_string(exponent);
    } else if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else {
        const std::size_t intCount = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intCount) {
            text += digits;
            text.append(intCount - digits.size(), '0');
        } else {
            text.append(digits, 0, intCount);
            text += '.';
            text.append(digits, intCount);
        }
    }
    return text;
}

std::optional<long double> EvaluateNumber(std::string_view expression) {
    // Up to 18 digits without point or exponent: the whole number itself.
    constexpr std::size_t wholeDigits = 18;
    const bool negative = !expression.empty() && expression[0] == '-';
    const std::size_t first = negative ? 1 : 0;
    std::size_t i = first;
    long long whole = 0;
    for (; i < expression.size() && IsDigit(expression[i]); ++i)
        if (i - first < wholeDigits) whole = whole * 10 + (expression[i] - '0');
    const std::size_t digits = i - first;
    if (i == expression.size() && digits >= 1 && digits <= wholeDigits) {
        const long double value = static_cast<long double>(whole);
        return negative ? -value : value;
    }
    if (IsPlainNumber(expression)) return TextToFloat(expression);
    try {
        return TextToFloat(EvaluateExpression(expression));
    } catch (const ExpressionError&) {
        return std::nullopt;
    }
}

}  // namespace kresbon
