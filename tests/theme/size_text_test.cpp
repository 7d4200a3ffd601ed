#include "theme/size_text.h"

#include <gtest/gtest.h>

namespace palvex::theme {
namespace {

TEST(SizeText, BytesAsKbWithFourSignificantDigitsAndTwoDecimals) {
    struct Case {
        double kb;
        const char* text;
    } const cases[] = {
        {12345 / 1024.0, "12.06"},
        {123456 / 1024.0, "120.60"},
        {1234567 / 1024.0, "1206.00"},
        {100 / 1024.0, "0.10"},
        {0.0, "0.00"},
        {128 / 1024.0, "0.13"}, // an exact tie rounds up, not to even
        {5 / 1024.0, "0.00"},   // 0.0048828125
        {45.0, "45.00"},
        {30.0, "30.00"},
        {3.0, "3.00"},
        {300.0, "300.00"},
        {200.0, "200.00"},
        {20.0, "20.00"},
        {9999.4, "9999.00"},
        {999.96, "1000.00"},
        {0.996, "1.00"},
        {10000.0, "1E4"},
        {12345.6, "1.235E4"},
        {9999.6, "1E4"}, // rounds to five digits, so scientific
        {1234567.0, "1.235E6"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatKb(c.kb, QChar('.')).toStdString(), c.text) << c.kb;
}

TEST(SizeText, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(formatKb(12345 / 1024.0, QChar(',')), "12,06");
    EXPECT_EQ(formatKb(12345.6, QChar(',')), "1,235E4");
}

TEST(SizeText, ByteCountsAreTakenAsKbOf1024Bytes) {
    EXPECT_EQ(formatByteSizeAsKb(3072).remove(QChar(',')).remove(QChar('.')), "300");
}

} // namespace
} // namespace palvex::theme
