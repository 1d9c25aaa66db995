// CdxNode: encoding and decoding of the two node kinds of a compound index tree —
// interior nodes (full keys, big-endian record numbers and child offsets) and leaf nodes
// (keys with their shared prefix and trailing pad bytes left out, bit-packed entries).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "store/xbase/CdxFormat.h"
#include "store/xbase/Status.h"

namespace xbase::cdx {

using Page = std::array<uint8_t, kPageSize>;

// Number of bits needed to write `v` (0 for 0).
int BitsFor(uint64_t v);

// Bit widths of one leaf's entries.
struct LeafWidths {
  uint8_t record_bits = 0;
  uint8_t dup_bits = 0;
  uint8_t trail_bits = 0;
  uint8_t entry_bytes = 0;
};

// The widths this engine writes: duplicate and trailing counts as wide as the key length
// needs, entries of at least three bytes and wide enough for record numbers up to
// `max_recno` (the table's record count, or for the directory the largest tag-header
// offset). Narrower entries make other writers damage the tree when they re-encode it.
LeafWidths ChooseLeafWidths(uint32_t key_length, uint32_t max_recno);

// The first twelve bytes of every node.
struct NodeHeader {
  uint16_t attributes = 0;
  uint16_t key_count = 0;
  uint32_t left = kNoPage;
  uint32_t right = kNoPage;
  bool leaf() const { return (attributes & kAttrLeaf) != 0; }
  bool root() const { return (attributes & kAttrRoot) != 0; }
};
NodeHeader ReadNodeHeader(const uint8_t* page);

// Most entries an interior node of `key_length`-byte keys holds.
inline uint32_t MaxInteriorEntries(uint32_t key_length) {
  return kInteriorSpace / (key_length + 8);
}

// Orders (key, record) pairs: key bytes unsigned, then record number.
inline int CompareEntries(const uint8_t* a, uint32_t a_rec, const uint8_t* b, uint32_t b_rec,
                          uint32_t key_length) {
  const int c = std::memcmp(a, b, key_length);
  if (c != 0) return c;
  return a_rec < b_rec ? -1 : (a_rec > b_rec ? 1 : 0);
}

// The entries of one node with full keys, key_length() bytes each. Interior nodes also
// carry child offsets (0 in leaves).
class NodeEntries {
 public:
  explicit NodeEntries(uint32_t key_length = 0) : key_length_(key_length) {}

  void Reset(uint32_t key_length) {
    key_length_ = key_length;
    Clear();
  }
  void Clear() {
    keys_.clear();
    recnos_.clear();
    children_.clear();
  }
  uint32_t key_length() const { return key_length_; }
  size_t size() const { return recnos_.size(); }
  bool empty() const { return recnos_.empty(); }
  const uint8_t* key(size_t i) const { return keys_.data() + i * key_length_; }
  uint32_t recno(size_t i) const { return recnos_[i]; }
  uint32_t child(size_t i) const { return children_[i]; }
  uint32_t MaxRecno() const;

  void Append(const uint8_t* key, uint32_t recno, uint32_t child = 0);
  void Insert(size_t i, const uint8_t* key, uint32_t recno, uint32_t child = 0);
  void Erase(size_t i);
  void Set(size_t i, const uint8_t* key, uint32_t recno);
  void AppendRange(const NodeEntries& other, size_t begin, size_t end);
  // Room for `n` entries without reallocating.
  void Reserve(size_t n);
  // Makes room for `n` entries in all (new entries blank), for decoders that fill them.
  void Resize(size_t n);
  uint8_t* mutable_key(size_t i) { return keys_.data() + i * key_length_; }
  void set_recno(size_t i, uint32_t recno) { recnos_[i] = recno; }

