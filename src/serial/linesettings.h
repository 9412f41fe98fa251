#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringView>

#include <optional>

namespace dravix {

// Baud rate, parity, data bits and stop bits, as written in texts like "19200,O,8,1".
struct LineSettings
{
    qint32 baudRate = 19200;
    QSerialPort::Parity parity = QSerialPort::OddParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

inline constexpr auto kDesignSettings = "19200,O,8,1";

// Empty when the text is not four comma-separated fields with supported values.
[[nodiscard]] std::optional<LineSettings> parseLineSettings(QStringView text);

} // namespace dravix
