#pragma once

#include <QString>

namespace dravix {

class TraceModel;

// NAME-commands.csv beside NAME.csv: the readings file stays exactly what dravix-log writes.
[[nodiscard]] QString commandsPathFor(const QString& readingsPath);

// The trace's readings as dravix-log writes them, and the commands sent meanwhile in the
// file beside it. Each file is replaced whole or not at all; empty on success, else why not.
[[nodiscard]] QString saveTraceCsv(const TraceModel& trace, const QString& readingsPath);

} // namespace dravix
