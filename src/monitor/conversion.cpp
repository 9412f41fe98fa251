#include "conversion.h"

#include <cstdlib>
#include <string_view>

namespace dravix {
namespace {

[[nodiscard]] int hexDigitValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

[[nodiscard]] bool isSkippedBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

} // namespace

std::optional<unsigned char> characterOfRead(QByteArrayView read)
{
    if (read.isEmpty())
        return std::nullopt;
    return static_cast<unsigned char>(read.front());
}

std::string readingText(std::int32_t value)
{
    constexpr std::string_view kHexDigits = "0123456789ABCDEF";
    std::string text(kReadingLength, '0');
    auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = kReadingLength; i-- > 0; bits >>= 4)
        text[i] = kHexDigits[bits & 0xFU];
    return text;
}

QByteArray readingOf(const std::array<unsigned char, kReadingLength>& chars)
{
    QByteArray reading(kLeadingBlanks, ' ');
    reading.reserve(kLeadingBlanks + kReadingLength);
    for (const unsigned char c : chars)
        reading.append(static_cast<char>(c));
    return reading;
}

std::int32_t readingValue(QByteArrayView slotText)
{
    std::uint32_t value = 0;
    for (const char raw : slotText) {
        const auto c = static_cast<unsigned char>(raw);
        if (isSkippedBlank(c))
            continue;
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        // A reading holds at most eight digits; longer texts wrap rather than overflow.
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

QString formatHundredths(std::int32_t value, const QString& decimalSeparator)
{
    // Exact integer arithmetic gives the same text as scaling by 1/100 in double precision
    // and rounding at the fifth decimal, for every 32-bit value.
    const std::int64_t wide = value;
    const std::int64_t magnitude = std::llabs(wide);
    const std::int64_t cents = magnitude % 100;

    QString text;
    text.reserve(16);
    if (wide < 0)
        text += u'-';
    text += QString::number(magnitude / 100);
    text += decimalSeparator;
    // The first decimal always shows; the second only when it is not zero.
    text += QChar(u'0' + static_cast<char16_t>(cents / 10));
    if (cents % 10 != 0)
        text += QChar(u'0' + static_cast<char16_t>(cents % 10));
    return text;
}

QString decimalRowText(QByteArrayView slotText, const QString& decimalSeparator)
{
    return formatHundredths(readingValue(slotText), decimalSeparator);
}

QString hexRowText(QByteArrayView slotText)
{
    return QString::fromLatin1(slotText.data(), slotText.size());
}

} // namespace dravix
