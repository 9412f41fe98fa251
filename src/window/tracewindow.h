#pragma once

#include <QMainWindow>

class QAction;
class QLabel;

namespace dravix {

class TraceModel;
class TraceWidget;

// The position trace in a window of its own beside the terminal, with its saving: closing
// it only hides it, so opening it again shows the same trace.
class TraceWindow final : public QMainWindow
{
    Q_OBJECT

public:
    explicit TraceWindow(const TraceModel& trace, QWidget* parent = nullptr);

    [[nodiscard]] TraceWidget& traceWidget() const { return *m_widget; }

    // Each asks for a file first; nothing is written unasked.
    void saveCsv();
    void savePicture();

private:
    void updateTitle();
    [[nodiscard]] QString suggestedName(const QString& suffix) const;
    // The dialog's own question covers the file chosen; this one the file beside it.
    [[nodiscard]] bool mayReplace(const QString& path);

    const TraceModel& m_trace;
    TraceWidget* m_widget = nullptr;
    QAction* m_follow = nullptr;
    QLabel* m_pointer = nullptr;
};

} // namespace dravix
