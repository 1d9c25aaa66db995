#include "store/xbase/CdxNode.h"

#include <algorithm>
#include <string>

namespace xbase::cdx {

int BitsFor(uint64_t v) {
  int bits = 0;
  while (v != 0) {
    ++bits;
    v >>= 1;
  }
  return bits;
}

namespace {

uint64_t MaskOf(int bits) { return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1; }

}  // namespace

LeafWidths ChooseLeafWidths(uint32_t key_length, uint32_t max_recno) {
  int count_bits = BitsFor(key_length);
  const int need = std::max(1, BitsFor(max_recno));
  int entry_bytes = static_cast<int>(kMinLeafEntryBytes);
  while (8 * entry_bytes - 2 * count_bits < need) ++entry_bytes;
  int record_bits = 8 * entry_bytes - 2 * count_bits;
  int dup_bits = count_bits;
  int trail_bits = count_bits;
  if (record_bits > 32) {
    // The record mask is 32 bits wide: give the spare bits to the two counts.
    const int spare = record_bits - 32;
    dup_bits += (spare + 1) / 2;
    trail_bits += spare / 2;
    record_bits = 32;
  }
  LeafWidths w;
  w.record_bits = static_cast<uint8_t>(record_bits);
  w.dup_bits = static_cast<uint8_t>(dup_bits);
  w.trail_bits = static_cast<uint8_t>(trail_bits);
  w.entry_bytes = static_cast<uint8_t>(entry_bytes);
  return w;
}

NodeHeader ReadNodeHeader(const uint8_t* page) {
  NodeHeader h;
  h.attributes = Le16(page + kNodeAttributes);
  h.key_count = Le16(page + kNodeKeyCount);
  h.left = Le32(page + kNodeLeft);
  h.right = Le32(page + kNodeRight);
  return h;
}

// ---- NodeEntries

uint32_t NodeEntries::MaxRecno() const {
  uint32_t m = 0;
  for (uint32_t r : recnos_) m = std::max(m, r);
  return m;
}

void NodeEntries::Append(const uint8_t* key, uint32_t recno, uint32_t child) {
  keys_.insert(keys_.end(), key, key + key_length_);
  recnos_.push_back(recno);
  children_.push_back(child);
}

void NodeEntries::Insert(size_t i, const uint8_t* key, uint32_t recno, uint32_t child) {
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(i * key_length_), key,
               key + key_length_);
  recnos_.insert(recnos_.begin() + static_cast<std::ptrdiff_t>(i), recno);
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i), child);
}

void NodeEntries::Erase(size_t i) {
  const auto k = keys_.begin() + static_cast<std::ptrdiff_t>(i * key_length_);
  keys_.erase(k, k + key_length_);
  recnos_.erase(recnos_.begin() + static_cast<std::ptrdiff_t>(i));
  children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
}

void NodeEntries::Set(size_t i, const uint8_t* key, uint32_t recno) {
  std::memmove(keys_.data() + i * key_length_, key, key_length_);
  recnos_[i] = recno;
}

void NodeEntries::AppendRange(const NodeEntries& other, size_t begin, size_t end) {
  keys_.insert(keys_.end(), other.keys_.begin() + static_cast<std::ptrdiff_t>(begin * key_length_),
               other.keys_.begin() + static_cast<std::ptrdiff_t>(end * key_length_));
  recnos_.insert(recnos_.end(), other.recnos_.begin() + static_cast<std::ptrdiff_t>(begin),
                 other.recnos_.begin() + static_cast<std::ptrdiff_t>(end));
  children_.insert(children_.end(), other.children_.begin() + static_cast<std::ptrdiff_t>(begin),
                   other.children_.begin() + static_cast<std::ptrdiff_t>(end));
}

void NodeEntries::Reserve(size_t n) {
  keys_.reserve(n * key_length_);
  recnos_.reserve(n);
  children_.reserve(n);
}

uint8_t* NodeEntries::AppendSlot(uint32_t recno, uint32_t child) {
  keys_.resize(keys_.size() + key_length_);
  recnos_.push_back(recno);
  children_.push_back(child);
  return keys_.data() + keys_.size() - key_length_;
}

