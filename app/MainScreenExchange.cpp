// The main window's "Import Tasks..." and "Export Tasks...": tasks in and out of the task
// files as iCalendar to-dos or CSV rows, for calendar programs, phones and spreadsheets.
#include "app/MainScreen.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "core/TaskExchangeImport.h"
#include "core/TaskExchangeReader.h"
#include "reports/TaskExchangeExport.h"
#include "store/TodoTable.h"
#include "store/TodoTableWalk.h"
#include "widgets/MessageBox.h"
#include "widgets/UnstorableText.h"

namespace {

const QString kICalendarFilter = QStringLiteral("iCalendar tasks (*.ics)");
const QString kCsvFilter = QStringLiteral("CSV spreadsheet (*.csv)");

// The file an export goes to, empty when the user cancels; `format` follows the file's
// extension, or the file type chosen when the name has no known one.
QString ChooseExportFile(QWidget* parent, TExchangeFormat* format) {
  QFileDialog dialog(parent, QStringLiteral("Export Tasks"), QDir::homePath());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The window asks before a file is replaced, in the program's own message box.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilters({kICalendarFilter, kCsvFilter});
  dialog.setDefaultSuffix(QStringLiteral("ics"));
  dialog.selectFile(QStringLiteral("Tasks.ics"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    const bool csv = filter == kCsvFilter;
    dialog.setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("ics"));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString path = dialog.selectedFiles().first();
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("csv")) {
    *format = TExchangeFormat::kCsv;
  } else if (suffix == QLatin1String("ics")) {
    *format = TExchangeFormat::kICalendar;
  } else {
    *format = dialog.selectedNameFilter() == kCsvFilter ? TExchangeFormat::kCsv : TExchangeFormat::kICalendar;
  }
  return path;
}

QString ChooseImportFile(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Import Tasks"), QDir::homePath());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Tasks (*.ics *.csv)"), kICalendarFilter, kCsvFilter,
                         QStringLiteral("All files (*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QString Tasks(int n) { return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? "task" : "tasks"); }

}  // namespace

void TMainScreen::ExportTasksClick() {
  if (!table_->Active() || !PostNotes()) return;
  TExchangeFormat format = TExchangeFormat::kICalendar;
  const QString path = ChooseExportFile(this, &format);
  if (path.isEmpty()) return;
  if (QFileInfo::exists(path) && !ConfirmBox(QStringLiteral("%1 already exists.\r\rReplace it?").arg(path))) return;

  const uint32_t current = table_->AtEnd() ? 0 : table_->RecordNumber();
  const int count = table_->ViewCount();
  UpdateStatus(QStringLiteral("Exporting tasks..."));
  // The walk moves through the list with the grid detached; the current task is put back.
  table_->BeginBatch();
  xbase::Status written;
  {
    TTodoTableWalk tasks(*table_);
    written = TTaskExchangeExport::WriteFile(tasks, format, table_->Directory(), path);
  }
  if (current == 0 || !table_->GoToRecord(current).ok()) table_->First();
  const xbase::Status synced = table_->EndBatch();
  HideStatus();
  TableCurrentChanged();
  if (!ReportFailure(written) || !ReportFailure(synced)) return;
  ::InfoBox(QStringLiteral("%1 exported to %2.").arg(Tasks(count), QDir::toNativeSeparators(path)));
}

void TMainScreen::ImportTasksClick() {
  if (!table_->Active() || !PostNotes()) return;
  const QString path = ChooseImportFile(this);
  if (path.isEmpty()) return;
  UpdateStatus(QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()));
  const TImportFile file = TTaskExchangeReader::ReadFile(path, TTaskExchangeReader::FormatOf(path));
  HideStatus();
  if (!file.ok()) {
    ErrorBox(QStringLiteral("%1 cannot be imported:\r\r%2\r\rNo task was imported.").arg(path, file.Error));
    return;
  }
  // Characters the task file cannot hold are named, as the task editor names them.
  if (!ConfirmUnstorableText(TTaskExchangeImport::UnstorableCharacters(file, table_->CodePage()))) return;

  int imported = 0;
  const xbase::Status stored = TTaskExchangeImport::Append(*table_, file, &imported, [this](int done, int total) {
    UpdateStatus(QStringLiteral("Importing tasks: %1 of %2").arg(done).arg(total));
  });
  EndStep(QStringLiteral("Import (%1)").arg(Tasks(imported)));
  BuildKeyWordList();
  table_->First();
  HideStatus();
  SetButtons();
  TableCurrentChanged();
  ReportFailure(stored);
  ::InfoBox(TTaskExchangeImport::Summary(file, imported));
}
