#include "compat/Error.h"
#include "compat/Variant.h"

#include <QLocale>
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace tpv;
using tpv::test::errorOf;

namespace {
bool spanish() { return QLocale::system().decimalPoint() == QLatin1String(","); }
}  // namespace

TEST(Variant, WholeNumberConversionRoundsHalfToEven) {
    EXPECT_EQ(Variant(2.5).toInt16(), 2);
    EXPECT_EQ(Variant(3.5).toInt16(), 4);
    EXPECT_EQ(Variant(-2.5).toInt32(), -2);
    EXPECT_EQ(Variant(0.6).toInt32(), 1);
    EXPECT_EQ(Variant(0.4).toInt32(), 0);
}

TEST(Variant, ConversionOutOfRangeIsOverflowAndJunkIsTypeMismatch) {
    EXPECT_EQ(errorOf([] { Variant(int64_t(32768)).toInt16(); }), err::Overflow);
    EXPECT_EQ(errorOf([] { Variant(32767.5).toInt16(); }), err::Overflow);
    EXPECT_EQ(errorOf([] { Variant("40000").toInt16(); }), err::Overflow);
    EXPECT_EQ(errorOf([] { Variant(5e9).toInt32(); }), err::Overflow);
    EXPECT_EQ(errorOf([] { Variant("abc").toInt16(); }), err::TypeMismatch);
    EXPECT_EQ(errorOf([] { Variant("").toInt32(); }), err::TypeMismatch);
    EXPECT_EQ(errorOf([] { Variant().toInt16(); }), err::TypeMismatch);
}

TEST(Variant, TextWithLeadingZerosAndBlanksReadsAsItsNumber) {
    EXPECT_EQ(Variant("0012").toInt16(), 12);
    EXPECT_EQ(Variant(" 7 ").toInt16(), 7);
    // A point is read as a decimal separator under any locale.
    EXPECT_DOUBLE_EQ(Variant("1.5").toDouble(), 1.5);
}

TEST(Variant, NumbersBecomeTextInTheProcessLocale) {
    EXPECT_EQ(Variant(2.0).toText(), QStringLiteral("2"));
    EXPECT_EQ(Variant(int64_t(-3)).toText(), QStringLiteral("-3"));
    EXPECT_EQ(Variant(1.5).toText(), spanish() ? QStringLiteral("1,5") : QStringLiteral("1.5"));
    EXPECT_EQ(withDecimalPoint(Variant(1.5).toText()), QStringLiteral("1.5"));
    // No thousands separator: it would split a number inside a statement.
    EXPECT_EQ(Variant(12345.25).toText(), spanish() ? QStringLiteral("12345,25") : QStringLiteral("12345.25"));
    if (spanish()) {
        EXPECT_DOUBLE_EQ(Variant("1,5").toDouble(), 1.5);
    }
}

TEST(Variant, BooleanOfNullIsFalseAndOfNonZeroIsTrue) {
    EXPECT_FALSE(Variant().toBool());
    EXPECT_TRUE(Variant(int64_t(-1)).toBool());
    EXPECT_TRUE(Variant(int64_t(5)).toBool());
    EXPECT_FALSE(Variant(int64_t(0)).toBool());
    EXPECT_TRUE(Variant("Verdadero").toBool());
}
