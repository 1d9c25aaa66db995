#include "store/xbase/CdxTag.h"

#include <algorithm>
#include <string>

namespace xbase::cdx {

namespace {

// First interior entry >= target, read straight from the page.
size_t SearchInterior(const uint8_t* page, size_t count, uint32_t key_length, const SeekTarget& t) {
  const uint32_t step = key_length + 8;
  size_t lo = 0;
  size_t hi = count;
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const uint8_t* p = page + kInteriorEntries + mid * step;
    const int c = std::memcmp(p, t.key, t.prefix);
    const bool less = c < 0 || (c == 0 && t.prefix == key_length && base::Be32(p + key_length) < t.recno);
    if (less) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

bool SameWidths(const LeafWidths& a, const LeafWidths& b) {
  return a.record_bits == b.record_bits && a.dup_bits == b.dup_bits &&
         a.trail_bits == b.trail_bits && a.entry_bytes == b.entry_bytes;
}

Status BadNode(uint32_t offset, const std::string& what) {
  return Status::Corrupt("index node " + std::to_string(offset) + ": " + what);
}

}  // namespace

Status CdxTag::FindLeaf(const SeekTarget& target, std::vector<PathStep>* path, uint32_t* leaf) {
  if (path != nullptr) path->clear();
  uint32_t offset = root_;
  for (size_t depth = 0; depth < kMaxTreeDepth; ++depth) {
    const uint8_t* page = nullptr;
    XB_RETURN_IF_ERROR(file_->Read(offset, &page));
    const NodeHeader h = ReadNodeHeader(page);
    if (h.leaf()) {
      *leaf = offset;
      return Status::Ok();
    }
    if (h.key_count == 0 || h.key_count > MaxInteriorEntries(key_length_)) {
      return BadNode(offset, "bad interior key count");
    }
    size_t i = SearchInterior(page, h.key_count, key_length_, target);
    if (i == h.key_count) i = h.key_count - 1;  // beyond every key: the last child
    if (path != nullptr) path->push_back({offset, i});
    offset = base::Be32(page + kInteriorEntries + i * (key_length_ + 8) + key_length_ + 4);
  }
  return Status::Corrupt("index tree deeper than " + std::to_string(kMaxTreeDepth) + " levels");
}

Status CdxTag::EdgeLeaf(bool last, uint32_t* leaf) {
  uint32_t offset = root_;
  for (size_t depth = 0; depth < kMaxTreeDepth; ++depth) {
    const uint8_t* page = nullptr;
    XB_RETURN_IF_ERROR(file_->Read(offset, &page));
    const NodeHeader h = ReadNodeHeader(page);
    if (h.leaf()) {
      *leaf = offset;
      return Status::Ok();
    }
    if (h.key_count == 0 || h.key_count > MaxInteriorEntries(key_length_)) {
      return BadNode(offset, "bad interior key count");
    }
    const size_t i = last ? h.key_count - 1u : 0u;
    offset = base::Be32(page + kInteriorEntries + i * (key_length_ + 8) + key_length_ + 4);
  }
  return Status::Corrupt("index tree deeper than " + std::to_string(kMaxTreeDepth) + " levels");
}

Status CdxTag::LoadLeaf(uint32_t offset, NodeEntries* entries, NodeHeader* header) {
  const uint8_t* page = nullptr;
  XB_RETURN_IF_ERROR(file_->Read(offset, &page));
  *header = ReadNodeHeader(page);
  if (!header->leaf()) return BadNode(offset, "expected a leaf");
  Status s = DecodeLeaf(page, key_length_, pad_, entries);
  if (!s.ok()) return BadNode(offset, s.message());
  return Status::Ok();
}

Status CdxTag::LoadInterior(uint32_t offset, NodeEntries* entries, NodeHeader* header) {
  const uint8_t* page = nullptr;
  XB_RETURN_IF_ERROR(file_->Read(offset, &page));
  *header = ReadNodeHeader(page);
  Status s = DecodeInterior(page, key_length_, entries);
  if (!s.ok()) return BadNode(offset, s.message());
  return Status::Ok();
}

bool CdxTag::KeepsWidths(const LeafWidths& w, uint32_t records) const {
  // The leaf's widths are this engine's for some record count at least `records`.
  const uint32_t capacity = w.record_bits >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << w.record_bits) - 1;
  return capacity >= records && SameWidths(w, ChooseLeafWidths(key_length_, capacity));
}

LeafWidths CdxTag::WidthsFor(const NodeEntries& e) const {
  return ChooseLeafWidths(key_length_, std::max(*record_hint_, e.MaxRecno()));
}

bool CdxTag::Encode(const NodeEntries& e, bool leaf, uint16_t attributes, uint32_t left,
                    uint32_t right, uint8_t* page) const {
  if (leaf) return EncodeLeaf(e, 0, e.size(), pad_, WidthsFor(e), attributes, left, right, page);
  return EncodeInterior(e, attributes, left, right, page);
}

bool CdxTag::Underfull(const NodeEntries& e, bool leaf, const uint8_t* page) const {
  if (leaf) return base::Le16(page + kLeafFreeSpace) * 3u > kLeafSpace * 2u;
  return e.size() * 3 < MaxInteriorEntries(key_length_);
}

Status CdxTag::Insert(const uint8_t* key, uint32_t recno) {
  std::vector<PathStep>& path = path_;
  uint32_t leaf = 0;
  XB_RETURN_IF_ERROR(FindLeaf({key, key_length_, recno}, &path, &leaf));
  // Most insertions only move bytes within the leaf; the rest re-encode it.
  const uint8_t* current = nullptr;
  XB_RETURN_IF_ERROR(file_->Read(leaf, &current));
  LeafSpot spot;
  Status s = LocateInLeaf(current, key_length_, pad_, key, recno, &spot);
  if (!s.ok()) return BadNode(leaf, s.message());
  if (spot.equal) return Status::Corrupt("record " + std::to_string(recno) + " is indexed already");
  if (KeepsWidths(spot.widths, std::max(*record_hint_, recno))) {
    Page page;
    std::memcpy(page.data(), current, kPageSize);
    if (InsertIntoLeaf(page.data(), key_length_, pad_, spot, key, recno)) {
      XB_RETURN_IF_ERROR(file_->Write(leaf, page.data()));
      if (spot.index == spot.count && !path.empty()) {
        return FixParent(path, path.size(), leaf, key, recno);
      }
      return Status::Ok();
    }
  }
  NodeEntries e;
  NodeHeader h;
  XB_RETURN_IF_ERROR(LoadLeaf(leaf, &e, &h));
  e.Insert(spot.index, key, recno);
  return StoreNode(path, path.size(), leaf, h, e);
}

Status CdxTag::Remove(const uint8_t* key, uint32_t recno) {
  std::vector<PathStep>& path = path_;
  uint32_t leaf = 0;
  XB_RETURN_IF_ERROR(FindLeaf({key, key_length_, recno}, &path, &leaf));
  const uint8_t* current = nullptr;
  XB_RETURN_IF_ERROR(file_->Read(leaf, &current));
  LeafSpot spot;
  Status s = LocateInLeaf(current, key_length_, pad_, key, recno, &spot);
  if (!s.ok()) return BadNode(leaf, s.message());
  if (!spot.equal) {
    return Status::Corrupt("the key of record " + std::to_string(recno) + " is missing");
  }
  // In place unless the leaf loses its last entry (the parent changes) or gets so empty
  // that it should merge with a neighbour.
  if (KeepsWidths(spot.widths, *record_hint_) && spot.index + 1 < spot.count) {
    Page page;
    std::memcpy(page.data(), current, kPageSize);
    if (RemoveFromLeaf(page.data(), key_length_, spot, key) &&
        (path.empty() || !Underfull(NodeEntries(), true, page.data()))) {
      return file_->Write(leaf, page.data());
    }
  }
  NodeEntries e;
  NodeHeader h;
  XB_RETURN_IF_ERROR(LoadLeaf(leaf, &e, &h));
  if (spot.index >= e.size()) return BadNode(leaf, "entry vanished while decoding");
  e.Erase(spot.index);
  return StoreNode(path, path.size(), leaf, h, e);
}

Status CdxTag::StoreNode(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                         const NodeHeader& header, NodeEntries& e) {
  const bool leaf = header.leaf();
  const bool is_root = depth == 0;
  Page page;
  if (is_root) {
    if (!leaf && e.size() == 1) return CollapseRoot(e.child(0));
    if (!leaf && e.empty()) {
      // Every child is gone: the root becomes an empty leaf.
      NodeEntries none(key_length_);
      (void)Encode(none, true, kAttrRoot | kAttrLeaf, kNoPage, kNoPage, page.data());  // an empty leaf always fits
      return file_->Write(offset, page.data());
    }
    const uint16_t attributes = leaf ? (kAttrRoot | kAttrLeaf) : kAttrRoot;
    if (!Encode(e, leaf, attributes, kNoPage, kNoPage, page.data())) {
      return SplitNode(path, depth, offset, header, e);
    }
    return file_->Write(offset, page.data());
  }
  if (e.empty()) return RemoveNode(path, depth, offset, header);
  const uint16_t attributes = leaf ? kAttrLeaf : 0;
  if (!Encode(e, leaf, attributes, header.left, header.right, page.data())) {
    return SplitNode(path, depth, offset, header, e);
  }
  if (Underfull(e, leaf, page.data())) {
    bool merged = false;
    XB_RETURN_IF_ERROR(TryMerge(path, depth, offset, header, e, &merged));
    if (merged) return Status::Ok();
  }
  XB_RETURN_IF_ERROR(file_->Write(offset, page.data()));
  return FixParent(path, depth, offset, e.key(e.size() - 1), e.recno(e.size() - 1));
}

Status CdxTag::LoadParent(const std::vector<PathStep>& path, size_t depth, uint32_t offset,
                          NodeEntries* parent, NodeHeader* header) {
  const PathStep& step = path[depth - 1];
  XB_RETURN_IF_ERROR(LoadInterior(step.offset, parent, header));
  if (step.index >= parent->size() || parent->child(step.index) != offset) {
    return BadNode(step.offset, "parent entry does not point to its child");
  }
  return Status::Ok();
}

Status CdxTag::FixParent(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                         const uint8_t* last_key, uint32_t last_recno) {
  const PathStep& step = path[depth - 1];
  const uint8_t* page = nullptr;
  XB_RETURN_IF_ERROR(file_->Read(step.offset, &page));
  const NodeHeader ph = ReadNodeHeader(page);
  if (ph.leaf() || step.index >= ph.key_count || ph.key_count > MaxInteriorEntries(key_length_)) {
    return BadNode(step.offset, "parent entry does not point to its child");
  }
  const uint8_t* entry = page + kInteriorEntries + step.index * (key_length_ + 8);
  if (base::Be32(entry + key_length_ + 4) != offset) {
    return BadNode(step.offset, "parent entry does not point to its child");
  }
  if (std::memcmp(entry, last_key, key_length_) == 0 && base::Be32(entry + key_length_) == last_recno) {
    return Status::Ok();  // the separator is right already
  }
  NodeEntries parent;
  NodeHeader header;
  XB_RETURN_IF_ERROR(LoadInterior(step.offset, &parent, &header));
  parent.Set(step.index, last_key, last_recno);
  return StoreNode(path, depth - 1, step.offset, header, parent);
}

Status CdxTag::SplitNode(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                         const NodeHeader& header, NodeEntries& e) {
  const bool leaf = header.leaf();
  const size_t n = e.size();
  if (n < 2) return BadNode(offset, "a single entry does not fit a node");
  // Cut where the two halves are about equally large, then move the cut until both fit.
  size_t cut = n / 2;
  if (leaf) {
    const uint32_t entry_bytes = WidthsFor(e).entry_bytes;
    uint64_t total = 0;
    std::vector<uint32_t> cost(n);
    for (size_t i = 0; i < n; ++i) {
      cost[i] = LeafEntryCost(e, i, i == 0, pad_, entry_bytes);
      total += cost[i];
    }
    uint64_t sum = 0;
    cut = 1;
    for (size_t i = 0; i + 1 < n; ++i) {
      sum += cost[i];
      cut = i + 1;
      if (sum * 2 >= total) break;
    }
  }
  const uint16_t attributes = leaf ? kAttrLeaf : 0;
  // The new pages come first so that each half is encoded once, with its siblings.
  const bool at_root = depth == 0;
  uint32_t lo = offset;
  uint32_t ro = 0;
  if (at_root) XB_RETURN_IF_ERROR(file_->Allocate(&lo));
  XB_RETURN_IF_ERROR(file_->Allocate(&ro));
  const uint32_t outer_left = at_root ? kNoPage : header.left;
  const uint32_t outer_right = at_root ? kNoPage : header.right;
  NodeEntries left(key_length_);
  NodeEntries right(key_length_);
  Page left_page;
  Page right_page;
  for (size_t tries = 0;; ++tries) {
    if (tries > n) return BadNode(offset, "node cannot be split");
    left.Clear();
    right.Clear();
    left.AppendRange(e, 0, cut);
    right.AppendRange(e, cut, n);
    const bool left_fits = Encode(left, leaf, attributes, outer_left, ro, left_page.data());
    const bool right_fits = Encode(right, leaf, attributes, lo, outer_right, right_page.data());
    if (left_fits && right_fits) break;
    if (!left_fits && cut > 1) {
      --cut;
    } else if (!right_fits && cut + 1 < n) {
      ++cut;
    } else {
      return BadNode(offset, "node cannot be split");
    }
  }
  const size_t ll = left.size() - 1;
  const size_t rl = right.size() - 1;
  XB_RETURN_IF_ERROR(file_->Write(ro, right_page.data()));
  XB_RETURN_IF_ERROR(file_->Write(lo, left_page.data()));

  if (at_root) {
    // The root stays where the tag header points: its halves moved to two new pages and
    // the root page becomes an interior node over them.
    NodeEntries root(key_length_);
    root.Append(left.key(ll), left.recno(ll), lo);
    root.Append(right.key(rl), right.recno(rl), ro);
    Page root_page;
    // Two entries (key, record number, child offset) always fit an interior node.
    static_assert(2 * (kMaxKeyLength + 8) <= kInteriorSpace);
    (void)EncodeInterior(root, kAttrRoot, kNoPage, kNoPage, root_page.data());
    return file_->Write(offset, root_page.data());
  }
  if (header.right != kNoPage) XB_RETURN_IF_ERROR(PatchSibling(header.right, kNodeLeft, ro));

  NodeEntries parent;
  NodeHeader ph;
  XB_RETURN_IF_ERROR(LoadParent(path, depth, offset, &parent, &ph));
  const size_t index = path[depth - 1].index;
  parent.Set(index, left.key(ll), left.recno(ll));
  parent.Insert(index + 1, right.key(rl), right.recno(rl), ro);
  return StoreNode(path, depth - 1, path[depth - 1].offset, ph, parent);
}

Status CdxTag::RemoveNode(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                          const NodeHeader& header) {
  NodeEntries parent;
  NodeHeader ph;
  XB_RETURN_IF_ERROR(LoadParent(path, depth, offset, &parent, &ph));
  if (header.left != kNoPage) {
    XB_RETURN_IF_ERROR(PatchSibling(header.left, kNodeRight, header.right));
  }
  if (header.right != kNoPage) {
    XB_RETURN_IF_ERROR(PatchSibling(header.right, kNodeLeft, header.left));
  }
  parent.Erase(path[depth - 1].index);
  XB_RETURN_IF_ERROR(StoreNode(path, depth - 1, path[depth - 1].offset, ph, parent));
  return file_->Release(offset);
}

Status CdxTag::TryMerge(std::vector<PathStep>& path, size_t depth, uint32_t offset,
                        const NodeHeader& header, const NodeEntries& e, bool* merged) {
  *merged = false;
  NodeEntries parent;
  NodeHeader ph;
  XB_RETURN_IF_ERROR(LoadParent(path, depth, offset, &parent, &ph));
  const size_t index = path[depth - 1].index;
  size_t li = 0;
  if (index + 1 < parent.size()) {
    li = index;
  } else if (index > 0) {
    li = index - 1;
  } else {
    return Status::Ok();  // an only child has no sibling to merge with
  }
  const size_t ri = li + 1;
  const bool this_is_left = li == index;
  const uint32_t lo = parent.child(li);
  const uint32_t ro = parent.child(ri);
  const uint32_t other = this_is_left ? ro : lo;

  const bool leaf = header.leaf();
  NodeEntries sibling;
  NodeHeader sh;
  if (leaf) {
    XB_RETURN_IF_ERROR(LoadLeaf(other, &sibling, &sh));
  } else {
    XB_RETURN_IF_ERROR(LoadInterior(other, &sibling, &sh));
    if (sh.leaf()) return BadNode(other, "leaf beside an interior node");
  }
  const NodeHeader& lh = this_is_left ? header : sh;
  const NodeHeader& rh = this_is_left ? sh : header;
  if (lh.right != ro || rh.left != lo) return Status::Ok();  // links disagree: leave them be

  NodeEntries combined(key_length_);
  combined.Reserve(e.size() + sibling.size());
  if (this_is_left) {
    combined.AppendRange(e, 0, e.size());
    combined.AppendRange(sibling, 0, sibling.size());
  } else {
    combined.AppendRange(sibling, 0, sibling.size());
    combined.AppendRange(e, 0, e.size());
  }
  Page page;
  if (!Encode(combined, leaf, leaf ? kAttrLeaf : 0, lh.left, rh.right, page.data())) {
    return Status::Ok();
  }
  XB_RETURN_IF_ERROR(file_->Write(lo, page.data()));
  if (rh.right != kNoPage) XB_RETURN_IF_ERROR(PatchSibling(rh.right, kNodeLeft, lo));
  const size_t last = combined.size() - 1;
  parent.Set(li, combined.key(last), combined.recno(last));
  parent.Erase(ri);
  *merged = true;
  XB_RETURN_IF_ERROR(StoreNode(path, depth - 1, path[depth - 1].offset, ph, parent));
  return file_->Release(ro);
}

Status CdxTag::CollapseRoot(uint32_t child) {
  // The root keeps its page: the only child's content moves up into it.
  for (size_t depth = 0; depth < kMaxTreeDepth; ++depth) {
    const uint8_t* src = nullptr;
    XB_RETURN_IF_ERROR(file_->Read(child, &src));
    Page page;
    std::memcpy(page.data(), src, kPageSize);
    const NodeHeader h = ReadNodeHeader(page.data());
    if (!h.leaf() && (h.key_count == 0 || h.key_count > MaxInteriorEntries(key_length_))) {
      return BadNode(child, "bad interior key count");
    }
    base::PutLe16(page.data() + kNodeAttributes, h.leaf() ? (kAttrRoot | kAttrLeaf) : kAttrRoot);
    base::PutLe32(page.data() + kNodeLeft, kNoPage);
    base::PutLe32(page.data() + kNodeRight, kNoPage);
    XB_RETURN_IF_ERROR(file_->Write(root_, page.data()));
    XB_RETURN_IF_ERROR(file_->Release(child));
    if (h.leaf() || h.key_count != 1) return Status::Ok();
    child = base::Be32(page.data() + kInteriorEntries + key_length_ + 4);
  }
  return Status::Corrupt("index tree deeper than " + std::to_string(kMaxTreeDepth) + " levels");
}

Status CdxTag::PatchSibling(uint32_t offset, uint32_t field, uint32_t value) {
  const uint8_t* src = nullptr;
  XB_RETURN_IF_ERROR(file_->Read(offset, &src));
  Page page;
  std::memcpy(page.data(), src, kPageSize);
  base::PutLe32(page.data() + field, value);
  return file_->Write(offset, page.data());
}

Status CdxTag::CountKeys(uint64_t* count) {
  *count = 0;
  uint32_t offset = 0;
  XB_RETURN_IF_ERROR(EdgeLeaf(false, &offset));
  const uint64_t limit = file_->size() / kPageSize + 1;
  for (uint64_t steps = 0; offset != kNoPage; ++steps) {
    if (steps > limit) return Status::Corrupt("leaf chain runs in a circle");
    const uint8_t* page = nullptr;
    XB_RETURN_IF_ERROR(file_->Read(offset, &page));
    const NodeHeader h = ReadNodeHeader(page);
    if (!h.leaf()) return BadNode(offset, "leaf chain reaches an interior node");
    *count += h.key_count;
    offset = h.right;
  }
  return Status::Ok();
}

}  // namespace xbase::cdx
