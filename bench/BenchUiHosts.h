// What the window benchmarks put in the main window's place: a task table host that shows
// nothing (an index rebuild runs without its window), and a host of the group deletions
// with the filter criteria of its own.
#pragma once

#include <QString>

#include "app/BulkDelete.h"
#include "bench/BenchTaskFolder.h"
#include "core/DateTimeFormat.h"
#include "core/FilterExpression.h"
#include "store/IndexRebuild.h"
#include "store/TodoTable.h"

namespace bench {

class QuietHost : public TodoTableHost {
 public:
  void InfoBox(const QString&) override {}
  void UpdateStatus(const QString&) override {}
  void ProcessMessages() override {}
  bool RunRebuild(TodoTable& table, bool pack_first) override { return IndexRebuild(table).Run(pack_first).ok(); }
};

// A main window reduced to what the group deletion needs.
class BulkDeleteWindow : public TBulkDeleteHost {
 public:
  explicit BulkDeleteWindow(TodoTable& table) : table_(table) {}
  TodoTable& Table() override { return table_; }
  void SetUpFilter() override { Check(table_.SetFilter(BuildFilterExpression(filter_, Today()).expression)); }
  void ClearFilterCriteria() override { filter_.ClearCriteria(); }
  void SetButtons() override {}
  void ProcessMessages() override {}
  void CloseMainWindow() override {}

 private:
  TodoTable& table_;
  TFilterState filter_;
};

}  // namespace bench
