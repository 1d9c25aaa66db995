#include "store/xbase/CdxNode.h"

#include <algorithm>
#include <bit>
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

uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Length of the run of `pad` bytes that ends `key`.
uint32_t TrailingPad(const uint8_t* key, uint32_t length, uint8_t pad) {
  const uint64_t pattern = uint64_t{pad} * 0x0101010101010101ull;
  uint32_t n = 0;
  while (n + 8 <= length && Load64(key + length - n - 8) == pattern) n += 8;
  while (n < length && key[length - 1 - n] == pad) ++n;
  return n;
}

// Length of the run of `pad` bytes that starts `key`, at most `length`.
uint32_t LeadingPad(const uint8_t* key, uint32_t length, uint8_t pad) {
  const uint64_t pattern = uint64_t{pad} * 0x0101010101010101ull;
  uint32_t n = 0;
  while (n + 8 <= length && Load64(key + n) == pattern) n += 8;
  while (n < length && key[n] == pad) ++n;
  return n;
}

// Length of the prefix `a` and `b` share, at most `limit`.
uint32_t SharedPrefix(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t n = 0;
  while (n + 8 <= limit) {
    const uint64_t x = Load64(a + n) ^ Load64(b + n);
    if (x != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return n + static_cast<uint32_t>(std::countr_zero(x)) / 8;
      } else {
        return n + static_cast<uint32_t>(std::countl_zero(x)) / 8;
      }
    }
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

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
  h.attributes = base::Le16(page + kNodeAttributes);
  h.key_count = base::Le16(page + kNodeKeyCount);
  h.left = base::Le32(page + kNodeLeft);
  h.right = base::Le32(page + kNodeRight);
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

void NodeEntries::Resize(size_t n) {
  keys_.resize(n * key_length_);
  recnos_.resize(n);
  children_.resize(n);
}

// ---- decoding

Status CheckLeafHeader(const uint8_t* page, LeafWidths* widths, size_t* count) {
  const NodeHeader h = ReadNodeHeader(page);
  if (!h.leaf()) return Status::Corrupt("node is not a leaf");
  const uint64_t record_mask = base::Le32(page + kLeafRecordMask);
  const int rb = page[kLeafRecordBits];
  const int db = page[kLeafDupBits];
  const int tb = page[kLeafTrailBits];
  const int e = page[kLeafEntryBytes];
  if (e < 1 || e > 8 || rb + db + tb > 8 * e || rb > 32 || db > 8 || tb > 8) {
    return Status::Corrupt("leaf entry widths out of range");
  }
  if (record_mask != MaskOf(rb) || page[kLeafDupMask] != MaskOf(db) ||
      page[kLeafTrailMask] != MaskOf(tb)) {
    return Status::Corrupt("leaf masks do not match their bit counts");
  }
  if (kLeafEntries + uint32_t{h.key_count} * static_cast<uint32_t>(e) > kPageSize) {
    return Status::Corrupt("leaf key count too large");
  }
  widths->record_bits = static_cast<uint8_t>(rb);
  widths->dup_bits = static_cast<uint8_t>(db);
  widths->trail_bits = static_cast<uint8_t>(tb);
  widths->entry_bytes = static_cast<uint8_t>(e);
  *count = h.key_count;
  return Status::Ok();
}

LeafEntry ReadLeafEntry(const uint8_t* page, size_t i, const LeafWidths& w) {
  const uint32_t at = kLeafEntries + static_cast<uint32_t>(i) * w.entry_bytes;
  uint64_t v = 0;
  if (at + 8 <= kPageSize) {
    std::memcpy(&v, page + at, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    if (w.entry_bytes < 8) v &= (uint64_t{1} << (8 * w.entry_bytes)) - 1;
  } else {
    for (int b = w.entry_bytes - 1; b >= 0; --b) v = (v << 8) | page[at + static_cast<uint32_t>(b)];
  }
  LeafEntry entry;
  entry.recno = static_cast<uint32_t>(v & MaskOf(w.record_bits));
  entry.dup = static_cast<uint32_t>((v >> w.record_bits) & MaskOf(w.dup_bits));
  entry.trail = static_cast<uint32_t>((v >> (w.record_bits + w.dup_bits)) & MaskOf(w.trail_bits));
  return entry;
}

void WriteLeafEntry(uint8_t* page, size_t i, const LeafWidths& w, const LeafEntry& entry) {
  const uint64_t v = uint64_t{entry.recno} | (uint64_t{entry.dup} << w.record_bits) |
                     (uint64_t{entry.trail} << (w.record_bits + w.dup_bits));
  uint8_t* p = page + kLeafEntries + i * w.entry_bytes;
  for (uint32_t b = 0; b < w.entry_bytes; ++b) p[b] = static_cast<uint8_t>(v >> (8 * b));
}

Status LeafDecoder::Start(const uint8_t* page, uint32_t key_length, uint8_t pad, NodeEntries* out) {
  page_ = page;
  out_ = out;
  key_length_ = key_length;
  pad_ = pad;
  out->Reset(key_length);
  count_ = 0;
  done_ = 0;
  size_t count = 0;
  XB_RETURN_IF_ERROR(CheckLeafHeader(page, &widths_, &count));
  entries_end_ = kLeafEntries + static_cast<uint32_t>(count) * widths_.entry_bytes;
  record_mask_ = MaskOf(widths_.record_bits);
  dup_mask_ = static_cast<uint32_t>(MaskOf(widths_.dup_bits));
  trail_mask_ = static_cast<uint32_t>(MaskOf(widths_.trail_bits));
  count_ = count;
  key_end_ = kPageSize;
  out->Reserve(count_);
  return Status::Ok();
}

Status LeafDecoder::DecodeTo(size_t end) {
  end = std::min(end, count_);
  if (end <= done_) return Status::Ok();
  const uint32_t klen = key_length_;
  const uint32_t e = widths_.entry_bytes;
  const uint32_t rb = widths_.record_bits;
  const uint32_t db = widths_.dup_bits;
  const uint64_t entry_mask = e >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * e)) - 1;
  NodeEntries& out = *out_;
  out.Resize(end);
  for (size_t i = done_; i < end; ++i) {
    const uint32_t at = kLeafEntries + static_cast<uint32_t>(i) * e;
    uint64_t v = 0;
    if (at + 8 <= kPageSize) {
      std::memcpy(&v, page_ + at, 8);
      if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
      v &= entry_mask;
    } else {
      for (int b = static_cast<int>(e) - 1; b >= 0; --b) {
        v = (v << 8) | page_[at + static_cast<uint32_t>(b)];
      }
    }
    const uint32_t dup = static_cast<uint32_t>(v >> rb) & dup_mask_;
    const uint32_t trail = static_cast<uint32_t>(v >> (rb + db)) & trail_mask_;
    if (dup + trail > klen) {
      out.Resize(i);
      done_ = i;
      return Status::Corrupt("leaf entry counts exceed the key length");
    }
    const uint32_t stored = klen - dup - trail;
    if (key_end_ < entries_end_ + stored) {
      out.Resize(i);
      done_ = i;
      return Status::Corrupt("leaf keys overlap its entries");
    }
    key_end_ -= stored;
    uint8_t* slot = out.mutable_key(i);
    if (i == 0) {
      std::memset(slot, pad_, dup);
    } else {
      std::memcpy(slot, slot - klen, dup);
    }
    std::memcpy(slot + dup, page_ + key_end_, stored);
    std::memset(slot + dup + stored, pad_, trail);
    out.set_recno(i, static_cast<uint32_t>(v & record_mask_));
  }
  done_ = end;
  return Status::Ok();
}

