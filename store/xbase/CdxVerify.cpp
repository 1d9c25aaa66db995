// The full check of an open compound index: every node of every tree (including the tag
// directory) is decoded and checked against its neighbours, its parent and the records.
#include <algorithm>
#include <cstring>
#include <functional>

#include "store/xbase/CdxCore.h"
#include "store/xbase/CdxFormat.h"
#include "store/xbase/CdxNode.h"

namespace xbase::cdx {

namespace {

constexpr size_t kMaxProblems = 1000;

class Problems {
 public:
  explicit Problems(std::vector<std::string>* out) : out_(out) {}
  void Add(const std::string& line) {
    ++count_;
    if (out_->size() < kMaxProblems) {
      out_->push_back(line);
    } else if (out_->size() == kMaxProblems) {
      out_->push_back("... more problems");
    }
  }
  size_t count() const { return count_; }

 private:
  std::vector<std::string>* out_;
  size_t count_ = 0;
};

std::string At(uint32_t offset) { return "node " + std::to_string(offset); }

// Walks one tree depth first, checking each node and handing every leaf entry in order to
// `visit`.
class TreeWalk {
 public:
  using Visit = std::function<void(const uint8_t* key, uint32_t recno)>;

  TreeWalk(CdxFile* file, std::vector<bool>* used, Problems* problems, std::string what,
           uint32_t key_length, uint8_t pad, Visit visit, bool check_packing = true)
      : check_packing_(check_packing),
        file_(file),
        used_(used),
        problems_(problems),
        what_(std::move(what)),
        key_length_(key_length),
        pad_(pad),
        visit_(std::move(visit)),
        previous_(key_length) {}

  void Run(uint32_t root) {
    std::vector<uint8_t> last(key_length_);
    uint32_t last_recno = 0;
    Node(root, 0, &last, &last_recno);
    for (size_t d = 0; d < levels_.size(); ++d) {
      if (levels_[d].any && levels_[d].last_right != kNoPage) {
        Problem("the last node of level " + std::to_string(d) + " has a right sibling");
      }
    }
  }

  uint64_t entries() const { return entries_; }

 private:
  struct Level {
    bool any = false;
    uint32_t last_offset = kNoPage;
    uint32_t last_right = kNoPage;
  };

  void Problem(const std::string& what) { problems_->Add(what_ + ": " + what); }

  // Returns true with the subtree's last entry when it has one.
  bool Node(uint32_t offset, size_t depth, std::vector<uint8_t>* last, uint32_t* last_recno) {
    if (depth >= kMaxTreeDepth) {
      Problem("tree deeper than " + std::to_string(kMaxTreeDepth) + " levels");
      return false;
    }
    const uint8_t* page = nullptr;
    Status s = file_->Read(offset, &page);
    if (!s.ok()) {
      Problem(At(offset) + ": " + s.message());
      return false;
    }
    const size_t number = offset / kPageSize;
    if (number >= used_->size()) used_->resize(number + 1);
    if ((*used_)[number]) {
      Problem(At(offset) + " is used twice");
      return false;
    }
    (*used_)[number] = true;
    const NodeHeader h = ReadNodeHeader(page);
    if (h.root() != (depth == 0)) Problem(At(offset) + " has a wrong root flag");
    if (levels_.size() <= depth) levels_.resize(depth + 1);
    Level& level = levels_[depth];
    if (h.left != level.last_offset) Problem(At(offset) + " has a wrong left sibling");
    if (level.any && level.last_right != offset) {
      Problem(At(level.last_offset) + " has a wrong right sibling");
    }
    level.any = true;
    level.last_offset = offset;
    level.last_right = h.right;

    NodeEntries e;
    if (h.leaf()) {
      if (leaf_depth_ < 0) leaf_depth_ = static_cast<int>(depth);
      if (leaf_depth_ != static_cast<int>(depth)) {
        Problem(At(offset) + ": leaves at different depths");
      }
      LeafWidths widths;
      s = DecodeLeaf(page, key_length_, pad_, &e, &widths);
      if (!s.ok()) {
        Problem(At(offset) + ": " + s.message());
        return false;
      }
      if (check_packing_) CheckPacking(offset, page, e, widths);
      if (e.empty() && depth > 0) Problem(At(offset) + " is an empty leaf");
      for (size_t i = 0; i < e.size(); ++i) {
        if (entries_ > 0) {
          const int c =
              CompareEntries(previous_.data(), previous_recno_, e.key(i), e.recno(i), key_length_);
          if (c == 0) {
            Problem(At(offset) + ": record " + std::to_string(e.recno(i)) + " listed twice");
          }
          if (c > 0) {
            Problem(At(offset) + ": key of record " + std::to_string(e.recno(i)) + " out of order");
          }
        }
        std::memcpy(previous_.data(), e.key(i), key_length_);
        previous_recno_ = e.recno(i);
        ++entries_;
        visit_(e.key(i), e.recno(i));
      }
    } else {
      s = DecodeInterior(page, key_length_, &e);
      if (!s.ok()) {
        Problem(At(offset) + ": " + s.message());
        return false;
      }
      if (e.empty()) Problem(At(offset) + " is an interior node without entries");
      std::vector<uint8_t> child_last(key_length_);
      for (size_t i = 0; i < e.size(); ++i) {
        uint32_t child_recno = 0;
        if (Node(e.child(i), depth + 1, &child_last, &child_recno) &&
            CompareEntries(child_last.data(), child_recno, e.key(i), e.recno(i), key_length_) !=
                0) {
          Problem(At(offset) + ": entry " + std::to_string(i) +
                  " does not carry the last key of its child " + std::to_string(e.child(i)));
        }
      }
    }
    if (e.empty()) return false;
    std::memcpy(last->data(), e.key(e.size() - 1), key_length_);
    *last_recno = e.recno(e.size() - 1);
    return true;
  }

