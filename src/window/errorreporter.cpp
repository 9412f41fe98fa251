#include "errorreporter.h"

#include <QMessageBox>

namespace dravix {

void MessageBoxReporter::report(int number, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Dravix Terminal"),
                                QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(text),
                                QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: a window-modal box would make the window system drop a close request for
    // the window, and closing is never refused. Kept above the window as its child; show()
    // returns at once, so the monitor keeps running while the box is up.
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace dravix
