#include "faultfixture.h"

#include "serialport.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#ifdef DRAVIX_SANITIZED
// From the sanitizer runtime; GCC installs no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace dravix::test {

QByteArray readingOf(std::uint32_t value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(8, '0');
}

QString shownRow(QByteArrayView eight)
{
    QString row = QStringLiteral("   ");
    for (const char c : eight)
        row.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(c))));
    return row;
}

QString decimalOf(QByteArrayView eight, const QString& separator)
{
    std::string digits;
    for (const char raw : eight) {
        const auto c = static_cast<unsigned char>(raw);
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (!std::isxdigit(c))
            break;
        digits += static_cast<char>(c);
    }
    const auto value =
        digits.empty() ? 0 : static_cast<std::int32_t>(std::stoul(digits, nullptr, 16));
    QString text = QString::number((1.0 / 100.0) * value, 'f', 5);
    while (text.endsWith(u'0') && !text.endsWith(QStringLiteral(".0")))
        text.chop(1);
    return text.replace(u'.', separator);
}

qint64 memoryInUse()
{
#ifdef DRAVIX_SANITIZED
    // The address sanitizer keeps freed blocks in quarantine, resident, for a long while;
    // what the program itself still holds is the allocator's count of live bytes.
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    std::ifstream statm("/proc/self/statm");
    long long size = 0;
    long long resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
#endif
}

double processCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int descriptorsOn(const PseudoTerminal& device)
{
    const QString target = QFileInfo(device.slavePath()).canonicalFilePath();
    const QString watcher = QString::number(device.slaveFd());
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& name : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (name != watcher && QFile::symLinkTarget(fds.filePath(name)) == target)
            ++count;
    }
    return count;
}

qsizetype offer(const PseudoTerminal& device, QByteArrayView bytes)
{
    if (device.masterFd() < 0 || bytes.isEmpty())
        return 0;
    const ssize_t n = ::write(device.masterFd(), bytes.data(), size_t(bytes.size()));
    return n > 0 ? n : 0;
}

RowZeroRecorder::RowZeroRecorder(QListWidget& hexList, QListWidget& decimalList)
{
    QObject::connect(
        hexList.model(), &QAbstractItemModel::dataChanged, &m_context,
        [this, &hexList, &decimalList](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            if (topLeft.row() > 0 || bottomRight.row() < 0)
                return;
            m_entries.push_back({hexList.item(0)->text(), decimalList.count() > 0
                                                              ? decimalList.item(0)->text()
                                                              : QString()});
        });
}

} // namespace dravix::test
