// Coordinate arguments: the number syntax, what it refuses and how it rounds.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "run.hpp"
#include "test_support.hpp"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

struct CoordinateCase {
    const char* name;
    std::string text;
    double expected;
};

std::ostream& operator<<(std::ostream& os, const CoordinateCase& c) { return os << c.name; }

class ParseCoordinate : public testing::TestWithParam<CoordinateCase> {};

// Compared by bit pattern, so that -0.0, +0.0 and the infinities are told apart.
TEST_P(ParseCoordinate, GivesExactValue) {
    const CoordinateCase& c = GetParam();
    const double value = dozovor::parse_coordinate(c.text.c_str());
    EXPECT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(c.expected))
        << "text \"" << c.text << "\" gave " << value << ", expected " << c.expected;
}

const std::string DIGITS_400 = "1" + std::string(399, '0');

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseCoordinate,
    testing::Values(
        CoordinateCase{"Decimal", "12.25", 12.25}, CoordinateCase{"PlusSign", "+7", 7.0},
        CoordinateCase{"LeadingBlanks", "   7", 7.0},
        CoordinateCase{"AllWhiteSpace", "\t\n\v\f\r 42", 42.0},
        CoordinateCase{"Exponent", "1.5e3", 1500.0},
        CoordinateCase{"ExponentUpperSigned", "1.5E+3", 1500.0},
        CoordinateCase{"ExponentD", "1.5d3", 1500.0},
        CoordinateCase{"ExponentUpperD", "1D2", 100.0},
        CoordinateCase{"ExponentLowerD", "1d2", 100.0},
        CoordinateCase{"NegativeExponent", "-.5e-3", -0.0005},
        CoordinateCase{"LeadingPoint", ".5", 0.5}, CoordinateCase{"TrailingPoint", "5.", 5.0},
        CoordinateCase{"TrailingText", "12abc", 12.0}, CoordinateCase{"DecimalComma", "1,5", 1.0},
        CoordinateCase{"SecondPoint", "1.2.3", 1.2}, CoordinateCase{"Word", "abc", 0.0},
        CoordinateCase{"Empty", "", 0.0}, CoordinateCase{"Infinity", "inf", 0.0},
        CoordinateCase{"InfinityUpper", "INFINITY", 0.0}, CoordinateCase{"NaN", "nan", 0.0},
        CoordinateCase{"SignedNaN", "-nan", 0.0}, CoordinateCase{"Hexadecimal", "0x10", 0.0},
        CoordinateCase{"HexadecimalFloat", "0x1p3", 0.0},
        CoordinateCase{"BlankAfterSign", "+ 5", 0.0}, CoordinateCase{"SignAlone", "-", 0.0},
        CoordinateCase{"PointAlone", ".", 0.0}, CoordinateCase{"PointExponent", ".e5", 0.0},
        CoordinateCase{"LetterWithoutDigits", "1e", 1.0},
        CoordinateCase{"LetterAndSignWithoutDigits", "1e+", 1.0},
        CoordinateCase{"LetterAndBlank", "2e 5", 2.0}, CoordinateCase{"DoubleSign", "--5", 0.0},
        CoordinateCase{"NegativeZero", "-0", -0.0}, CoordinateCase{"Overflow", "1e999", INF},
        CoordinateCase{"NegativeOverflow", "-1e999", -INF},
        CoordinateCase{"Underflow", "1e-999", 0.0},
        CoordinateCase{"LongExponent", "1e0000000000000000000000000002", 100.0},
        CoordinateCase{"HugeExponent", "1e99999999999999999999999", INF},
        CoordinateCase{"LongMantissa", DIGITS_400, INF},
        CoordinateCase{"LongMantissaScaledBack", DIGITS_400 + "e-399", 1.0},
        CoordinateCase{"LongFraction", "0." + std::string(300, '0') + "5e300", 0.5},
        CoordinateCase{"UtmNorthing", "4878817.0200000005", 4878817.0200000005},
        CoordinateCase{"NearestDouble", "0.1", 0.1}),
    test::CaseName());

}  // namespace
