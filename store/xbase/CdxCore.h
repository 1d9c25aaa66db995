// CdxCore: the state of one open compound index shared by the index, its cursors and its
// checker — the file, the tags with their compiled expressions and trees, and the lock
// that every operation holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/xbase/CdxFile.h"
#include "store/xbase/CdxIndex.h"
#include "store/xbase/CdxKeyMaker.h"
#include "store/xbase/CdxTag.h"
#include "store/xbase/Defs.h"
#include "store/xbase/Field.h"

namespace xbase::cdx {

struct TagState {
  TagDefinition def;  // as stored: name upper case, expressions in stored form
  uint32_t header_offset = 0;
  CdxKeyMaker maker;
  std::unique_ptr<CdxTag> tree;
};

// Everything an open index holds; cursors point here.
struct Core {
  std::string path;
  std::vector<FieldDesc> fields;
  int code_page = kDefaultCodePage;  // of the table's text: keys with UPPER follow it
  std::unique_ptr<CdxFile> file;
  std::vector<TagState> tags;
  uint32_t record_hint = 0;  // the table's record count as far as the index knows it
  uint64_t generation = 0;   // moves on whenever the trees change, here or elsewhere
  bool changed_elsewhere = false;
  // For each tag, the first tag with the same FOR text: a condition is evaluated once.
  std::vector<size_t> condition_of;

  void GroupConditions() {
    condition_of.assign(tags.size(), 0);
    for (size_t t = 0; t < tags.size(); ++t) {
      condition_of[t] = t;
      for (size_t u = 0; u < t; ++u) {
        if (tags[u].maker.for_text() == tags[t].maker.for_text()) {
          condition_of[t] = u;
          break;
        }
      }
    }
  }

  // Takes the index lock; on a change made elsewhere re-reads the tag roots.
  Status Acquire(bool exclusive) {
    bool changed = false;
    XB_RETURN_IF_ERROR(file->Lock(exclusive, &changed));
    if (changed) {
      changed_elsewhere = true;
      ++generation;
      Status s = ReloadRoots();
      if (!s.ok()) {
        file->Unlock();
        return s;
      }
    }
    return Status::Ok();
  }

  Status ReloadRoots() {
    for (TagState& t : tags) {
      uint8_t word[4];
      XB_RETURN_IF_ERROR(file->ReadRaw(t.header_offset + kHdrRoot, sizeof word, word));
      t.tree->set_root(base::Le32(word));
    }
    return Status::Ok();
  }
};

// Holds the index lock for one operation.
class IndexLock {
 public:
  explicit IndexLock(Core* core) : core_(core) {}
  ~IndexLock() {
    if (held_) core_->file->Unlock();
  }
  IndexLock(const IndexLock&) = delete;
  IndexLock& operator=(const IndexLock&) = delete;
  Status Acquire(bool exclusive) {
    XB_RETURN_IF_ERROR(core_->Acquire(exclusive));
    held_ = true;
    return Status::Ok();
  }

 private:
  Core* core_;
  bool held_ = false;
};

// Full check of every tag, the directory and the free-page list (see CdxIndex::Verify).
Status VerifyIndex(Core& core, RecordSource& records, std::vector<std::string>* problems);

// The shape of every tag's tree as the full check sees it (siblings, one leaf depth, keys in
// order, each parent entry carrying its child's last key) and the free-page list, without
// the records or the packing of the leaves; counts each tag's keys into `*keys`. kCorrupt
// names the first problem. The open check's guard against a tree that a power cut left
// with part of a change.
Status CheckShape(Core& core, std::vector<uint64_t>* keys);

}  // namespace xbase::cdx
