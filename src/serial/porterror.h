#pragma once

#include <QMetaType>
#include <QSerialPort>
#include <QString>

#include <optional>
#include <stdexcept>

namespace dravix {

// Every failure the port object can raise; the numbers are ours and live only here.
enum class PortErrorCode : int {
    InvalidPortNumber = 8002,
    PortAlreadyOpen = 8005,
    OperationWhilePortOpen = 8006,
    CannotOpenPort = 8012,
    PortNotOpen = 8018,
    DeviceFailed = 8020,
    InvalidSettings = 8021,
    InvalidPropertyValue = 8022,
    EmptyRead = 8023,
};

// Why the driver refused to open a device, in its own terms; what to advise is decided by
// whoever tells the user.
struct OpenRefusal
{
    QSerialPort::SerialPortError error = QSerialPort::NoError;
    QString reason;
};

// An error raised by the port object, carrying its number and text as the user sees them.
class PortError final : public std::runtime_error
{
public:
    explicit PortError(PortErrorCode code, const QString& detail = {});
    // The port did not open: CannotOpenPort, "path: reason".
    PortError(const QString& path, const OpenRefusal& refusal);
    // Only so that signals can carry errors through Qt's meta-type system.
    PortError() : PortError(PortErrorCode::DeviceFailed) {}

    [[nodiscard]] PortErrorCode code() const { return m_code; }
    [[nodiscard]] int number() const { return static_cast<int>(m_code); }
    [[nodiscard]] QString text() const { return m_text; }
    // What the text adds to the error's own words: the device and the reason.
    [[nodiscard]] QString detail() const { return m_detail; }
    // Set when the driver refused an open.
    [[nodiscard]] const std::optional<OpenRefusal>& refusal() const { return m_refusal; }

private:
    PortErrorCode m_code;
    QString m_text;
    QString m_detail;
    std::optional<OpenRefusal> m_refusal;
};

} // namespace dravix

Q_DECLARE_METATYPE(dravix::PortError)
