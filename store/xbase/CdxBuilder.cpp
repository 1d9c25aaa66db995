#include "store/xbase/CdxBuilder.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "store/xbase/CdxFormat.h"
#include "store/xbase/CdxHeader.h"
#include "store/xbase/CdxNode.h"
#include "store/xbase/File.h"

namespace xbase::cdx {

namespace {

// ---- sorting: radix passes over 8-byte big-endian chunks of the keys

struct SortItem {
  uint64_t prefix;
  uint32_t index;
  uint32_t unused;
};

inline uint64_t LoadChunk(const uint8_t* key, uint32_t key_length, uint32_t offset) {
  uint64_t v = 0;
  if (offset + 8 <= key_length) {
    std::memcpy(&v, key + offset, 8);
  } else if (offset < key_length) {
    std::memcpy(&v, key + offset, key_length - offset);  // bytes past the key stay 0
  }
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}

// Stable LSD radix sort on `prefix`, skipping byte positions where every item agrees.
void RadixSort(SortItem* a, SortItem* tmp, size_t n) {
  static thread_local size_t hist[8][256];
  std::memset(hist, 0, sizeof hist);
  for (size_t i = 0; i < n; ++i) {
    const uint64_t p = a[i].prefix;
    for (int b = 0; b < 8; ++b) ++hist[b][(p >> (8 * b)) & 0xFF];
  }
  SortItem* src = a;
  SortItem* dst = tmp;
  for (int b = 0; b < 8; ++b) {
    if (hist[b][(src[0].prefix >> (8 * b)) & 0xFF] == n) continue;
    size_t pos[256];
    size_t sum = 0;
    for (int v = 0; v < 256; ++v) {
      pos[v] = sum;
      sum += hist[b][v];
    }
    for (size_t i = 0; i < n; ++i) dst[pos[(src[i].prefix >> (8 * b)) & 0xFF]++] = src[i];
    std::swap(src, dst);
  }
  if (src != a) std::memcpy(a, src, n * sizeof(SortItem));
}

void SortByPrefix(SortItem* a, SortItem* tmp, size_t n) {
  if (n <= 48) {
    for (size_t i = 1; i < n; ++i) {  // insertion sort: stable
      const SortItem x = a[i];
      size_t j = i;
      while (j > 0 && a[j - 1].prefix > x.prefix) {
        a[j] = a[j - 1];
        --j;
      }
      a[j] = x;
    }
  } else if (n < 4096) {
    std::sort(a, a + n, [](const SortItem& x, const SortItem& y) {
      return x.prefix != y.prefix ? x.prefix < y.prefix : x.index < y.index;
    });
  } else {
    RadixSort(a, tmp, n);
  }
}

// `a` is sorted by the chunk at `offset`; orders each run of equal chunks by the rest.
void SortRuns(SortItem* a, SortItem* tmp, size_t n, const uint8_t* keys, uint32_t key_length,
              uint32_t offset) {
  const uint32_t next = offset + 8;
  if (next >= key_length) return;
  size_t i = 0;
  while (i < n) {
    size_t j = i + 1;
    while (j < n && a[j].prefix == a[i].prefix) ++j;
    const size_t m = j - i;
    if (m > 1) {
      SortItem* run = a + i;
      for (size_t k = 0; k < m; ++k) {
        if (k + 8 < m) __builtin_prefetch(keys + size_t{run[k + 8].index} * key_length + next);
        run[k].prefix = LoadChunk(keys + size_t{run[k].index} * key_length, key_length, next);
      }
      // Items of a run arrive in key order so far and position order within it: often
      // (equal keys, blank tails) the next chunk leaves them in order too.
      bool ordered = true;
      for (size_t k = 1; k < m && ordered; ++k) ordered = run[k - 1].prefix <= run[k].prefix;
      if (!ordered) SortByPrefix(run, tmp, m);
      SortRuns(run, tmp, m, keys, key_length, next);
    }
    i = j;
  }
}

// ---- large arrays: anonymous mappings, on huge pages where the system offers them, so
// that filling them does not take a page fault every 4 KB

template <typename T>
class LargeArray {
 public:
  LargeArray() = default;
  ~LargeArray() { Reset(); }
  LargeArray(const LargeArray&) = delete;
  LargeArray& operator=(const LargeArray&) = delete;
  LargeArray(LargeArray&& other) noexcept : data_(other.data_), bytes_(other.bytes_) {
    other.data_ = nullptr;
    other.bytes_ = 0;
  }

