#include "theme/size_text.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <string>

namespace palvex::theme {

namespace {

constexpr int kPrecision = 4; // significant digits
constexpr int kDecimals = 2;

// The value's decimal digits and the position of its decimal point (digits before it),
// rounded half away from zero at the coarser of 4 significant digits and 2 decimals. A binary
// double like 0.125 is an exact tie here, and the user expects 0.13, not the 0.12 that
// round-half-even printf would give, so the rounding is done on the decimal digits.
struct Decimal {
    std::string digits; // no leading zeros unless the value is zero
    int exponent = 0;   // value = 0.digits * 10^exponent
};

Decimal roundedDecimal(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17e", value);
    // buffer: d.ddddddddddddddddde[+-]xx
    std::string digits;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    const int exponent = std::atoi(p + 1) + 1;

    const int keep = std::min(kPrecision, exponent + kDecimals);
    if (keep < 0)
        return {"0", 1};
    const bool roundUp = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
    digits.resize(keep);
    Decimal result{digits, exponent};
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0 && result.digits[i] == '9'; --i)
            result.digits[i] = '0';
        if (i >= 0) {
            ++result.digits[i];
        } else {
            result.digits.insert(result.digits.begin(), '1');
            ++result.exponent;
        }
    }
    if (result.digits.find_first_not_of('0') == std::string::npos)
        return {"0", 1};
    return result;
}

QString fixed(const Decimal& d, QChar separator) {
    QString integral, fraction;
    for (int i = 0; i < d.exponent; ++i)
        integral += i < static_cast<int>(d.digits.size()) ? QChar(d.digits[i]) : QChar('0');
    if (integral.isEmpty())
        integral = QStringLiteral("0");
    for (int i = d.exponent; i < d.exponent + kDecimals; ++i)
        fraction +=
            i >= 0 && i < static_cast<int>(d.digits.size()) ? QChar(d.digits[i]) : QChar('0');
    return integral + separator + fraction;
}

QString scientific(Decimal d, QChar separator) {
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    QString text = QChar(d.digits[0]);
    if (d.digits.size() > 1)
        text += separator + QString::fromStdString(d.digits.substr(1));
    return text + QLatin1Char('E') + QString::number(d.exponent - 1);
}

} // namespace

QString formatKb(double kb, QChar decimalSeparator) {
    const bool negative = kb < 0;
    const Decimal d = roundedDecimal(std::fabs(kb));
    const QString text =
        d.exponent > kPrecision ? scientific(d, decimalSeparator) : fixed(d, decimalSeparator);
    return negative && d.digits != "0" ? QLatin1Char('-') + text : text;
}

QString formatKb(double kb) {
    const QString point = QLocale::system().decimalPoint();
    return formatKb(kb, point.isEmpty() ? QChar('.') : point.front());
}

QString formatByteSizeAsKb(std::int64_t bytes) {
    return formatKb(static_cast<double>(bytes) / 1024.0);
}

QString dimensionsText(int height, int width, QChar separator) {
    return QStringLiteral("H:%1%2W:%3").arg(height).arg(separator).arg(width);
}

QString dimensionsText(QSize size) {
    return dimensionsText(size.height(), size.width());
}

} // namespace palvex::theme
