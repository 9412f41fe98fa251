#pragma once

#include "designvalues.h"
#include "errorreporter.h"
#include "portselection.h"
#include "terminalsession.h"

#include <QWidget>

#include <array>
#include <memory>

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStyle;

namespace dravix {

class ListDisplay;
class TraceWindow;

// Form1, the terminal's one window: builds its controls from the design values and forwards
// each click, its first activation and its close to the terminal session.
class MainWindow final : public QWidget, private ConnectionView
{
    Q_OBJECT

public:
    // Without a reporter, untrapped errors are shown in a message box.
    explicit MainWindow(std::unique_ptr<ErrorReporter> reporter = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // --port1 or --port2: the device behind port 1 or 2 unless its menu chooses another.
    void pinPort(int portNumber, const QString& device) { m_session->pinPort(portNumber, device); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // A control as built from its design, typed.
    template <typename T> [[nodiscard]] T* control(Control id) const;
    void wireControls();
    // The button's menu of devices, shown below it or at the pointer.
    void showPortMenu(int portNumber, const QPoint& globalPos);
    // The trace window, made on first use; it outlives its closing.
    void showTrace();

    void setSendEnabled(bool enabled) override;
    void unselectPortButton(int portNumber) override;

    std::unique_ptr<ErrorReporter> m_reporter;
    std::unique_ptr<ListDisplay> m_display;
    TerminalSession* m_session = nullptr;

    std::array<QWidget*, kControlCount> m_controls{};

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
    QStyle* m_frameStyle = nullptr;
    TraceWindow* m_traceWindow = nullptr;
};

} // namespace dravix
