#include "errorreporter.h"

#include <QMessageBox>

namespace dravix {

void MessageBoxReporter::report(int number, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Dravix Terminal"),
                                QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(text),
                                QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // open() returns at once: the monitor keeps running while the box is up.
    box->open();
}

} // namespace dravix