  // Room for `n` items (contents undefined); false when there is no memory.
  [[nodiscard]] bool Allocate(size_t n) {
    Reset();
    if (n == 0) return true;
    bytes_ = n * sizeof(T);
    void* p = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      bytes_ = 0;
      return false;
    }
    ::madvise(p, bytes_, MADV_HUGEPAGE);
    data_ = static_cast<T*>(p);
    return true;
  }
  void Reset() {
    if (data_ != nullptr) ::munmap(data_, bytes_);
    data_ = nullptr;
    bytes_ = 0;
  }
  T* get() const { return data_; }
  T& operator[](size_t i) const { return data_[i]; }

 private:
  T* data_ = nullptr;
  size_t bytes_ = 0;
};

// ---- progress: every whole percentage once, in order

class Progress {
 public:
  explicit Progress(const ProgressFn& fn) : fn_(fn) {}
  void Start() { last_ = -1; }
  void Report(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (!fn_) {
      last_ = percent;
      return;
    }
    while (last_ < percent) fn_(++last_);
  }

 private:
  const ProgressFn& fn_;
  int last_ = -1;
};

// ---- sequential page output with a large buffer

class PageWriter {
 public:
  PageWriter(File* file, uint64_t start) : file_(file), start_(start) { buffer_.reserve(kBufferBytes); }

  uint64_t offset() const { return start_ + buffer_.size(); }

  Status Append(const uint8_t* bytes, size_t len) {
    buffer_.insert(buffer_.end(), bytes, bytes + len);
    if (buffer_.size() >= kBufferBytes) return Flush();
    return Status::Ok();
  }

  Status Flush() {
    XB_RETURN_IF_ERROR(WriteAt(start_, buffer_.data(), buffer_.size()));
    start_ += buffer_.size();
    buffer_.clear();
    return Status::Ok();
  }

  Status WriteAt(uint64_t at, const uint8_t* bytes, size_t len) {
    if (len == 0) return Status::Ok();
    return file_->Write(at, bytes, len);
  }

 private:
  static constexpr size_t kBufferBytes = size_t{1} << 20;
  File* file_;
  uint64_t start_;
  std::vector<uint8_t> buffer_;
};

// Entries of one tag gathered in the pass over the records.
struct TagKeys {
  uint32_t key_length = 0;
  uint8_t pad = 0x20;
  LargeArray<uint8_t> keys;  // count keys of key_length bytes, in record order
  LargeArray<uint32_t> recnos;
  uint32_t count = 0;
};

// Sorts the tags' keys on background threads, in tag order, while the caller writes the
// tags sorted already. Without threads (or for small tables) Wait sorts itself.
class TagSorter {
 public:
  TagSorter(std::vector<TagKeys>& keys, unsigned threads)
      : keys_(keys), state_(keys.size(), kPending), orders_(keys.size()) {
    try {
      for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Fewer threads (perhaps none): Wait sorts what is left.
    }
  }

