#include "testsupport.h"

namespace dravix::test {

PortMapping::PortMapping(int portNumber, const QString& path)
    : m_name(portNumber == 1 ? "DRAVIX_PORT1" : "DRAVIX_PORT2"), m_previous(qgetenv(m_name)),
      m_hadPrevious(qEnvironmentVariableIsSet(m_name))
{
    qputenv(m_name, path.toLocal8Bit());
}

PortMapping::~PortMapping()
{
    if (m_hadPrevious)
        qputenv(m_name, m_previous);
    else
        qunsetenv(m_name);
}

} // namespace dravix::test
