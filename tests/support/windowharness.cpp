#include "windowharness.h"

#include <QTest>

namespace dravix::test {

WindowHarness::WindowHarness()
    : m_window(std::make_unique<MainWindow>(std::make_unique<CapturingReporter>(m_reports)))
{
    m_window->show();
    m_window->activateWindow();
    (void)QTest::qWaitForWindowActive(m_window.get());
}

void WindowHarness::click(QAbstractButton& button)
{
    QTest::mouseClick(&button, Qt::LeftButton);
}

QStringList rowTexts(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts.append(list.item(i)->text());
    return texts;
}

bool WindowHarness::waitForNewest(const QString& text)
{
    return waitFor([&] { return hexList().count() > 0 && hexList().item(0)->text() == text; });
}

QStringList emptyRows()
{
    return QStringList(10, QString());
}

} // namespace dravix::test
