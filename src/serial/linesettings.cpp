#include "linesettings.h"

#include <QList>

namespace dravix {
namespace {

std::optional<QSerialPort::Parity> parityFromLetter(QStringView letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    switch (letter.front().toUpper().unicode()) {
    case u'N':
        return QSerialPort::NoParity;
    case u'E':
        return QSerialPort::EvenParity;
    case u'O':
        return QSerialPort::OddParity;
    case u'M':
        return QSerialPort::MarkParity;
    case u'S':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> stopBitsFromText(QStringView text)
{
    if (text == u"1")
        return QSerialPort::OneStop;
    if (text == u"1.5")
        return QSerialPort::OneAndHalfStop;
    if (text == u"2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(QStringView text)
{
    const QList<QStringView> fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    bool baudOk = false;
    const qint32 baud = fields[0].trimmed().toInt(&baudOk);
    if (!baudOk || baud <= 0)
        return std::nullopt;

    const auto parity = parityFromLetter(fields[1].trimmed());
    bool bitsOk = false;
    const int dataBits = fields[2].trimmed().toInt(&bitsOk);
    const auto stopBits = stopBitsFromText(fields[3].trimmed());
    if (!parity || !bitsOk || dataBits < 5 || dataBits > 8 || !stopBits)
        return std::nullopt;

    return LineSettings{baud, *parity, static_cast<QSerialPort::DataBits>(dataBits), *stopBits};
}

} // namespace dravix
