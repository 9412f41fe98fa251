#pragma once

#include "mainwindow.h"
#include "pseudoterminal.h"
#include "testsupport.h"
#include "windowharness.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

namespace dravix::test {

// The real window on two pseudo-terminals mapped as ports 1 and 2, shown and started up,
// with a reporter that records instead of showing message boxes.
class WindowOnPseudoTerminals : public ::testing::Test
{
protected:
    void SetUp() override;

    // Clicks the port button and expects the connection to be up.
    void connectPort(int portNumber);

    [[nodiscard]] PseudoTerminal& device(int portNumber)
    {
        return portNumber == 1 ? m_pty1 : m_pty2;
    }
    [[nodiscard]] QRadioButton& portButton(int portNumber) { return m_harness.option(portNumber); }
    [[nodiscard]] QPushButton& sendButton() { return m_harness.button("Command1"); }
    [[nodiscard]] QPushButton& clearButton() { return m_harness.button("Command3"); }
    [[nodiscard]] QPushButton& posMoveButton() { return m_harness.button("Command7"); }
    [[nodiscard]] QPushButton& negMoveButton() { return m_harness.button("Command8"); }
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

} // namespace dravix::test