size_t NodeEntries::LowerBound(const uint8_t* key, uint32_t prefix, uint32_t recno) const {
  size_t lo = 0;
  size_t hi = size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const int c = std::memcmp(this->key(mid), key, prefix);
    const bool less = c < 0 || (c == 0 && prefix == key_length_ && recnos_[mid] < recno);
    if (less) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// ---- decoding

Status DecodeLeaf(const uint8_t* page, uint32_t key_length, uint8_t pad, NodeEntries* out,
                  LeafWidths* widths) {
  const NodeHeader h = ReadNodeHeader(page);
  if (!h.leaf()) return Status::Corrupt("node is not a leaf");
  const uint32_t n = h.key_count;
  const uint64_t record_mask = Le32(page + kLeafRecordMask);
  const uint8_t dup_mask = page[kLeafDupMask];
  const uint8_t trail_mask = page[kLeafTrailMask];
  const int rb = page[kLeafRecordBits];
  const int db = page[kLeafDupBits];
  const int tb = page[kLeafTrailBits];
  const int e = page[kLeafEntryBytes];
  if (e < 1 || e > 8 || rb + db + tb > 8 * e || rb > 32 || db > 8 || tb > 8) {
    return Status::Corrupt("leaf entry widths out of range");
  }
  if (record_mask != MaskOf(rb) || dup_mask != MaskOf(db) || trail_mask != MaskOf(tb)) {
    return Status::Corrupt("leaf masks do not match their bit counts");
  }
  const uint32_t entries_end = kLeafEntries + n * static_cast<uint32_t>(e);
  if (entries_end > kPageSize) return Status::Corrupt("leaf key count too large");
  if (widths != nullptr) {
    widths->record_bits = static_cast<uint8_t>(rb);
    widths->dup_bits = static_cast<uint8_t>(db);
    widths->trail_bits = static_cast<uint8_t>(tb);
    widths->entry_bytes = static_cast<uint8_t>(e);
  }
  out->Reset(key_length);
  out->Reserve(n);
  uint32_t end = kPageSize;
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t* p = page + kLeafEntries + i * static_cast<uint32_t>(e);
    uint64_t v = 0;
    for (int b = e - 1; b >= 0; --b) v = (v << 8) | p[b];
    const uint32_t rec = static_cast<uint32_t>(v & record_mask);
    const uint32_t dup = static_cast<uint32_t>((v >> rb) & dup_mask);
    const uint32_t trail = static_cast<uint32_t>((v >> (rb + db)) & trail_mask);
    if (dup + trail > key_length) return Status::Corrupt("leaf entry counts exceed the key length");
    const uint32_t stored = key_length - dup - trail;
    if (end < entries_end + stored) return Status::Corrupt("leaf keys overlap its entries");
    uint8_t* slot = out->AppendSlot(rec, 0);
    if (i == 0) {
      std::memset(slot, pad, dup);
    } else {
      std::memcpy(slot, out->key(i - 1), dup);
    }
    std::memcpy(slot + dup, page + end - stored, stored);
    std::memset(slot + dup + stored, pad, trail);
    end -= stored;
  }
  return Status::Ok();
}

Status DecodeInterior(const uint8_t* page, uint32_t key_length, NodeEntries* out) {
  const NodeHeader h = ReadNodeHeader(page);
  if (h.leaf()) return Status::Corrupt("node is not an interior node");
  if (h.key_count > MaxInteriorEntries(key_length)) {
    return Status::Corrupt("interior node key count too large");
  }
  out->Reset(key_length);
  out->Reserve(h.key_count);
  const uint32_t step = key_length + 8;
  for (uint32_t i = 0; i < h.key_count; ++i) {
    const uint8_t* p = page + kInteriorEntries + i * step;
    out->Append(p, Be32(p + key_length), Be32(p + key_length + 4));
  }
  return Status::Ok();
}

// ---- encoding

namespace {

void PutNodeHeader(uint8_t* page, uint16_t attributes, size_t count, uint32_t left,
                   uint32_t right) {
  PutLe16(page + kNodeAttributes, attributes);
  PutLe16(page + kNodeKeyCount, static_cast<uint16_t>(count));
  PutLe32(page + kNodeLeft, left);
  PutLe32(page + kNodeRight, right);
}

}  // namespace

