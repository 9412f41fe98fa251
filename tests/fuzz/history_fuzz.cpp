// Arbitrary byte streams through the conversion and the reading history, eight bytes per
// reading as the monitor takes them, checked against a model kept here independently.

#include "conversion.h"
#include "readinghistory.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using dravix::kHistorySlots;
using dravix::kLeadingBlanks;
using dravix::kReadingLength;

constexpr std::size_t kSlotLength = kLeadingBlanks + kReadingLength;

[[noreturn]] void fail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "invariant broken: %s [", what);
    for (const char c : detail)
        std::fprintf(stderr, "%02x", static_cast<unsigned char>(c));
    std::fprintf(stderr, "]\n");
    std::abort();
}

[[nodiscard]] int referenceDigit(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Blanks, tabs and line feeds are skipped; hexadecimal digits are taken up to the first
// other character; the number wraps to 32 bits, two's complement.
[[nodiscard]] std::int32_t referenceValue(std::string_view text)
{
    std::uint32_t value = 0;
    for (const char raw : text) {
        const auto c = static_cast<unsigned char>(raw);
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        const int digit = referenceDigit(c);
        if (digit < 0)
            break;
        value = value * 16U + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

// The value scaled by 1/100 in double precision, five decimals, trailing zeros dropped
// down to one decimal.
[[nodiscard]] std::string referenceDecimal(std::int32_t value, std::string_view separator)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.5f", (1.0 / 100.0) * value);
    std::string text(buffer);
    while (text.size() >= 2 && text.back() == '0' && text[text.size() - 2] != '.')
        text.pop_back();
    const std::size_t point = text.find('.');
    if (point == std::string::npos)
        fail("reference lost its decimal point", text);
    text.replace(point, 1, separator);
    return text;
}

[[nodiscard]] std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Every character of the row is the byte at the same place, read as Latin-1.
void checkHexRow(const QString& row, std::string_view slot)
{
    if (static_cast<std::size_t>(row.size()) != slot.size())
        fail("hexadecimal row length differs from the slot", slot);
    for (std::size_t i = 0; i < slot.size(); ++i) {
        if (row.at(static_cast<qsizetype>(i)).unicode() != static_cast<unsigned char>(slot[i]))
            fail("hexadecimal row differs from the received bytes", slot);
    }
}

void checkDecimal(const QString& actual, std::string_view slot, std::string_view separator)
{
    const std::string expected = referenceDecimal(referenceValue(slot), separator);
    if (actual.toStdString() != expected)
        fail("decimal row differs from the reference", slot);
}

// Every slot against the model; the row texts of the first `rowsToConvert` slots (the
// others were converted when they were newer and have only moved since).
void checkHistory(const dravix::ReadingHistory& history,
                  const std::array<std::string, kHistorySlots>& model, const QString& separator,
                  int rowsToConvert = kHistorySlots)
{
    const std::string separatorText = separator.toStdString();
    for (int k = 0; k < kHistorySlots; ++k) {
        const std::string_view slot = viewOf(history.slot(k));
        if (!slot.empty() &&
            (slot.size() != kSlotLength || slot.substr(0, kLeadingBlanks) != "   "))
            fail("slot neither empty nor three blanks and a reading", slot);
        if (slot != model[static_cast<std::size_t>(k)])
            fail("slot differs from the readings in arrival order", slot);
        if (k < rowsToConvert) {
            checkHexRow(dravix::hexRowText(history.slot(k)), slot);
            checkDecimal(dravix::decimalRowText(history.slot(k), separator), slot, separatorText);
        }
    }
}

} // namespace

// Byte 0 steers: its low four bits clear the history after every that many readings (0: never),
// bit 4 picks the decimal separator. The rest is the stream the device sent.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The conversion alone, on texts of any length.
    checkDecimal(dravix::decimalRowText(QByteArrayView(input.data(), qsizetype(input.size())),
                                        QStringLiteral(".")),
                 input, ".");
    checkHexRow(dravix::hexRowText(QByteArrayView(input.data(), qsizetype(input.size()))), input);
    const auto reduced =
        dravix::characterOfRead(QByteArrayView(input.data(), qsizetype(input.size())));
    if (reduced.has_value() == input.empty() ||
        (reduced && *reduced != static_cast<unsigned char>(input.front())))
        fail("a read is not reduced to its first character", input);

    if (input.empty())
        return 0;
    const unsigned clearEvery = data[0] & 0x0FU;
    const QString separator = (data[0] & 0x10U) ? QStringLiteral(",") : QStringLiteral(".");
    const std::string_view stream = input.substr(1);

    dravix::ReadingHistory history;
    std::array<std::string, kHistorySlots> model;
    checkHistory(history, model, separator);

    unsigned readings = 0;
    // Only whole readings are taken; a short tail waits for more characters.
    for (std::size_t at = 0; at + kReadingLength <= stream.size(); at += kReadingLength) {
        std::array<unsigned char, kReadingLength> chars{};
        for (std::size_t i = 0; i < chars.size(); ++i)
            chars[i] = static_cast<unsigned char>(stream[at + i]);
        const QByteArray reading = dravix::readingOf(chars);
        if (viewOf(reading) != std::string("   ").append(stream.substr(at, kReadingLength)))
            fail("completed reading is not three blanks and the received bytes",
                 stream.substr(at, kReadingLength));

        history.add(reading);
        for (std::size_t k = model.size() - 1; k > 0; --k)
            model[k] = model[k - 1];
        model[0] = std::string(viewOf(reading));
        checkHistory(history, model, separator, 1);

        if (clearEvery != 0 && ++readings % clearEvery == 0) {
            history.clear();
            model.fill(std::string());
            checkHistory(history, model, separator);
        }
    }
    checkHistory(history, model, separator);
    return 0;
}
