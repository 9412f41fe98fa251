#pragma once

#include <QByteArray>

#include <array>

namespace dravix {

inline constexpr int kHistorySlots = 10;

// The last ten readings of one monitor run, newest in slot 0; an unused slot is empty.
class ReadingHistory final
{
public:
    void add(const QByteArray& reading);
    void clear();

    [[nodiscard]] const QByteArray& slot(int k) const { return m_slots.at(k); }

private:
    std::array<QByteArray, kHistorySlots> m_slots;
};

} // namespace dravix
