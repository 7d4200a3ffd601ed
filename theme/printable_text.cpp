#include "theme/printable_text.h"

namespace palvex::theme {

namespace {

bool needsEscape(char32_t c, bool keepTabs) {
    if (c == U'\t')
        return !keepTabs;
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200e || c == 0x200f;
}

void appendEscaped(QString& out, char32_t c) {
    switch (c) {
    case U'\n':
        out += QStringLiteral("\\n");
        return;
    case U'\r':
        out += QStringLiteral("\\r");
        return;
    case U'\t':
        out += QStringLiteral("\\t");
        return;
    default:
        if (c < 0x100)
            out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    }
}

// The length of the valid UTF-8 sequence at the start of bytes, 0 when there is none.
std::size_t utf8SequenceLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(bytes[i]);
    };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2, least = 0x80;
    else if (lead >= 0xe0 && lead <= 0xef)
        length = 3, least = 0x800;
    else if (lead >= 0xf0 && lead <= 0xf4)
        length = 4, least = 0x10000;
    else
        return 0;
    if (bytes.size() < length)
        return 0;
    char32_t c = lead & (0x3f >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
        c = (c << 6) | (byte(i) & 0x3f);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    if (c < least || (c >= 0xd800 && c <= 0xdfff) || c > 0x10ffff)
        return 0;
    return length;
}

} // namespace

QString printable(QStringView text, bool keepTabs) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype units = pair ? 2 : 1;
        const char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        if (needsEscape(c, keepTabs))
            appendEscaped(out, c);
        else
            out += text.mid(i, units);
        i += units;
    }
    return out;
}

QString printableName(std::string_view bytes) {
    QString out;
    while (!bytes.empty()) {
        const std::size_t length = utf8SequenceLength(bytes);
        if (length == 0) {
            out += QStringLiteral("\\x%1").arg(uint(static_cast<unsigned char>(bytes[0])), 2, 16,
                                               QLatin1Char('0'));
            bytes.remove_prefix(1);
            continue;
        }
        out += printable(QString::fromUtf8(bytes.data(), qsizetype(length)));
        bytes.remove_prefix(length);
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t length = utf8SequenceLength(bytes);
        if (length == 0)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

QString nameText(std::string_view bytes) {
    return isValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                              : printableName(bytes);
}

} // namespace palvex::theme
