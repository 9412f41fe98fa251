#pragma once

#include "errorreporter.h"

#include <QPointer>

class QMessageBox;
class QWidget;

namespace dravix {

// Shows an error in a message box that does not block the window's event loop; one box at
// a time: a new error while one is up takes its place in that box.
class MessageBoxReporter final : public ErrorReporter
{
public:
    explicit MessageBoxReporter(QWidget* parent) : m_parent(parent) {}
    void report(int number, const QString& text) override;

private:
    QPointer<QWidget> m_parent;
    QPointer<QMessageBox> m_box;
};

} // namespace dravix