  ~TagSorter() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      next_ = keys_.size();  // no new work
    }
    for (std::thread& t : threads_) t.join();
  }

  // The order of tag t's keys; false when there was no memory to sort them.
  [[nodiscard]] bool Wait(size_t t, std::vector<uint32_t>* order) {
    std::unique_lock<std::mutex> lock(mu_);
    if (threads_.empty() && state_[t] == kPending) {
      lock.unlock();
      const bool ok = SortOne(t);
      lock.lock();
      state_[t] = ok ? kDone : kFailed;
    }
    cv_.wait(lock, [&] { return state_[t] != kPending; });
    order->swap(orders_[t]);
    return state_[t] == kDone;
  }

 private:
  enum State { kPending, kDone, kFailed };

  [[nodiscard]] bool SortOne(size_t t) {
    try {
      return SortKeys(keys_[t].keys.get(), keys_[t].key_length, keys_[t].count, &orders_[t]);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

  void Work() {
    for (;;) {
      size_t t = 0;
      {
        std::lock_guard<std::mutex> lock(mu_);
        if (next_ >= keys_.size()) return;
        t = next_++;
      }
      const bool ok = SortOne(t);
      {
        std::lock_guard<std::mutex> lock(mu_);
        state_[t] = ok ? kDone : kFailed;
      }
      cv_.notify_all();
    }
  }

  std::vector<TagKeys>& keys_;
  std::mutex mu_;
  std::condition_variable cv_;
  size_t next_ = 0;
  std::vector<State> state_;
  std::vector<std::vector<uint32_t>> orders_;
  std::vector<std::thread> threads_;
};

// Tables from this many records on sort on background threads.
constexpr uint32_t kThreadedSort = 50000;

struct ChildRef {
  uint32_t entry;  // position of the subtree's last entry in the tag's key array
  uint32_t offset;
};

// Writes one tag's tree (leaves, then interior levels) and returns its root.
Status WriteTree(PageWriter& out, const TagKeys& t, const std::vector<uint32_t>& order,
                 uint32_t record_count, Progress& progress, int from, int to, uint32_t* root) {
  const uint32_t klen = t.key_length;
  const size_t n = order.size();
  LeafPacker packer(klen, t.pad, ChooseLeafWidths(klen, record_count));
  packer.Reset();
  std::vector<ChildRef> children;
  uint32_t left = kNoPage;
  const uint64_t step = std::max<uint64_t>(1, n / 64);
  auto flush_leaf = [&](bool last, uint32_t last_entry) -> Status {
    const uint32_t here = static_cast<uint32_t>(out.offset());
    const bool only = last && children.empty();
    packer.Finish(only ? (kAttrRoot | kAttrLeaf) : kAttrLeaf, left,
                  last ? kNoPage : here + kPageSize);
    XB_RETURN_IF_ERROR(out.Append(packer.page(), kPageSize));
    children.push_back({last_entry, here});
    left = here;
    packer.Reset();
    return Status::Ok();
  };
  uint64_t until_report = 0;
  for (size_t k = 0; k < n; ++k) {
    // Sorted keys lie all over the key and record-number arrays: both are fetched ahead.
    if (k + 16 < n) {
      __builtin_prefetch(t.keys.get() + size_t{order[k + 16]} * klen);
      __builtin_prefetch(t.recnos.get() + order[k + 16]);
    }
    const uint32_t idx = order[k];
    const uint8_t* key = t.keys.get() + size_t{idx} * klen;
    if (!packer.Add(key, t.recnos[idx])) {
      XB_RETURN_IF_ERROR(flush_leaf(false, order[k - 1]));
      if (!packer.Add(key, t.recnos[idx])) return Status::Corrupt("index key does not fit a leaf");
    }
    if (until_report-- == 0) {
      progress.Report(from + static_cast<int>((to - from) * k / n));
      until_report = step - 1;
    }
  }
  if (n == 0) {
    const uint32_t here = static_cast<uint32_t>(out.offset());
    packer.Finish(kAttrRoot | kAttrLeaf, kNoPage, kNoPage);
    XB_RETURN_IF_ERROR(out.Append(packer.page(), kPageSize));
    *root = here;
    return Status::Ok();
  }
  XB_RETURN_IF_ERROR(flush_leaf(true, order[n - 1]));

  const uint32_t fan = MaxInteriorEntries(klen);
  const uint32_t step_bytes = klen + 8;
  while (children.size() > 1) {
    const size_t nodes = (children.size() + fan - 1) / fan;
    const uint32_t base = static_cast<uint32_t>(out.offset());
    std::vector<ChildRef> parents;
    parents.reserve(nodes);
    for (size_t j = 0; j < nodes; ++j) {
      const size_t begin = j * fan;
      const size_t end = std::min(children.size(), begin + fan);
      Page page{};
      const uint16_t attributes = nodes == 1 ? kAttrRoot : 0;
      base::PutLe16(page.data() + kNodeAttributes, attributes);
      base::PutLe16(page.data() + kNodeKeyCount, static_cast<uint16_t>(end - begin));
      base::PutLe32(page.data() + kNodeLeft,
              j == 0 ? kNoPage : base + static_cast<uint32_t>(j - 1) * kPageSize);
      base::PutLe32(page.data() + kNodeRight,
              j + 1 == nodes ? kNoPage : base + static_cast<uint32_t>(j + 1) * kPageSize);
      for (size_t c = begin; c < end; ++c) {
        uint8_t* p = page.data() + kInteriorEntries + (c - begin) * step_bytes;
        const uint32_t entry = children[c].entry;
        std::memcpy(p, t.keys.get() + size_t{entry} * klen, klen);
        base::PutBe32(p + klen, t.recnos[entry]);
        base::PutBe32(p + klen + 4, children[c].offset);
      }
      XB_RETURN_IF_ERROR(out.Append(page.data(), kPageSize));
      parents.push_back({children[end - 1].entry, base + static_cast<uint32_t>(j) * kPageSize});
    }
    children = std::move(parents);
  }
  *root = children[0].offset;
  progress.Report(to);
  return Status::Ok();
}

class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  ~TempFile() {
    file_.Close();
    if (!kept_) (void)RemoveFile(path_);
  }
  Status Create() { return File::CreateTruncate(path_, &file_); }
  // Syncs and closes the file and renames it to `target`, then syncs the folder, so that
  // the new name never stands for a file whose content may still be lost.
  Status Commit(const std::string& target) {
    XB_RETURN_IF_ERROR(file_.Sync());
    file_.Close();
    XB_RETURN_IF_ERROR(RenameFile(path_, target));
    kept_ = true;
    return SyncParentDirectory(target);
  }
  File* file() { return &file_; }

 private:
  std::string path_;
  File file_;
  bool kept_ = false;
};

}  // namespace