  // A leaf must be packed with both counts maximal and its free space exact: encoding
  // its entries again with its own widths gives the same bytes.
  void CheckPacking(uint32_t offset, const uint8_t* page, const NodeEntries& e,
                    const LeafWidths& widths) {
    const int count_bits = BitsFor(key_length_);
    if (widths.dup_bits < count_bits || widths.trail_bits < count_bits) {
      Problem(At(offset) + ": count widths too narrow for the key length");
      return;
    }
    Page again;
    const NodeHeader h = ReadNodeHeader(page);
    if (!EncodeLeaf(e, 0, e.size(), pad_, widths, h.attributes, h.left, h.right, again.data())) {
      Problem(At(offset) + ": entries do not fit again");
      return;
    }
    const uint32_t entries_end =
        kLeafEntries + static_cast<uint32_t>(e.size()) * widths.entry_bytes;
    const uint32_t free = base::Le16(again.data() + kLeafFreeSpace);
    const uint32_t keys_start = entries_end + free;
    if (base::Le16(page + kLeafFreeSpace) != free ||
        std::memcmp(page + kLeafEntries, again.data() + kLeafEntries, entries_end - kLeafEntries) !=
            0 ||
        std::memcmp(page + keys_start, again.data() + keys_start, kPageSize - keys_start) != 0) {
      Problem(At(offset) + ": keys not compressed as far as possible or free space wrong");
    }
  }

