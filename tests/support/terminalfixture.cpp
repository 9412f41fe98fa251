#include "terminalfixture.h"

#include <QApplication>
#include <QTest>

namespace dravix::test {

WindowHarness::WindowHarness()
    : m_reports(std::make_shared<std::vector<std::pair<int, QString>>>()),
      m_window(std::make_unique<MainWindow>(std::make_unique<CapturingReporter>(m_reports)))
{
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    (void)QTest::qWaitForWindowActive(m_window.get());
}

void WindowHarness::click(QAbstractButton& button)
{
    QTest::mouseClick(&button, Qt::LeftButton);
}

QStringList WindowHarness::rows(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts.append(list.item(i)->text());
    return texts;
}

bool WindowHarness::waitForNewest(const QString& text, int timeoutMs)
{
    return waitFor([&] { return hexList().count() > 0 && hexList().item(0)->text() == text; },
                   timeoutMs);
}

QStringList emptyRows()
{
    return QStringList(10, QString());
}

} // namespace dravix::test
