// Reads arbitrary bytes as an import file: the first byte picks the reader (even
// iCalendar, odd CSV), the rest is the file. A file either gives tasks or an error
// naming its fault; never a crash, a hang or a task with a date or time the task table
// would not take.
#include <QByteArray>
#include <QDate>
#include <QTime>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/TaskExchangeReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const TImportFormat format = data[0] % 2 == 0 ? TImportFormat::kICalendar : TImportFormat::kCsv;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  const TImportFile file = TTaskExchangeReader::Read(bytes, format);
  if (!file.ok() && !file.Tasks.empty()) std::abort();
  for (const TImportedTask& task : file.Tasks) {
    if (!task.Date.isEmpty() && !QDate::fromString(task.Date, QStringLiteral("yyyyMMdd")).isValid()) std::abort();
    if (!task.Time.isEmpty() && !QTime::fromString(task.Time, QStringLiteral("hh:mm")).isValid()) std::abort();
    if (!task.Priority.isEmpty() && task.Priority != QLatin1String("A") && task.Priority != QLatin1String("B") &&
        task.Priority != QLatin1String("C")) {
      std::abort();
    }
  }
  return 0;
}