Status DecodeLeaf(const uint8_t* page, uint32_t key_length, uint8_t pad, NodeEntries* out,
                  LeafWidths* widths) {
  LeafDecoder decoder;
  XB_RETURN_IF_ERROR(decoder.Start(page, key_length, pad, out));
  XB_RETURN_IF_ERROR(decoder.DecodeTo(decoder.count()));
  if (widths != nullptr) *widths = decoder.widths();
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
    out->Append(p, base::Be32(p + key_length), base::Be32(p + key_length + 4));
  }
  return Status::Ok();
}

// ---- encoding

namespace {

void PutNodeHeader(uint8_t* page, uint16_t attributes, size_t count, uint32_t left,
                   uint32_t right) {
  base::PutLe16(page + kNodeAttributes, attributes);
  base::PutLe16(page + kNodeKeyCount, static_cast<uint16_t>(count));
  base::PutLe32(page + kNodeLeft, left);
  base::PutLe32(page + kNodeRight, right);
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
    base::PutBe32(p + key_length, e.recno(i));
    base::PutBe32(p + key_length + 4, e.child(i));
  }
  return true;
}

LeafPacker::LeafPacker(uint32_t key_length, uint8_t pad, LeafWidths widths)
    : key_length_(key_length),
      pad_(pad),
      widths_(widths),
      record_mask_(MaskOf(widths.record_bits)) {}

