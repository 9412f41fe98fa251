#include "porterror.h"

namespace dravix {
namespace {

QString baseText(PortErrorCode code)
{
    switch (code) {
    case PortErrorCode::InvalidPortNumber:
        return QStringLiteral("Invalid port number");
    case PortErrorCode::PortAlreadyOpen:
        return QStringLiteral("Port already open");
    case PortErrorCode::OperationWhilePortOpen:
        return QStringLiteral("Operation not valid while the port is opened");
    case PortErrorCode::CannotOpenPort:
        return QStringLiteral("The port cannot be opened");
    case PortErrorCode::PortNotOpen:
        return QStringLiteral("Operation not valid while the port is closed");
    case PortErrorCode::DeviceFailed:
        return QStringLiteral("The serial device failed");
    case PortErrorCode::InvalidSettings:
        return QStringLiteral("Invalid port settings");
    case PortErrorCode::InvalidPropertyValue:
        return QStringLiteral("Invalid property value");
    case PortErrorCode::EmptyRead:
        return QStringLiteral("No character was waiting to be read");
    }
    return QStringLiteral("Unknown port error");
}

QString fullText(PortErrorCode code, const QString& detail)
{
    const QString base = baseText(code);
    return detail.isEmpty() ? base : base + QStringLiteral(": ") + detail;
}

} // namespace

PortError::PortError(PortErrorCode code, const QString& detail)
    : std::runtime_error(fullText(code, detail).toStdString()), m_code(code),
      m_text(fullText(code, detail)), m_detail(detail)
{
}

PortError::PortError(const QString& path, const OpenRefusal& refusal)
    : PortError(PortErrorCode::CannotOpenPort, path + QStringLiteral(": ") + refusal.reason)
{
    m_refusal = refusal;
}

} // namespace dravix
