#include "windowonpty.h"

#include <QLocale>
#include <QTest>

namespace dravix::test {

void WindowOnPseudoTerminals::SetUp()
{
    // Shown and activated: the start-up reset has left ten empty rows in each list.
    ASSERT_EQ(rowTexts(hexList()), emptyRows());
    ASSERT_EQ(rowTexts(decimalList()), emptyRows());
}

void WindowOnPseudoTerminals::connectPort(int portNumber)
{
    QTest::mouseClick(&portButton(portNumber), Qt::LeftButton);
    ASSERT_TRUE(device(portNumber).locked()) << "port " << portNumber << " did not open";
    ASSERT_FALSE(device(3 - portNumber).locked());
    ASSERT_TRUE(portButton(portNumber).isChecked());
    ASSERT_TRUE(sendButton().isEnabled());
}

QString WindowOnPseudoTerminals::decimalSeparator() const
{
    return m_window.locale().decimalPoint();
}

} // namespace dravix::test