void LeafPacker::Reset() {
  page_.fill(0);
  count_ = 0;
  key_start_ = kPageSize;
  previous_ = nullptr;
}

bool LeafPacker::Add(const uint8_t* key, uint32_t recno) {
  const uint32_t klen = key_length_;
  const uint32_t trail = TrailingPad(key, klen, pad_);
  const uint32_t dup = count_ > 0 ? SharedPrefix(key, previous_, klen - trail) : 0;
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
  base::PutLe16(page + kLeafFreeSpace, static_cast<uint16_t>(free_space()));
  base::PutLe32(page + kLeafRecordMask, static_cast<uint32_t>(record_mask_));
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

// ---- changing one entry of a leaf in place

namespace {

// Reads entries of one leaf with the masks worked out once.
class EntryReader {
 public:
  explicit EntryReader(const uint8_t* page, const LeafWidths& w)
      : page_(page),
        bytes_(w.entry_bytes),
        entry_mask_(w.entry_bytes >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * w.entry_bytes)) - 1),
        record_mask_(MaskOf(w.record_bits)),
        dup_shift_(w.record_bits),
        trail_shift_(w.record_bits + w.dup_bits),
        dup_mask_(static_cast<uint32_t>(MaskOf(w.dup_bits))),
        trail_mask_(static_cast<uint32_t>(MaskOf(w.trail_bits))) {}

  LeafEntry operator()(size_t i) const {
    const uint32_t at = kLeafEntries + static_cast<uint32_t>(i) * bytes_;
    uint64_t v = 0;
    if (at + 8 <= kPageSize) {
      std::memcpy(&v, page_ + at, 8);
      if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
      v &= entry_mask_;
    } else {
      for (uint32_t b = bytes_; b-- > 0;) v = (v << 8) | page_[at + b];
    }
    return {static_cast<uint32_t>(v & record_mask_),
            static_cast<uint32_t>(v >> dup_shift_) & dup_mask_,
            static_cast<uint32_t>(v >> trail_shift_) & trail_mask_};
  }

 private:
  const uint8_t* page_;
  uint32_t bytes_;
  uint64_t entry_mask_;
  uint64_t record_mask_;
  uint32_t dup_shift_;
  uint32_t trail_shift_;
  uint32_t dup_mask_;
  uint32_t trail_mask_;
};

}  // namespace