 private:
  uint32_t key_length_;
  std::vector<uint8_t> keys_;
  std::vector<uint32_t> recnos_;
  std::vector<uint32_t> children_;
};

// Checks a leaf's header: leaf bit, widths, masks and key count against the page.
Status CheckLeafHeader(const uint8_t* page, LeafWidths* widths, size_t* count);

// One leaf entry's three numbers.
struct LeafEntry {
  uint32_t recno = 0;
  uint32_t dup = 0;
  uint32_t trail = 0;
};
LeafEntry ReadLeafEntry(const uint8_t* page, size_t i, const LeafWidths& widths);
void WriteLeafEntry(uint8_t* page, size_t i, const LeafWidths& widths, const LeafEntry& entry);

// Where (key, recno) falls in a leaf, found from the entries' counts and stored bytes
// without decoding the keys.
struct LeafSpot {
  LeafWidths widths;
  size_t count = 0;         // entries in the leaf
  size_t index = 0;         // first entry >= (key, recno); count when none
  bool equal = false;       // that entry is (key, recno)
  uint32_t before_lcp = 0;  // bytes `key` shares with entry index-1
  uint32_t at_lcp = 0;      // bytes `key` shares with entry index (when there is one)
  uint32_t key_top = 0;     // where the stored bytes of entry index end (count: key_start)
  uint32_t key_start = 0;   // lowest stored key byte
  bool exact_free = true;   // the free-space field agrees with the entries
};
Status LocateInLeaf(const uint8_t* page, uint32_t key_length, uint8_t pad, const uint8_t* key,
                    uint32_t recno, LeafSpot* spot);

// Inserts (key, recno) at `spot` (from LocateInLeaf on this page) by moving bytes, keeping
// the leaf's widths and both counts of every entry maximal. False, with the page
// unchanged, when the entry does not fit or the leaf needs re-encoding instead.
[[nodiscard]] bool InsertIntoLeaf(uint8_t* page, uint32_t key_length, uint8_t pad, const LeafSpot& spot,
                    const uint8_t* key, uint32_t recno);
// Removes the entry at `spot` (found equal to `key`), which must not be the leaf's last;
// false, with the page unchanged, when the leaf needs re-encoding instead.
[[nodiscard]] bool RemoveFromLeaf(uint8_t* page, uint32_t key_length, const LeafSpot& spot, const uint8_t* key);

// Decodes a leaf's entries in order, only as far as asked, checking every count and
// offset against the page (kCorrupt on any inconsistency).
class LeafDecoder {
 public:
  // Checks the leaf header of `page`, which must stay unchanged while decoding, and
  // empties `out`, which receives the entries.
  Status Start(const uint8_t* page, uint32_t key_length, uint8_t pad, NodeEntries* out);
  // Entries in the leaf.
  size_t count() const { return count_; }
  // Decodes the entries before `end` (at most count()) not decoded yet.
  Status DecodeTo(size_t end);
  const LeafWidths& widths() const { return widths_; }

 private:
  const uint8_t* page_ = nullptr;
  NodeEntries* out_ = nullptr;
  uint32_t key_length_ = 0;
  uint8_t pad_ = 0;
  LeafWidths widths_;
  uint64_t record_mask_ = 0;
  uint32_t dup_mask_ = 0;
  uint32_t trail_mask_ = 0;
  size_t count_ = 0;
  size_t done_ = 0;
  uint32_t entries_end_ = 0;
  uint32_t key_end_ = kPageSize;
};

// Decodes a whole leaf (see LeafDecoder). `widths` receives the leaf's own widths when
// not null.
Status DecodeLeaf(const uint8_t* page, uint32_t key_length, uint8_t pad, NodeEntries* out,
                  LeafWidths* widths = nullptr);
// Decodes an interior node; kCorrupt when its key count does not fit the page.
Status DecodeInterior(const uint8_t* page, uint32_t key_length, NodeEntries* out);

// Writes an interior node; false when `e` holds more entries than fit.
[[nodiscard]] bool EncodeInterior(const NodeEntries& e, uint16_t attributes, uint32_t left, uint32_t right,
                    uint8_t* page);

// Packs leaf entries one at a time in ascending order, compressing each key as much as
// the format allows (whole shared prefix, whole run of trailing pad bytes).
class LeafPacker {
 public:
  LeafPacker(uint32_t key_length, uint8_t pad, LeafWidths widths);

  // Starts an empty leaf.
  void Reset();
  // Adds the next entry; false (and the leaf unchanged) when it does not fit or the
  // record number does not fit the widths. `key` must stay valid until the next Add.
  [[nodiscard]] bool Add(const uint8_t* key, uint32_t recno);
  // Fills in the header and zeroes the gap between entries and keys.
  void Finish(uint16_t attributes, uint32_t left, uint32_t right);

  size_t count() const { return count_; }
  const uint8_t* page() const { return page_.data(); }
  // Bytes still free between the entry array and the key area.
  uint32_t free_space() const {
    return key_start_ - (kLeafEntries + static_cast<uint32_t>(count_) * widths_.entry_bytes);
  }
  const LeafWidths& widths() const { return widths_; }

 private:
  uint32_t key_length_;
  uint8_t pad_;
  LeafWidths widths_;
  uint64_t record_mask_;
  Page page_{};
  size_t count_ = 0;
  uint32_t key_start_ = kPageSize;
  const uint8_t* previous_ = nullptr;
};

// Encodes entries [begin, end) of `e` as a leaf; false when they do not fit one page.
[[nodiscard]] bool EncodeLeaf(const NodeEntries& e, size_t begin, size_t end, uint8_t pad, LeafWidths widths,
                uint16_t attributes, uint32_t left, uint32_t right, uint8_t* page);

// Bytes entry `i` takes in a leaf (entry plus stored key bytes) when it follows entry
// `i - 1` in the same leaf (`first`: when it starts the leaf).
uint32_t LeafEntryCost(const NodeEntries& e, size_t i, bool first, uint8_t pad,
                       uint32_t entry_bytes);

}  // namespace xbase::cdx
