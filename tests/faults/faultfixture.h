#pragma once

#include "mainwindow.h"
#include "pseudoterminal.h"
#include "terminalfixture.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
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
// The slot text of a reading: three blanks, then the eight characters as received.
[[nodiscard]] QByteArray slotOf(QByteArrayView eight);
// A slot as the hexadecimal list shows it, built here byte by byte as Latin-1.
[[nodiscard]] QString shownRow(QByteArrayView eight);

// Memory this process holds: resident memory from /proc/self/statm; under the sanitizers,
// the bytes still allocated.
[[nodiscard]] qint64 memoryInUse();
// User plus system CPU time this process has used so far.
[[nodiscard]] double processCpuSeconds();
// Descriptors this process holds on the given device path.
[[nodiscard]] int descriptorsOn(const QString& path);
// Writes what the device side takes now, without waiting; returns how much that was.
qsizetype offer(const PseudoTerminal& device, QByteArrayView bytes);

// The real window on two pseudo-terminals mapped as ports 1 and 2, shown and started up,
// with a reporter that records instead of showing message boxes.
class WindowOnPseudoTerminals : public ::testing::Test
{
protected:
    void SetUp() override;

    // Clicks the port button and expects the connection to be up.
    void connectPort(int portNumber);

    [[nodiscard]] PseudoTerminal& device(int portNumber) { return portNumber == 1 ? m_pty1 : m_pty2; }
    [[nodiscard]] QRadioButton& portButton(int portNumber) { return m_harness.option(portNumber); }
    [[nodiscard]] QPushButton& sendButton() { return m_harness.button("Command1"); }
    [[nodiscard]] QPushButton& clearButton() { return m_harness.button("Command3"); }
    [[nodiscard]] QLineEdit& textBox() { return *m_harness.control<QLineEdit>("Text1"); }
    [[nodiscard]] QListWidget& hexList() { return m_harness.hexList(); }
    [[nodiscard]] QListWidget& decimalList() { return m_harness.decimalList(); }
    [[nodiscard]] QString decimalSeparator() const;

    PseudoTerminal m_pty1;
    PseudoTerminal m_pty2;
    PortMapping m_mapping1{1, m_pty1.slavePath()};
    PortMapping m_mapping2{2, m_pty2.slavePath()};
    WindowHarness m_harness;
    MainWindow& m_window = m_harness.window();
    const std::vector<Report>& m_reports = m_harness.reports();
};

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