Status LocateInLeaf(const uint8_t* page, uint32_t key_length, uint8_t pad, const uint8_t* key,
                    uint32_t recno, LeafSpot* spot) {
  LeafWidths w;
  size_t n = 0;
  XB_RETURN_IF_ERROR(CheckLeafHeader(page, &w, &n));
  const EntryReader read(page, w);
  const uint32_t klen = key_length;
  const uint32_t entries_end = kLeafEntries + static_cast<uint32_t>(n) * w.entry_bytes;
  *spot = LeafSpot{};
  spot->widths = w;
  spot->count = n;
  spot->index = n;
  const uint32_t key_body = klen - TrailingPad(key, klen, pad);  // bytes before its pad
  uint32_t lcp = 0;  // shared prefix of `key` and the entry before the current one
  int cmp = -1;      // how that entry compares with `key`
  uint32_t end = kPageSize;
  size_t i = 0;
  for (; i < n; ++i) {
    const LeafEntry e = read(i);
    if (e.dup + e.trail > klen) return Status::Corrupt("leaf entry counts exceed the key length");
    const uint32_t stored = klen - e.dup - e.trail;
    if (end < entries_end + stored) return Status::Corrupt("leaf keys overlap its entries");
    const uint32_t start = end - stored;
    uint32_t here = lcp;
    int c = cmp;
    if (cmp == 0 && stored == 0 && e.dup >= key_body) {
      // A repeat of the previous key, which equals `key`: only the record numbers differ.
      here = klen;
    } else if (i == 0 || e.dup <= lcp) {
      // The key agrees with `key` for its first dup bytes (copied from an entry that
      // agreed that far; pad bytes before the first entry); compare the rest: stored
      // bytes, then pad bytes.
      uint32_t j = i == 0 ? LeadingPad(key, e.dup, pad) : e.dup;
      if (j == e.dup) {
        const uint32_t m = SharedPrefix(page + start, key + j, stored);
        j += m;
        if (m == stored) j += LeadingPad(key + j, klen - j, pad);
      }
      if (j == klen) {
        c = 0;
      } else {
        const uint8_t b = j < e.dup ? pad : (j < e.dup + stored ? page[start + (j - e.dup)] : pad);
        c = b < key[j] ? -1 : 1;
      }
      here = j;
    }
    if (c > 0 || (c == 0 && e.recno >= recno)) {
      spot->index = i;
      spot->equal = c == 0 && e.recno == recno;
      spot->before_lcp = i == 0 ? 0 : lcp;
      spot->at_lcp = here;
      spot->key_top = end;
      break;
    }
    lcp = here;
    cmp = c;
    end = start;
  }
  if (i == n) {
    spot->before_lcp = n == 0 ? 0 : lcp;
    spot->key_top = end;
  }
  // The rest only needs to be sound and tell where the key bytes start.
  for (; i < n; ++i) {
    const LeafEntry e = read(i);
    if (e.dup + e.trail > klen) return Status::Corrupt("leaf entry counts exceed the key length");
    const uint32_t stored = klen - e.dup - e.trail;
    if (end < entries_end + stored) return Status::Corrupt("leaf keys overlap its entries");
    end -= stored;
  }
  spot->key_start = end;
  spot->exact_free = uint32_t{base::Le16(page + kLeafFreeSpace)} == end - entries_end;
  return Status::Ok();
}

bool InsertIntoLeaf(uint8_t* page, uint32_t key_length, uint8_t pad, const LeafSpot& spot,
                    const uint8_t* key, uint32_t recno) {
  const LeafWidths& w = spot.widths;
  const uint32_t klen = key_length;
  const uint32_t e = w.entry_bytes;
  const size_t n = spot.count;
  const size_t p = spot.index;
  if (!spot.exact_free || recno > MaskOf(w.record_bits) || n + 1 > 0xFFFF) return false;
  const uint32_t trail = TrailingPad(key, klen, pad);
  const uint32_t dup = p == 0 ? 0 : std::min(spot.before_lcp, klen - trail);
  const uint32_t stored = klen - dup - trail;
  const uint32_t free = spot.key_start - (kLeafEntries + static_cast<uint32_t>(n) * e);
  const uint32_t key_start = spot.key_start;
  uint32_t new_key_start = 0;
  if (p < n) {
    const LeafEntry next = ReadLeafEntry(page, p, w);
    const uint32_t next_dup = std::min(spot.at_lcp, klen - next.trail);
    if (next_dup < next.dup) return false;   // only with unusual first entries: re-encode
    const uint32_t k = next_dup - next.dup;  // bytes the next key no longer stores
    const uint32_t next_stored = klen - next.dup - next.trail;
    const int64_t delta = int64_t{stored} - int64_t{k};
    if (int64_t{e} + delta > int64_t{free}) return false;
    const uint32_t top = spot.key_top;
    // Keys after the next one move by delta, the next one's remaining bytes make room for
    // the new key's bytes, which end where the previous key's begin.
    const uint32_t tail_end = top - next_stored;
    std::memmove(page + key_start - delta, page + key_start, tail_end - key_start);
    std::memmove(page + top - stored - (next_stored - k), page + top - next_stored + k,
                 next_stored - k);
    std::memcpy(page + top - stored, key + dup, stored);
    new_key_start = static_cast<uint32_t>(int64_t{key_start} - delta);
    if (delta < 0) std::memset(page + key_start, 0, static_cast<size_t>(-delta));
    std::memmove(page + kLeafEntries + (p + 1) * e, page + kLeafEntries + p * e, (n - p) * e);
    WriteLeafEntry(page, p + 1, w, {next.recno, next_dup, next.trail});
  } else {
    if (e + stored > free) return false;
    new_key_start = key_start - stored;
    std::memcpy(page + new_key_start, key + dup, stored);
  }
  WriteLeafEntry(page, p, w, {recno, dup, trail});
  const uint32_t entries_end = kLeafEntries + static_cast<uint32_t>(n + 1) * e;
  base::PutLe16(page + kNodeKeyCount, static_cast<uint16_t>(n + 1));
  base::PutLe16(page + kLeafFreeSpace, static_cast<uint16_t>(new_key_start - entries_end));
  return true;
}

