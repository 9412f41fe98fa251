#pragma once

#include "errorreporter.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace dravix::test {

struct Report
{
    int number;
    QString text;
};

// Keeps every untrapped error instead of showing a message box.
class CapturingReporter final : public ErrorReporter
{
public:
    explicit CapturingReporter(std::vector<Report>& reports) : m_reports(reports) {}
    void report(int number, const QString& text) override { m_reports.push_back({number, text}); }

private:
    std::vector<Report>& m_reports;
};

[[nodiscard]] QStringList rowTexts(const QListWidget& list);
[[nodiscard]] QStringList emptyRows();

// The real window, shown and activated, with its error reports captured.
class WindowHarness
{
public:
    WindowHarness();

    [[nodiscard]] MainWindow& window() { return *m_window; }
    [[nodiscard]] const std::vector<Report>& reports() const { return m_reports; }

    template <typename T> [[nodiscard]] T* control(const char* name) const
    {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    [[nodiscard]] QListWidget& hexList() const { return *control<QListWidget>("List1"); }
    [[nodiscard]] QListWidget& decimalList() const { return *control<QListWidget>("List2"); }
    [[nodiscard]] QRadioButton& option(int n) const
    {
        return *control<QRadioButton>(n == 1 ? "Option1" : "Option2");
    }
    [[nodiscard]] QPushButton& button(const char* name) const
    {
        return *control<QPushButton>(name);
    }

    void click(QAbstractButton& button);
    // Waits until row 0 of the hexadecimal list holds `text`.
    [[nodiscard]] bool waitForNewest(const QString& text);

private:
    std::vector<Report> m_reports;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace dravix::test