bool SortKeys(const uint8_t* keys, uint32_t key_length, uint32_t count,
              std::vector<uint32_t>* order) {
  LargeArray<SortItem> items;
  LargeArray<SortItem> tmp;
  if (!items.Allocate(count) || !tmp.Allocate(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    items[i].prefix = LoadChunk(keys + size_t{i} * key_length, key_length, 0);
    items[i].index = i;
    items[i].unused = 0;
  }
  SortByPrefix(items.get(), tmp.get(), count);
  SortRuns(items.get(), tmp.get(), count, keys, key_length, 0);
  order->resize(count);
  for (uint32_t i = 0; i < count; ++i) (*order)[i] = items[i].index;
  return true;
}

Status WriteIndexFile(const std::string& path, const std::vector<BuildTag>& tags,
                      RecordSource& records, const ProgressFn& progress_fn) {
  const uint32_t record_count = records.RecordCount();
  const size_t tag_count = tags.size();
  Progress progress(progress_fn);

  // Conditions shared by several tags are evaluated once per record.
  std::vector<const CdxKeyMaker*> conditions;
  std::vector<int> condition_of(tag_count, -1);
  for (size_t t = 0; t < tag_count; ++t) {
    const CdxKeyMaker* m = tags[t].maker;
    if (!m->has_for()) continue;
    for (size_t c = 0; c < conditions.size(); ++c) {
      if (conditions[c]->for_text() == m->for_text()) condition_of[t] = static_cast<int>(c);
    }
    if (condition_of[t] < 0) {
      condition_of[t] = static_cast<int>(conditions.size());
      conditions.push_back(m);
    }
  }

  std::vector<TagKeys> keys(tag_count);
  for (size_t t = 0; t < tag_count; ++t) {
    keys[t].key_length = tags[t].maker->key_length();
    keys[t].pad = tags[t].maker->pad();
    if (!keys[t].keys.Allocate(size_t{record_count} * keys[t].key_length) ||
        !keys[t].recnos.Allocate(record_count)) {
      return Status::IoError("not enough memory to build the index");
    }
  }

  // One pass over the records: conditions and keys of every tag. It counts as the first
  // half of the first tag's progress.
  progress.Start();
  progress.Report(0);
  std::vector<char> meets(conditions.size());
  const uint32_t step = std::max<uint32_t>(1, record_count / 64);
  XB_RETURN_IF_ERROR(records.ScanRecords(record_count, [&](uint32_t r, const uint8_t* image) {
    const EvalContext ctx{image, r};
    for (size_t c = 0; c < conditions.size(); ++c) meets[c] = conditions[c]->Meets(ctx);
    for (size_t t = 0; t < tag_count; ++t) {
      if (condition_of[t] >= 0 && !meets[static_cast<size_t>(condition_of[t])]) continue;
      TagKeys& k = keys[t];
      tags[t].maker->MakeKey(ctx, k.keys.get() + size_t{k.count} * k.key_length);
      k.recnos[k.count++] = r;
    }
    if (tag_count > 0 && r % step == 0) {
      progress.Report(static_cast<int>(uint64_t{50} * r / record_count));
    }
  }));

  // Large tables sort their tags on two threads while this one writes them.
  const unsigned cores = std::thread::hardware_concurrency();
  TagSorter sorter(keys, record_count >= kThreadedSort && tag_count > 1
                             ? std::min(2u, std::max(cores, 1u))
                             : 0u);

  TempFile temp(path + ".tmp");
  XB_RETURN_IF_ERROR(temp.Create());
  const uint64_t first_tag = kDirectoryRootInNewFile + kPageSize;
  PageWriter out(temp.file(), first_tag);
  std::vector<uint32_t> header_offsets(tag_count);
  std::vector<uint8_t> header(kHeaderSize);
  for (size_t t = 0; t < tag_count; ++t) {
    if (t > 0) {
      progress.Start();
      progress.Report(0);
    }
    // The first tag's share of the pass over the records is its first half.
    const int write_from = t == 0 ? 60 : 20;
    TagKeys& k = keys[t];
    std::vector<uint32_t> order;
    if (!sorter.Wait(t, &order)) return Status::IoError("not enough memory to sort the keys");
    progress.Report(write_from);

    if (out.offset() + kHeaderSize > 0xFFFFF000ull) {
      return Status::InvalidArgument("index would grow beyond 4 GB");
    }
    header_offsets[t] = static_cast<uint32_t>(out.offset());
    std::fill(header.begin(), header.end(), 0);
    XB_RETURN_IF_ERROR(out.Append(header.data(), kHeaderSize));  // written once the root is known
    uint32_t root = 0;
    XB_RETURN_IF_ERROR(WriteTree(out, k, order, record_count, progress, write_from, 100, &root));
    if (out.offset() > 0xFFFFF000ull) {
      return Status::InvalidArgument("index would grow beyond 4 GB");
    }
    XB_RETURN_IF_ERROR(EncodeTagHeader(root, k.key_length, tags[t].maker->key_text(),
                                       tags[t].maker->for_text(), header.data()));
    XB_RETURN_IF_ERROR(out.Flush());
    XB_RETURN_IF_ERROR(out.WriteAt(header_offsets[t], header.data(), kHeaderSize));
    // The keys are written: give their memory back before the next tag is sorted.
    k.keys.Reset();
    k.recnos.Reset();
    progress.Report(100);
  }
  XB_RETURN_IF_ERROR(out.Flush());

  // The directory: one root leaf of the tag names in name order.
  std::vector<size_t> by_name(tag_count);
  for (size_t t = 0; t < tag_count; ++t) by_name[t] = t;
  std::sort(by_name.begin(), by_name.end(),
            [&](size_t a, size_t b) { return tags[a].name < tags[b].name; });
  uint32_t largest = 0;
  for (uint32_t o : header_offsets) largest = std::max(largest, o);
  NodeEntries names(kDirectoryKeyLength);
  for (size_t t : by_name) {
    uint8_t name[kDirectoryKeyLength];
    std::memset(name, ' ', sizeof name);
    std::memcpy(name, tags[t].name.data(), std::min<size_t>(tags[t].name.size(), sizeof name));
    names.Append(name, header_offsets[t]);
  }
  Page leaf{};
  if (!EncodeLeaf(names, 0, names.size(), kCharacterPad,
                  ChooseLeafWidths(kDirectoryKeyLength, largest), kAttrRoot | kAttrLeaf, kNoPage,
                  kNoPage, leaf.data())) {
    return Status::InvalidArgument("too many tags for one index file");
  }
  std::vector<uint8_t> head(kHeaderSize + kPageSize);
  EncodeDirectoryHeader(kDirectoryRootInNewFile, 0, 0, head.data());
  std::memcpy(head.data() + kHeaderSize, leaf.data(), kPageSize);
  XB_RETURN_IF_ERROR(out.WriteAt(0, head.data(), head.size()));
  return temp.Commit(path);
}

}  // namespace xbase::cdx
