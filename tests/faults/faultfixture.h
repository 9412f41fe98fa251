#pragma once

#include "windowonpty.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace dravix::test {

// Eight characters as the device sends them: the value in upper-case hexadecimal.
[[nodiscard]] QByteArray readingOf(std::uint32_t value);
// A slot as the hexadecimal list shows it, built here byte by byte as Latin-1.
[[nodiscard]] QString shownRow(QByteArrayView eight);
// The decimal row of eight received characters, worked out here the long way: blanks, tabs
// and line feeds dropped, the leading hexadecimal digits read with the standard library, the
// 32-bit value scaled by 1/100 in double precision and printed with five decimals, trailing
// zeros dropped down to the first.
[[nodiscard]] QString decimalOf(QByteArrayView eight, const QString& separator);

// Memory this process holds: resident memory from /proc/self/statm; under the sanitizers,
// the bytes still allocated.
[[nodiscard]] qint64 memoryInUse();
// User plus system CPU time this process has used so far.
[[nodiscard]] double processCpuSeconds();
// Descriptors this process holds on the device, besides the one the test watches it by.
[[nodiscard]] int descriptorsOn(const PseudoTerminal& device);
// Writes what the device side takes now, without waiting; returns how much that was.
qsizetype offer(const PseudoTerminal& device, QByteArrayView bytes);

// Each change of the hexadecimal list's row 0 (one per reading shown, as long as no two
// readings in a row are equal), with the decimal list's row 0 at that moment: the
// decimal text of the reading before.
class RowZeroRecorder final
{
public:
    struct Entry
    {
        QString hex;
        QString previousDecimal;
    };

    RowZeroRecorder(QListWidget& hexList, QListWidget& decimalList);

    [[nodiscard]] const std::vector<Entry>& entries() const { return m_entries; }

private:
    QObject m_context;
    std::vector<Entry> m_entries;
};

} // namespace dravix::test
