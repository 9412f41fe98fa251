#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace dravix {

inline constexpr int kReadingLength = 8;
inline constexpr int kLeadingBlanks = 3;

// The character one read of the port stands for: the low 8 bits of its first character.
// Empty when the read returned nothing.
[[nodiscard]] std::optional<unsigned char> characterOfRead(QByteArrayView read);

// Three blanks, then the eight received characters in the order read.
[[nodiscard]] QByteArray readingOf(const std::array<unsigned char, kReadingLength>& chars);

// The number a slot text stands for: its hexadecimal digits after skipping blanks, tabs and
// line feeds, up to the first other character, as a 32-bit two's-complement value.
[[nodiscard]] std::int32_t readingValue(QByteArrayView slotText);

// value / 100 as "######0.0####": all integer digits, one or two decimals, '-' when negative.
[[nodiscard]] QString formatHundredths(std::int32_t value, const QString& decimalSeparator);

[[nodiscard]] QString decimalRowText(QByteArrayView slotText, const QString& decimalSeparator);

// The eight characters a drive sends for a value: its 32-bit two's-complement pattern in
// upper-case hexadecimal.
[[nodiscard]] std::string readingText(std::int32_t value);

// Slot texts are bytes; every byte is shown as the character with that code.
[[nodiscard]] QString hexRowText(QByteArrayView slotText);

} // namespace dravix
