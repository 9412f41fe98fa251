#pragma once

#include "conversion.h"

#include <QByteArray>
#include <QString>

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
    [[nodiscard]] QString hexRowText(int k) const;
    [[nodiscard]] QString decimalRowText(int k, const QString& decimalSeparator) const;

private:
    std::array<QByteArray, kHistorySlots> m_slots;
};

} // namespace dravix
