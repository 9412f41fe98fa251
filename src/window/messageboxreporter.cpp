#include "messageboxreporter.h"

#include <QMessageBox>

namespace dravix {

void MessageBoxReporter::report(int number, const QString& text)
{
    const QString message = QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(text);
    // A closed box goes away only later.
    if (m_box && m_box->isVisible()) {
        m_box->setText(message);
        m_box->raise();
        m_box->activateWindow();
        return;
    }
    m_box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Dravix Terminal"), message,
                            QMessageBox::Ok, m_parent);
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: a window-modal box would make the window system drop a close request for
    // the window, and closing is never refused. Kept above the window as its child; show()
    // returns at once, so the monitor keeps running while the box is up.
    m_box->setWindowModality(Qt::NonModal);
    m_box->show();
}

} // namespace dravix
