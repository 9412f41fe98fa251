#pragma once

#include <QPointer>
#include <QString>

class QWidget;

namespace dravix {

// Where an error that no handler traps ends up: the user sees its number and text.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    virtual void report(int number, const QString& text) = 0;
};

// Shows the error in a message box that does not block the window's event loop.
class MessageBoxReporter final : public ErrorReporter
{
public:
    explicit MessageBoxReporter(QWidget* parent) : m_parent(parent) {}
    void report(int number, const QString& text) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace dravix
