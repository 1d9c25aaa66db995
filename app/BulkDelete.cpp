#include "app/BulkDelete.h"

#include <QDate>

#include "core/DateTimeFormat.h"
#include "reportengine/WaitCursor.h"
#include "widgets/MessageBox.h"
#include "store/ErrorText.h"
#include "store/TaskSchema.h"
#include "store/TodoTable.h"

namespace {

// Runs a final step when it goes out of scope, so restoration happens on every path.
template <typename F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() { f_(); }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  F f_;
};

QString Records(int count) { return QStringLiteral("(%1 records)").arg(count); }

}  // namespace

bool TBulkDelete::DatedBefore(const QString& storedDate, const QDate& today) {
  QDate threshold = today.addDays(10);
  if (storedDate.size() == 8) {
    // yyyymmdd rearranged into the working format mm/dd/yyyy.
    const QString text = storedDate.mid(4, 2) + u'/' + storedDate.mid(6, 2) + u'/' +
                         storedDate.left(4);
    TFormatSettings working = FormatSettings();
    const TDateFormatSet set = WorkingDateFormats();
    working.ShortDateFormat = set.ShortDateFormat;
    working.DateSeparator = set.DateSeparator;
    QDate parsed;
    if (TryStrToDate(text, parsed, working)) threshold = parsed;
  }
  return today > threshold;
}

int TBulkDelete::Walk(Test test, bool skipWhenEmpty) {
  TodoTable& table = host_.Table();
  const QDate today = Today();
  table.First();
  int64_t last = -1;
  int64_t n = table.RecordNumber();
  if (skipWhenEmpty && table.AtEnd()) last = n + 1;
  int count = 0;
  while (n > last) {
    last = table.RecordNumber();
    bool qualifies = false;
    switch (test) {
      case Test::kDoneNotDeleted:
        qualifies = table.EvalLogical(QString::fromLatin1(task_schema::kDoneField)) && !table.IsDeleted();
        break;
      case Test::kBeforeToday:
        // The list holds no deleted records, so a task deleted earlier is never
        // deleted and counted a second time.
        qualifies = DatedBefore(table.FieldText(TodoTable::kDate), today);
        break;
      case Test::kNotDeleted:
        qualifies = !table.IsDeleted();
        break;
    }
    if (qualifies && table.Delete().ok()) ++count;
    table.Next();
    n = table.RecordNumber();
  }
  return count;
}

int TBulkDelete::WalkWholeTable(Test test) {
  TodoTable& table = host_.Table();
  table.BeginBatch();
  const int order = table.CurrentOrder();
  const Finally restore([&] {
    table.SetOrder(order);
    table.SetSuspendDisplayFields(false);
    host_.SetUpFilter();
    table.SetOrder(order);
    sync_ = table.EndBatch();
    host_.SetButtons();
  });
  table.SetOrder(0);
  table.SetSuspendDisplayFields(true);
  const WaitCursor wait;
  // Every task, those the filter hides included; clearing a filter cannot fail.
  (void)table.SetFilter(QString());
  host_.ProcessMessages();
  return Walk(test, false);
}

void TBulkDelete::ReportSync() {
  if (sync_.ok()) return;
  ErrorBox(UserErrorText(sync_));
  sync_ = xbase::Status::Ok();
}

int TBulkDelete::DeleteAllMarkedDone() {
  if (!ConfirmBox(QStringLiteral("CONFIRM: Delete all tasks marked as done?"))) return -1;
  const int count = WalkWholeTable(Test::kDoneNotDeleted);
  ReportSync();
  InfoBox(count == 0 ? QStringLiteral("No tasks marked DONE have been deleted")
                     : QStringLiteral("All tasks marked DONE have been deleted ") + Records(count));
  return count;
}

int TBulkDelete::DeleteAllBeforeToday() {
  if (!ConfirmBox(QStringLiteral("CONFIRM: Delete all with dates before today?"))) return -1;
  const int count = WalkWholeTable(Test::kBeforeToday);
  ReportSync();
  InfoBox(count == 0
              ? QStringLiteral("No tasks with dates before today have been deleted")
              : QStringLiteral("All tasks with dates before today have been deleted ") +
                    Records(count));
  return count;
}

