#pragma once

#include "errorreporter.h"
#include "portselection.h"

#include <QWidget>

#include <memory>

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace dravix {

class CommandTransmit;
class ListDisplay;
class ReceiveMonitor;
class SerialPort;

// Form1, the terminal's one window: builds its controls from the design values and wires
// each click to the port selection, the monitor or the transmitter.
class MainWindow final : public QWidget, private ConnectionView
{
    Q_OBJECT

public:
    // Without a reporter, untrapped errors are shown in a message box.
    explicit MainWindow(std::unique_ptr<ErrorReporter> reporter = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    [[nodiscard]] SerialPort& port() { return *m_port; }
    [[nodiscard]] const ReceiveMonitor& monitor() const { return *m_monitor; }
    [[nodiscard]] const PortSelection& selection() const { return *m_selection; }
    [[nodiscard]] bool startupDone() const { return m_startupDone; }

Q_SIGNALS:
    // The close handling has run: the port is closed and the monitor stopped.
    void closeHandled();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void wireControls();
    void ensureStarted();
    void startupReset();
    void closeHandling();
    // Runs a handler that traps nothing: its errors go to the reporter.
    template <typename Handler> void untrapped(Handler&& handler);

    void setSendEnabled(bool enabled) override;
    void unselectPortButton(int portNumber) override;

    std::unique_ptr<ErrorReporter> m_reporter;
    SerialPort* m_port = nullptr;
    std::unique_ptr<ListDisplay> m_display;
    ReceiveMonitor* m_monitor = nullptr;
    PortSelection* m_selection = nullptr;
    std::unique_ptr<CommandTransmit> m_transmit;

    QLineEdit* m_text = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_posMove = nullptr;
    QPushButton* m_negMove = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QButtonGroup* m_portButtons = nullptr;
    QListWidget* m_hexList = nullptr;
    QListWidget* m_decimalList = nullptr;
    bool m_startupDone = false;
};

} // namespace dravix