  bool check_packing_;
  CdxFile* file_;
  std::vector<bool>* used_;
  Problems* problems_;
  std::string what_;
  uint32_t key_length_;
  uint8_t pad_;
  Visit visit_;
  std::vector<Level> levels_;
  int leaf_depth_ = -1;
  std::vector<uint8_t> previous_;
  uint32_t previous_recno_ = 0;
  uint64_t entries_ = 0;
};

// The free-page list: sound pages, blank but for the link, used by no tree; and a file of
// whole pages.
Status CheckFreeList(CdxFile* file, std::vector<bool>* used_pages, Problems* problems) {
  std::vector<bool>& used = *used_pages;
  uint32_t head = file->free_head();
  const uint64_t limit = file->size() / kPageSize + 1;
  for (uint64_t steps = 0; head != 0 && head != kNoPage; ++steps) {
    if (steps > limit) {
      problems->Add("free list runs in a circle");
      break;
    }
    if (head % kPageSize != 0 || head < kHeaderSize || uint64_t{head} + kPageSize > file->size()) {
      problems->Add("free list points outside the file (" + std::to_string(head) + ")");
      break;
    }
    const size_t number = head / kPageSize;
    if (number >= used.size()) used.resize(number + 1);
    if (used[number]) {
      problems->Add("free page " + std::to_string(head) + " is in use");
      break;
    }
    used[number] = true;
    Page page;
    XB_RETURN_IF_ERROR(file->ReadRaw(head, kPageSize, page.data()));
    for (uint32_t i = 4; i < kPageSize; ++i) {
      if (page[i] != 0) {
        problems->Add("free page " + std::to_string(head) + " is not blank");
        break;
      }
    }
    head = base::Le32(page.data());
  }
  if (file->size() % kPageSize != 0) problems->Add("file length is not a multiple of the page size");

  return Status::Ok();
}

}  // namespace

Status CheckShape(Core& core, std::vector<uint64_t>* keys) {
  std::vector<std::string> lines;
  Problems problems(&lines);
  CdxFile* file = core.file.get();
  std::vector<bool> used(file->size() / kPageSize + 1);
  used[0] = used[1] = true;  // the directory header
  keys->assign(core.tags.size(), 0);
  for (size_t t = 0; t < core.tags.size(); ++t) {
    const TagState& tag = core.tags[t];
    for (uint32_t p = 0; p < 2; ++p) {
      const size_t number = tag.header_offset / kPageSize + p;
      if (number >= used.size()) used.resize(number + 1);
      used[number] = true;
    }
    TreeWalk walk(file, &used, &problems, "tag " + tag.def.name, tag.tree->key_length(), tag.tree->pad(),
                  [](const uint8_t*, uint32_t) {}, false);
    walk.Run(tag.tree->root());
    (*keys)[t] = walk.entries();
  }
  XB_RETURN_IF_ERROR(CheckFreeList(file, &used, &problems));
  if (problems.count() > 0) return Status::Corrupt(lines.front());
  return Status::Ok();
}

namespace {

// An order-free digest of (key, record) pairs: the sums of two independent 64-bit hashes
// of each pair. Two collections of pairs, each without a repeated record, with equal
// counts and digests hold the same pairs but for a chance of about one in 2^64 (a guard
// against damage, not against a forger).
class PairDigest {
 public:
  void Add(const uint8_t* key, uint32_t length, uint32_t recno) {
    uint64_t a = 0x243F6A8885A308D3ull ^ recno;
    uint64_t b = 0x13198A2E03707344ull ^ (uint64_t{recno} << 32);
    for (uint32_t i = 0; i < length; i += 8) {
      uint64_t word = 0;
      std::memcpy(&word, key + i, std::min<uint32_t>(8, length - i));
      a = (a ^ word) * 0x9E3779B97F4A7C15ull;
      a ^= a >> 29;
      b = (b + word) * 0xC2B2AE3D27D4EB4Full;
      b ^= b >> 31;
    }
    a_ += Finish(a ^ length);
    b_ += Finish(b + length);
  }
  bool operator==(const PairDigest&) const = default;