int TBulkDelete::DeleteAllMatchingFilter() {
  TodoTable& table = host_.Table();
  if (table.CurrentFilter().isEmpty()) {
    InfoBox(QStringLiteral("No Filter currently set"));
    return -1;
  }
  if (!ConfirmBox(QStringLiteral("CONFIRM: Delete all tasks matching the current filter?\r"
                                 "(i.e. all showing tasks)"))) {
    return -1;
  }
  int count = 0;
  {
    const int order = table.CurrentOrder();
    const Finally restore([&] {
      table.SetSuspendDisplayFields(false);
      sync_ = table.EndBatch();
      table.SetOrder(order);
      host_.ClearFilterCriteria();
      host_.SetUpFilter();
      host_.SetButtons();
    });
    table.SetOrder(0);
    table.SetSuspendDisplayFields(true);
    const WaitCursor wait;
    table.BeginBatch();
    host_.ProcessMessages();
    // The filter stays in force: the walk sees only the tasks that pass it.
    count = Walk(Test::kNotDeleted, true);
  }
  ReportSync();
  InfoBox(count == 0 ? QStringLiteral("No tasks matching filter have been deleted")
                     : QStringLiteral("All tasks matching filter have been deleted\r") +
                           Records(count) + QStringLiteral("\rFILTER WILL NOW BE CLEARED"));
  return count;
}

int TBulkDelete::DeleteAllNotMatchingFilter() {
  TodoTable& table = host_.Table();
  const QString filter = table.CurrentFilter();
  if (filter.isEmpty()) {
    InfoBox(QStringLiteral("No Filter currently set"));
    return -1;
  }
  if (!ConfirmBox(QStringLiteral("CONFIRM: Delete all tasks NOT matching the current filter?\r"
                                 "(i.e. all tasks not showing)"))) {
    return -1;
  }
  int count = 0;
  {
    const int order = table.CurrentOrder();
    const Finally restore([&] {
      table.SetOrder(order);
      table.SetSuspendDisplayFields(false);
      sync_ = table.EndBatch();
      host_.SetUpFilter();
      host_.SetButtons();
    });
    table.SetOrder(0);
    table.SetSuspendDisplayFields(true);
    const WaitCursor wait;
    table.BeginBatch();
    // A negation that does not compile leaves the old filter in force; walking under it
    // would delete the very tasks the user meant to keep.
    if (!table.SetFilter(QStringLiteral("!(") + filter + u')').ok()) return -1;
    host_.ProcessMessages();
    count = Walk(Test::kNotDeleted, true);
  }
  ReportSync();
  InfoBox(count == 0 ? QStringLiteral("No tasks NOT matching filter have been deleted")
                     : QStringLiteral("All tasks NOT matching filter have been deleted\r") +
                           Records(count));
  return count;
}

int TBulkDelete::DeleteAllTasks() {
  if (!ConfirmBox(QStringLiteral("CONFIRM: Delete ALL tasks?"))) return -1;
  TodoTable& table = host_.Table();
  int result = -1;
  {
    WaitCursor wait;
    // The table closes either way; a change that could not be stored is reported.
    if (const xbase::Status closed = table.Close(); !closed.ok()) ErrorBox(UserErrorText(closed));
    if (table.OpenTaskFiles(true)) {
      const xbase::Status zapped = table.Zap();
      wait.Hide();
      if (zapped.ok()) {
        result = 0;
        InfoBox(QStringLiteral("Done!"));
      } else {
        ErrorBox(UserErrorText(zapped));
      }
      wait.Show();
    }
    table.SetSuspendDisplayFields(true);
    if (!table.OpenTaskFiles(false)) {
      table.SetSuspendDisplayFields(false);
      host_.CloseMainWindow();
      return result;
    }
    table.SetOrder(table.OrderOfTag(QString::fromLatin1(task_schema::kDateTimeTag)));
    table.SetSuspendDisplayFields(false);
    host_.ProcessMessages();
    host_.SetUpFilter();
    host_.ProcessMessages();
    host_.SetButtons();
  }
  return result;
}
