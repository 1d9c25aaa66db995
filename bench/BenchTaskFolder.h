// The task folders the benchmarks run over: built once under /tmp and kept between runs,
// so that a run measures the work and not the set-up (delete a folder to build it again).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "store/TodoTable.h"
#include "store/xbase/Table.h"

namespace bench {

// Benchmarks stop at once on a failed engine step: a timing of a failure means nothing.
inline void Check(const xbase::Status& status) {
  if (!status.ok()) std::abort();
}

// Makes `dir` hold a task table of `tasks` records with its index, unless it already does:
// the table is created as the program creates it, `fill(table, i)` sets the fields of the
// appended record i, which the builder then posts, and a first open through the task
// table (with `host`, which may be null) builds the five tags.
inline void BuildTaskFolder(const std::string& dir, int tasks, const std::function<void(xbase::Table&, int)>& fill,
                            TodoTableHost* host = nullptr) {
  const std::string path = dir + "/JLIST.DBF";
  {
    std::unique_ptr<xbase::Table> t;
    if (xbase::Table::Open(path, xbase::OpenMode::kReadOnly, &t).ok() &&
        t->RecordCount() == static_cast<uint32_t>(tasks) && std::filesystem::exists(dir + "/JLIST.CDX")) {
      return;
    }
  }
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  TodoTable table(host);
  table.SetDirectory(QString::fromStdString(dir));
  if (!table.CreateTaskTable()) std::abort();
  std::unique_ptr<xbase::Table> t;
  Check(xbase::Table::Open(path, xbase::OpenMode::kExclusive, &t));
  t->BeginBatch();
  for (int i = 0; i < tasks; ++i) {
    Check(t->Append());
    fill(*t, i);
    Check(t->Post());
  }
  Check(t->EndBatch());
  t.reset();
  if (!table.OpenTaskFiles(false)) std::abort();
  static_cast<void>(table.Close());  // only read afterwards: nothing of ours to lose
}

}  // namespace bench