 private:
  static uint64_t Finish(uint64_t x) {
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ull;
    return x ^ (x >> 33);
  }
  uint64_t a_ = 0;
  uint64_t b_ = 0;
};

// Per tag, the digest and number of the (key, record) pairs the records call for, in one
// pass over the records in file order. False when a record cannot be read.
bool DigestRecords(Core& core, RecordSource& records, uint32_t n, std::vector<PairDigest>* digests,
                   std::vector<uint64_t>* counts) {
  const size_t tags = core.tags.size();
  digests->assign(tags, PairDigest());
  counts->assign(tags, 0);
  std::vector<char> meets(tags);
  uint8_t key[kMaxKeyLength];
  return records
      .ScanRecords(n,
                   [&](uint32_t r, const uint8_t* image) {
                     for (size_t t = 0; t < tags; ++t) {
                       const TagState& tag = core.tags[t];
                       const size_t c = core.condition_of[t];
                       meets[t] = c == t ? tag.maker.Meets({image, r}) : meets[c];
                       if (!meets[t]) continue;
                       tag.maker.MakeKey({image, r}, key);
                       (*digests)[t].Add(key, tag.maker.key_length(), r);
                       ++(*counts)[t];
                     }
                   })
      .ok();
}

}  // namespace

Status VerifyIndex(Core& core, RecordSource& records, std::vector<std::string>* out) {
  IndexLock lock(&core);
  XB_RETURN_IF_ERROR(lock.Acquire(false));
  Problems problems(out);
  CdxFile* file = core.file.get();
  std::vector<bool> used(file->size() / kPageSize + 1);
  used[0] = used[1] = true;  // the directory header

  // The directory: sorted names, each pointing at its tag's header.
  uint8_t dir[kHeaderSize];
  XB_RETURN_IF_ERROR(file->ReadRaw(0, sizeof dir, dir));
  {
    TreeWalk walk(file, &used, &problems, "tag directory", kDirectoryKeyLength, kCharacterPad,
                  [](const uint8_t*, uint32_t) {});
    walk.Run(base::Le32(dir + kHdrRoot));
    if (walk.entries() != core.tags.size()) {
      problems.Add("tag directory: entries do not match the tags");
    }
  }
  for (const TagState& t : core.tags) {
    for (uint32_t p = 0; p < 2; ++p) {
      const size_t number = t.header_offset / kPageSize + p;
      if (number >= used.size()) used.resize(number + 1);
      if (used[number]) problems.Add("tag " + t.def.name + ": header overlaps another page");
      used[number] = true;
    }
  }

  const uint32_t n = records.RecordCount();
  // Each tag is first walked against the digest of what the records call for, which needs
  // no record read per key; only a tag that shows a problem then is walked again against
  // the records key by key, to name each problem.
  std::vector<PairDigest> wanted;
  std::vector<uint64_t> wanted_count;
  const bool digested = DigestRecords(core, records, n, &wanted, &wanted_count);
  for (size_t i = 0; i < core.tags.size(); ++i) {
    const TagState& t = core.tags[i];
    if (digested) {
      std::vector<std::string> lines;
      Problems found(&lines);
      std::vector<bool> trial = used;
      std::vector<bool> seen(size_t{n} + 1);
      PairDigest digest;
      bool fine = true;
      auto visit = [&](const uint8_t* k, uint32_t recno) {
        if (recno == 0 || recno > n || seen[recno]) {
          fine = false;
          return;
        }
        seen[recno] = true;
        digest.Add(k, t.maker.key_length(), recno);
      };
      TreeWalk walk(file, &trial, &found, "tag " + t.def.name, t.tree->key_length(), t.tree->pad(), visit);
      walk.Run(t.tree->root());
      if (fine && found.count() == 0 && walk.entries() == wanted_count[i] && digest == wanted[i]) {
        used = std::move(trial);
        continue;
      }
    }
    std::vector<bool> seen(size_t{n} + 1);
    std::vector<uint8_t> key(t.maker.key_length());
    Status read_error;
    const std::string what = "tag " + t.def.name;
    auto visit = [&](const uint8_t* k, uint32_t recno) {
      if (recno == 0 || recno > n) {
        problems.Add(what + ": record " + std::to_string(recno) + " does not exist");
        return;
      }
      if (seen[recno]) problems.Add(what + ": record " + std::to_string(recno) + " has two keys");
      seen[recno] = true;
      const uint8_t* image = nullptr;
      Status s = records.ReadRecord(recno, &image);
      if (!s.ok()) {
        if (read_error.ok()) read_error = s;
        return;
      }
      if (!t.maker.Meets({image, recno})) {
        problems.Add(what + ": record " + std::to_string(recno) + " does not meet the condition");
      }
      t.maker.MakeKey({image, recno}, key.data());
      if (std::memcmp(key.data(), k, key.size()) != 0) {
        problems.Add(what + ": key of record " + std::to_string(recno) +
                     " does not match the record");
      }
    };
    TreeWalk walk(file, &used, &problems, what, t.tree->key_length(), t.tree->pad(), visit);
    walk.Run(t.tree->root());
    XB_RETURN_IF_ERROR(read_error);
    for (uint32_t r = 1; r <= n; ++r) {
      if (seen[r]) continue;
      const uint8_t* image = nullptr;
      XB_RETURN_IF_ERROR(records.ReadRecord(r, &image));
      if (t.maker.Meets({image, r})) {
        problems.Add(what + ": record " + std::to_string(r) + " has no key");
      }
    }
  }

  XB_RETURN_IF_ERROR(CheckFreeList(file, &used, &problems));
  if (problems.count() > 0) {
    return Status::Corrupt(std::to_string(problems.count()) + " problems in index " + core.path);
  }
  return Status::Ok();
}

}  // namespace xbase::cdx