bool EncodeInterior(const NodeEntries& e, uint16_t attributes, uint32_t left, uint32_t right,
                    uint8_t* page) {
  const uint32_t key_length = e.key_length();
  if (e.size() > MaxInteriorEntries(key_length)) return false;
  std::memset(page, 0, kPageSize);
  PutNodeHeader(page, attributes, e.size(), left, right);
  const uint32_t step = key_length + 8;
  for (size_t i = 0; i < e.size(); ++i) {
    uint8_t* p = page + kInteriorEntries + i * step;
    std::memcpy(p, e.key(i), key_length);
    PutBe32(p + key_length, e.recno(i));
    PutBe32(p + key_length + 4, e.child(i));
  }
  return true;
}

LeafPacker::LeafPacker(uint32_t key_length, uint8_t pad, LeafWidths widths)
    : key_length_(key_length), pad_(pad), widths_(widths), record_mask_(MaskOf(widths.record_bits)) {}

void LeafPacker::Reset() {
  page_.fill(0);
  count_ = 0;
  key_start_ = kPageSize;
  previous_ = nullptr;
}

bool LeafPacker::Add(const uint8_t* key, uint32_t recno) {
  const uint32_t klen = key_length_;
  uint32_t trail = 0;
  while (trail < klen && key[klen - 1 - trail] == pad_) ++trail;
  uint32_t dup = 0;
  if (count_ > 0) {
    const uint32_t limit = klen - trail;
    while (dup < limit && key[dup] == previous_[dup]) ++dup;
  }
  const uint32_t stored = klen - dup - trail;
  const uint32_t e = widths_.entry_bytes;
  const uint32_t entries_end = kLeafEntries + static_cast<uint32_t>(count_ + 1) * e;
  if (entries_end + stored > key_start_ || recno > record_mask_) return false;
  const uint64_t v = uint64_t{recno} | (uint64_t{dup} << widths_.record_bits) |
                     (uint64_t{trail} << (widths_.record_bits + widths_.dup_bits));
  uint8_t* p = page_.data() + kLeafEntries + count_ * e;
  for (uint32_t b = 0; b < e; ++b) p[b] = static_cast<uint8_t>(v >> (8 * b));
  key_start_ -= stored;
  std::memcpy(page_.data() + key_start_, key + dup, stored);
  previous_ = key;
  ++count_;
  return true;
}

void LeafPacker::Finish(uint16_t attributes, uint32_t left, uint32_t right) {
  uint8_t* page = page_.data();
  PutNodeHeader(page, attributes, count_, left, right);
  PutLe16(page + kLeafFreeSpace, static_cast<uint16_t>(free_space()));
  PutLe32(page + kLeafRecordMask, static_cast<uint32_t>(record_mask_));
  page[kLeafDupMask] = static_cast<uint8_t>(MaskOf(widths_.dup_bits));
  page[kLeafTrailMask] = static_cast<uint8_t>(MaskOf(widths_.trail_bits));
  page[kLeafRecordBits] = widths_.record_bits;
  page[kLeafDupBits] = widths_.dup_bits;
  page[kLeafTrailBits] = widths_.trail_bits;
  page[kLeafEntryBytes] = widths_.entry_bytes;
}

bool EncodeLeaf(const NodeEntries& e, size_t begin, size_t end, uint8_t pad, LeafWidths widths,
                uint16_t attributes, uint32_t left, uint32_t right, uint8_t* page) {
  LeafPacker packer(e.key_length(), pad, widths);
  packer.Reset();
  for (size_t i = begin; i < end; ++i) {
    if (!packer.Add(e.key(i), e.recno(i))) return false;
  }
  packer.Finish(attributes, left, right);
  std::memcpy(page, packer.page(), kPageSize);
  return true;
}

uint32_t LeafEntryCost(const NodeEntries& e, size_t i, bool first, uint8_t pad,
                       uint32_t entry_bytes) {
  const uint32_t klen = e.key_length();
  const uint8_t* key = e.key(i);
  uint32_t trail = 0;
  while (trail < klen && key[klen - 1 - trail] == pad) ++trail;
  uint32_t dup = 0;
  if (!first) {
    const uint8_t* prev = e.key(i - 1);
    const uint32_t limit = klen - trail;
    while (dup < limit && key[dup] == prev[dup]) ++dup;
  }
  return entry_bytes + (klen - dup - trail);
}

}  // namespace xbase::cdx
