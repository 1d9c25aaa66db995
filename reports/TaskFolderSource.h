// TTaskFolderSource: the task files of a folder, opened read-only, as an export or the
// printed report walks them (jlistreport): one order (a tag number, 0 for record order) and one filter expression,
// without a window and without changing a byte of the files.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "reports/ExportSource.h"
#include "reports/TaskReportSource.h"
#include "store/xbase/Status.h"

namespace xbase {
class Table;
}

class TTaskFolderSource : public TExportSource, public TTaskReportSource {
 public:
  TTaskFolderSource();
  ~TTaskFolderSource() override;
  TTaskFolderSource(const TTaskFolderSource&) = delete;
  TTaskFolderSource& operator=(const TTaskFolderSource&) = delete;

  // Opens JLIST.DBF (with its memo and index files) in `folder` read-only, selects
  // `order` and sets `filter` ("" for none), then lists the tasks. Failures, each with a
  // message for the user: kNotFound (no such folder, no task table), kInvalidArgument (an
  // order that is not a tag number, or an order whose index is missing or damaged),
  // kSyntax and the other expression codes (a filter that does not compile), others from
  // the engine (files in use exclusively elsewhere, damaged table).
  xbase::Status Open(const QString& folder, int order, const QString& filter);

  void First() override { pos_ = 0; }
  int FilterRecordCount() override { return static_cast<int>(recnos_.size()); }
  bool AtEnd() override { return pos_ >= recnos_.size(); }
  void Next() override {
    if (pos_ < recnos_.size()) ++pos_;
  }
  // A record that cannot be read gives empty fields.
  void Read(TExportTask* task, bool withNote) override;
  void Read(TReportTask* task, bool withKeys, bool withNote) override;
  int CodePage() const override { return codePage_; }

 private:
  // The current task's fields (and key words when `keys` is given); empty when there is
  // no current task or its record cannot be read.
  void ReadCurrent(TExportTask* task, bool withNote, QString* keys);

  std::unique_ptr<xbase::Table> table_;
  std::vector<uint32_t> recnos_;
  size_t pos_ = 0;
  int codePage_ = kDefaultCodePage;
  int date_ = -1, time_ = -1, descript_ = -1, note_ = -1, done_ = -1, priority_ = -1, keys_ = -1;
};