bool RemoveFromLeaf(uint8_t* page, uint32_t key_length, const LeafSpot& spot, const uint8_t* key) {
  const LeafWidths& w = spot.widths;
  const uint32_t klen = key_length;
  const uint32_t e = w.entry_bytes;
  const size_t n = spot.count;
  const size_t p = spot.index;
  if (!spot.exact_free || !spot.equal || p + 1 >= n) return false;
  const LeafEntry gone = ReadLeafEntry(page, p, w);
  const LeafEntry next = ReadLeafEntry(page, p + 1, w);
  // The next key now follows the previous one: it shares with it what both shared with
  // the removed key, and stores the bytes in between again.
  const uint32_t next_dup = p == 0 ? 0 : std::min(spot.before_lcp, next.dup);
  const uint32_t k = next.dup - next_dup;
  const uint32_t gone_stored = klen - gone.dup - gone.trail;
  const uint32_t next_stored = klen - next.dup - next.trail;
  const int64_t delta = int64_t{gone_stored} - int64_t{k};  // key bytes freed
  const uint32_t free = spot.key_start - (kLeafEntries + static_cast<uint32_t>(n) * e);
  if (delta < 0 && int64_t{free} + e < -delta) return false;
  // The entry array shrinks first: the keys may then grow into its old last slot.
  std::memmove(page + kLeafEntries + p * e, page + kLeafEntries + (p + 1) * e, (n - p - 1) * e);
  std::memset(page + kLeafEntries + (n - 1) * e, 0, e);
  WriteLeafEntry(page, p, w, {next.recno, next_dup, next.trail});
  const uint32_t top = spot.key_top;
  const uint32_t key_start = spot.key_start;
  const uint32_t tail_end = top - gone_stored - next_stored;
  std::memmove(page + top - next_stored, page + top - gone_stored - next_stored, next_stored);
  std::memmove(page + key_start + delta, page + key_start, tail_end - key_start);
  std::memcpy(page + top - next_stored - k, key + next_dup, k);
  const uint32_t new_key_start = static_cast<uint32_t>(int64_t{key_start} + delta);
  if (delta > 0) std::memset(page + key_start, 0, static_cast<size_t>(delta));
  const uint32_t entries_end = kLeafEntries + static_cast<uint32_t>(n - 1) * e;
  base::PutLe16(page + kNodeKeyCount, static_cast<uint16_t>(n - 1));
  base::PutLe16(page + kLeafFreeSpace, static_cast<uint16_t>(new_key_start - entries_end));
  return true;
}

uint32_t LeafEntryCost(const NodeEntries& e, size_t i, bool first, uint8_t pad,
                       uint32_t entry_bytes) {
  const uint32_t klen = e.key_length();
  const uint8_t* key = e.key(i);
  const uint32_t trail = TrailingPad(key, klen, pad);
  const uint32_t dup = first ? 0 : SharedPrefix(key, e.key(i - 1), klen - trail);
  return entry_bytes + (klen - dup - trail);
}

}  // namespace xbase::cdx
