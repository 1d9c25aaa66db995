// CdxTag: one tag's B+-tree inside a compound index file — descent, insertion and removal
// with node splits and merges, and leaf walks. Keys are compared as raw bytes, then by
// record number, so (key, record) identifies an entry.
#pragma once

#include <cstdint>
#include <vector>

#include "store/xbase/CdxFile.h"
#include "store/xbase/CdxNode.h"
#include "store/xbase/Status.h"

namespace xbase::cdx {

// What a descent looks for: the first entry >= (key, recno), comparing only `prefix`
// key bytes (recno counts only when prefix is the whole key; 0 = before every record).
struct SeekTarget {
  const uint8_t* key = nullptr;
  uint32_t prefix = 0;
  uint32_t recno = 0;
};

// One interior node on the way down and the entry taken in it.
struct PathStep {
  uint32_t offset = 0;
  size_t index = 0;
};

// Deepest tree this engine follows; deeper means a loop in damaged pointers.
inline constexpr size_t kMaxTreeDepth = 32;

class CdxTag {
 public:
  // `record_hint` points at the table's record count as the index last knew it: leaf
  // widths are chosen for it.
  CdxTag(CdxFile* file, uint32_t root, uint32_t key_length, uint8_t pad,
         const uint32_t* record_hint)
      : file_(file), root_(root), key_length_(key_length), pad_(pad), record_hint_(record_hint) {}

  uint32_t root() const { return root_; }
  void set_root(uint32_t root) { root_ = root; }
  uint32_t key_length() const { return key_length_; }
  uint8_t pad() const { return pad_; }

  // Descends to the leaf where `target` belongs, recording the interior entries taken.
  Status FindLeaf(const SeekTarget& target, std::vector<PathStep>* path, uint32_t* leaf);
  // The first or last leaf of the tree.
  Status EdgeLeaf(bool last, uint32_t* leaf);
  // Reads and decodes a leaf (kCorrupt when the page is not a sound leaf).
  Status LoadLeaf(uint32_t offset, NodeEntries* entries, NodeHeader* header);

  // Adds (key, recno); kCorrupt when the entry is there already.
  Status Insert(const uint8_t* key, uint32_t recno);
  // Removes (key, recno); kCorrupt when it is missing.
  Status Remove(const uint8_t* key, uint32_t recno);

  // Number of keys, counted along the leaf chain.
  Status CountKeys(uint64_t* count);

 private:
  Status LoadInterior(uint32_t offset, NodeEntries* entries, NodeHeader* header);
  [[nodiscard]] bool Encode(const NodeEntries& e, bool leaf, uint16_t attributes, uint32_t left, uint32_t right,
              uint8_t* page) const;
  LeafWidths WidthsFor(const NodeEntries& e) const;
  // True when a leaf with widths `w` can be changed in place for a table of `records`.
  bool KeepsWidths(const LeafWidths& w, uint32_t records) const;
  // Writes `e` as the node at `offset` (path[0, depth) are its ancestors), splitting,
  // merging or removing it as needed and keeping the ancestors' entries right.
  Status StoreNode(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                   const NodeHeader& header, NodeEntries& e);
  Status SplitNode(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                   const NodeHeader& header, NodeEntries& e);
  Status RemoveNode(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                    const NodeHeader& header);
  Status TryMerge(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                  const NodeHeader& header, const NodeEntries& e, bool* merged);
  Status CollapseRoot(uint32_t child);
  // Makes the parent's entry for the node at `offset` carry its last (key, recno).
  Status FixParent(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                   const uint8_t* last_key, uint32_t last_recno);
  // Loads the parent of the node at `depth` and checks that its entry points there.
  Status LoadParent(const std::vector<PathStep>& path, size_t depth, uint32_t offset,
                    NodeEntries* parent, NodeHeader* header);
  Status PatchSibling(uint32_t offset, uint32_t field, uint32_t value);
  bool Underfull(const NodeEntries& e, bool leaf, const uint8_t* page) const;

  CdxFile* file_;
  uint32_t root_;
  uint32_t key_length_;
  uint8_t pad_;
  const uint32_t* record_hint_;
  std::vector<PathStep> path_;  // the way down of the current insertion or removal
};

}  // namespace xbase::cdx
