// TTaskFolderWalk: the task files of a folder, opened read-only, as an export or the
// printed report walks them (jlistreport): one order (a tag number, 0 for record order)
// and one filter expression, without a window and without changing a byte of the files.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "store/TaskFields.h"
#include "store/TaskWalk.h"
#include "store/xbase/Status.h"

namespace xbase {
class Table;
}

class TTaskFolderWalk : public TTaskWalk {
 public:
  TTaskFolderWalk();
  ~TTaskFolderWalk() override;
  TTaskFolderWalk(const TTaskFolderWalk&) = delete;
  TTaskFolderWalk& operator=(const TTaskFolderWalk&) = delete;

  // Opens JLIST.DBF (with its memo and index files) in `folder` read-only, selects
  // `order` and sets `filter` ("" for none), then lists the tasks. Failures, each with a
  // message for the user: kNotFound (no such folder, no task table), kInvalidArgument (an
  // order that is not a tag number, or an order whose index is missing or damaged),
  // kSyntax and the other expression codes (a filter that does not compile), others from
  // the engine (files in use exclusively elsewhere, damaged table).
  xbase::Status Open(const QString& folder, int order, const QString& filter);

  void First() override { pos_ = 0; }
  int Count() override { return static_cast<int>(recnos_.size()); }
  bool AtEnd() override { return pos_ >= recnos_.size(); }
  void Next() override {
    if (pos_ < recnos_.size()) ++pos_;
  }
  // A record that cannot be read gives empty fields.
  void Read(TaskRecord& task, TaskParts parts) override;
  void ReadBytes(TaskBytes& task, TaskParts parts) override;
  int CodePage() const override { return codePage_; }

 private:
  std::unique_ptr<xbase::Table> table_;
  std::optional<TTaskFields> fields_;
  std::vector<uint32_t> recnos_;
  size_t pos_ = 0;
  int codePage_ = kDefaultCodePage;
};
