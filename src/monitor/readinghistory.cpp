#include "readinghistory.h"

#include <algorithm>

namespace dravix {

void ReadingHistory::add(const QByteArray& reading)
{
    // Shift from the highest slot down so nothing is overwritten before it is copied.
    std::move_backward(m_slots.begin(), m_slots.end() - 1, m_slots.end());
    m_slots.front() = reading;
}

void ReadingHistory::clear()
{
    m_slots.fill(QByteArray());
}

} // namespace dravix
