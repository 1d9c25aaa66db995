#include "store/IndexRebuild.h"

#include <algorithm>
#include <cmath>

#include "store/TaskSchema.h"
#include "store/TodoTable.h"

void IndexRebuild::Phase(const QString& caption) {
  if (phase_listener_) phase_listener_(caption);
}

void IndexRebuild::Gauge(int value) {
  if (gauge_listener_) gauge_listener_(value);
}

int IndexRebuild::Progress(int percent) {
  if (packing_) return std::clamp(percent, 0, 100);
  if (percent > last_progress_) progress_total_ += percent - last_progress_;
  last_progress_ = percent;
  if (progress_total_ == 0) return 0;
  const long shown = std::lround(progress_total_ * 0.0025 * 100);
  return static_cast<int>(std::clamp(shown, 0L, 100L));
}

xbase::Status IndexRebuild::Run(bool pack_first) {
  const auto report = [this](int percent) { Gauge(Progress(percent)); };

  table_.BeginBatch();
  Phase(QString());
  const QString filter = table_.CurrentFilter();
  // Clearing a filter compiles nothing and cannot fail.
  (void)table_.SetFilter(QString());
  const int order = table_.CurrentOrder();

  xbase::Status status = table_.DeleteIndexFile();
  if (status.ok() && pack_first) {
    Phase(QString::fromLatin1(kPackingCaption));
    packing_ = true;
    Gauge(0);
    status = table_.Pack(report);
  }
  if (status.ok()) {
    Phase(QString::fromLatin1(kIndexingCaption));
    packing_ = false;
    status = table_.BuildTags(report);
    table_.SetOrder(table_.OrderOfTag(QString::fromLatin1(task_schema::kDateTimeTag)));
  }

  Gauge(0);
  // The filter was in force before the rebuild, so it compiles again; should it not,
  // the failure is the rebuild's outcome unless an earlier step failed first.
  const xbase::Status refiltered = table_.SetFilter(filter);
  table_.SetOrder(order);
  const xbase::Status synced = table_.EndBatch();
  if (status.ok()) status = synced;
  if (status.ok()) status = refiltered;
  return status;
}
