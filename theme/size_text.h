#pragma once

#include <QChar>
#include <QSize>
#include <QString>
#include <cstdint>

namespace palvex::theme {

// A kb value as the user sees it: rounded to at most 4 significant digits and 2 decimals,
// written with exactly 2 decimals after the given separator; 10 000 and more in scientific
// notation (mantissa of at most 4 significant digits, "E", exponent).
QString formatKb(double kb, QChar decimalSeparator);

// The same with the user's locale separator.
QString formatKb(double kb);

// Bytes as kb (1 024 bytes each), formatted as above.
QString formatByteSizeAsKb(std::int64_t bytes);

// A picture's height and width as every text of the program writes them, the height first:
// "H:600 W:800". The slot's dimension label puts a tab between the two instead.
QString dimensionsText(int height, int width, QChar separator = QLatin1Char(' '));
QString dimensionsText(QSize size);

} // namespace palvex::theme
