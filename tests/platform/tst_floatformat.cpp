#include "platform/untFloatFormat.h"

#include <gtest/gtest.h>

TEST(FloatFormat, RequiredAndOptionalDigitsGroupingAndRounding)
{
    EXPECT_EQ(FormatFloat("0", 12.5L), "13"); // half away from zero
    EXPECT_EQ(FormatFloat("0", -12.5L), "-13");
    EXPECT_EQ(FormatFloat("0.00", 0.0L), "0.00");
    EXPECT_EQ(FormatFloat("0.00", 1.005L), "1.01");  // the decimal digits, not the binary value
    EXPECT_EQ(FormatFloat("0.00", -0.001L), "0.00"); // no sign on a zero shown
    EXPECT_EQ(FormatFloat(",0.00", 1234567.891L), "1,234,567.89");
    EXPECT_EQ(FormatFloat(",0", 999.5L), "1,000");
    EXPECT_EQ(FormatFloat("0.####", 12.5L), "12.5");
    EXPECT_EQ(FormatFloat("0.####", 12.0L), "12");
    EXPECT_EQ(FormatFloat("0.00##", 0.1L), "0.10");
    EXPECT_EQ(FormatFloat("0.##############", 1e-5L), "0.00001"); // never an exponent
    EXPECT_EQ(FormatFloat(",0.00", 1e20L), "100,000,000,000,000,000,000.00");
    // At most 15 significant digits come from the number.
    EXPECT_EQ(FormatFloat("0.00", 1234567890123.456789L), "1234567890123.46");
    EXPECT_EQ(FormatFloat("0.####", 123456789012345.6789L), "123456789012346");
    TFloatSeparators german{QLatin1Char(','), QLatin1Char('.')};
    EXPECT_EQ(FormatFloat(",0.00", -1234.5L, german), "-1.234,50");
}

TEST(FloatFormat, ScientificShowsTheExponentSignOnlyWhenNegative)
{
    EXPECT_EQ(FormatFloat("0.00E-", 12345.0L), "1.23E4");
    EXPECT_EQ(FormatFloat("0.00E-", 0.000123456L), "1.23E-4");
    EXPECT_EQ(FormatFloat("0.00E+", 12345.0L), "1.23E+4");
    EXPECT_EQ(FormatFloat("0E-", 9.6L), "1E1"); // rounding carries into the exponent
    EXPECT_EQ(FormatFloat("0.00E-", 0.0L), "0.00E0");
    EXPECT_EQ(FormatFloat("0.##E-00", -1.5e-7L), "-1.5E-07");
}
