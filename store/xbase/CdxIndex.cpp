#include "store/xbase/CdxIndex.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "store/xbase/CdxBuilder.h"
#include "store/xbase/CdxCore.h"
#include "store/xbase/CdxFile.h"
#include "store/xbase/CdxFormat.h"
#include "store/xbase/CdxHeader.h"
#include "store/xbase/CdxKeyMaker.h"
#include "store/xbase/CdxNode.h"
#include "store/xbase/CdxTag.h"

namespace xbase {

namespace {

using cdx::CdxFile;
using cdx::CdxKeyMaker;
using cdx::CdxTag;
using cdx::Core;
using cdx::IndexLock;
using cdx::NodeEntries;
using cdx::NodeHeader;
using cdx::TagState;

// Tags a directory leaf can list whatever their header offsets.
constexpr size_t kMaxTags = 32;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool ValidTagName(std::string_view name) {
  if (name.empty() || name.size() > cdx::kDirectoryKeyLength) return false;
  const auto c0 = static_cast<unsigned char>(name[0]);
  if (!std::isalpha(c0) && c0 != '_') return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (!std::isalnum(u) && u != '_') return false;
  }
  return true;
}

Status TagProblem(const TagState& t, const Status& s) {
  std::string message = "tag " + t.def.name + ": " + s.message();
  switch (s.code()) {
    case Status::Code::kIoError:
      return Status::IoError(message);
    case Status::Code::kInUse:
      return Status::InUse(message);
    case Status::Code::kReadOnly:
      return Status::ReadOnly(message);
    default:
      return Status::Corrupt(message);
  }
}

// Reads the directory: (tag name, header offset) pairs in leaf order.
Status ReadDirectory(CdxFile* file, uint32_t root,
                     std::vector<std::pair<std::string, uint32_t>>* out) {
  uint32_t zero = 0;
  CdxTag dir(file, root, cdx::kDirectoryKeyLength, cdx::kCharacterPad, &zero);
  uint32_t leaf = 0;
  XB_RETURN_IF_ERROR(dir.EdgeLeaf(false, &leaf));
  const uint64_t limit = file->size() / cdx::kPageSize + 1;
  NodeEntries e;
  NodeHeader h;
  for (uint64_t steps = 0; leaf != cdx::kNoPage; ++steps) {
    if (steps > limit) return Status::Corrupt("tag directory runs in a circle");
    XB_RETURN_IF_ERROR(dir.LoadLeaf(leaf, &e, &h));
    for (size_t i = 0; i < e.size(); ++i) {
      std::string name(reinterpret_cast<const char*>(e.key(i)), e.key_length());
      // Directory keys may be padded with blanks or NULs.
      while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
      out->emplace_back(Upper(name), e.recno(i));
    }
    leaf = h.right;
  }
  return Status::Ok();
}

// Checks the node at `offset` decodes as what it claims to be.
Status CheckNode(CdxFile* file, uint32_t offset, uint32_t key_length, uint8_t pad) {
  const uint8_t* page = nullptr;
  XB_RETURN_IF_ERROR(file->Read(offset, &page));
  NodeEntries e;
  if (cdx::ReadNodeHeader(page).leaf()) return cdx::DecodeLeaf(page, key_length, pad, &e);
  XB_RETURN_IF_ERROR(cdx::DecodeInterior(page, key_length, &e));
  if (e.empty()) return Status::Corrupt("interior node without entries");
  return Status::Ok();
}

// Fails kCorrupt/kNotSupported unless the header describes a tag this engine can keep.
Status CheckTagHeader(const cdx::HeaderFields& h) {
  if (h.signature != cdx::kSignature) return Status::Corrupt("bad header signature");
  if (h.key_length == 0 || h.key_length > cdx::kMaxKeyLength) {
    return Status::Corrupt("bad key length " + std::to_string(h.key_length));
  }
  if ((h.options & cdx::kOptCompact) == 0) return Status::Corrupt("not a compact index tag");
  if ((h.options & (cdx::kOptUnique | cdx::kOptCandidate | cdx::kOptBitVector)) != 0) {
    return Status::NotSupported(
        "unique, candidate and bit-vector tags are not maintained by this engine");
  }
  if (h.order != 0) {
    return Status::NotSupported("descending tags are not maintained by this engine");
  }
  if (!h.plain_collation) {
    return Status::NotSupported("tags with a collation sequence are not maintained by this engine");
  }
  return Status::Ok();
}

// A record source with no records (for emptying every tag).
class NoRecords : public RecordSource {
 public:
  uint32_t RecordCount() override { return 0; }
  Status ReadRecord(uint32_t, const uint8_t**) override { return Status::NotFound("no records"); }
};

// ---- cursor

class TagCursor : public CdxIndex::Cursor {
 public:
  TagCursor(Core* core, size_t tag) : core_(core), tag_(tag) {}

  Status First() override {
    IndexLock lock(core_);
    XB_RETURN_IF_ERROR(lock.Acquire(false));
    return ToEdge(false);
  }

  Status Last() override {
    IndexLock lock(core_);
    XB_RETURN_IF_ERROR(lock.Acquire(false));
    return ToEdge(true);
  }

  Status Next() override {
    IndexLock lock(core_);
    XB_RETURN_IF_ERROR(lock.Acquire(false));
    if (eof_) return Status::Ok();
    if (!on_) return ToEdge(false);
    if (generation_ != core_->generation) {
      bool exact = false;
      XB_RETURN_IF_ERROR(Reposition(&exact));
      if (!exact) return Status::Ok();  // our entry is gone: we stand on its successor
    }
    return Step(true);
  }

  Status Prior() override {
    IndexLock lock(core_);
    XB_RETURN_IF_ERROR(lock.Acquire(false));
    if (bof_) return Status::Ok();
    if (!on_) return ToEdge(true);
    if (generation_ != core_->generation) {
      bool exact = false;
      XB_RETURN_IF_ERROR(Reposition(&exact));
      if (eof_) return ToEdge(true);  // everything from our entry on is gone
    }
    return Step(false);
  }

  Status Seek(std::string_view key, bool* exact) override {
    *exact = false;
    IndexLock lock(core_);
    XB_RETURN_IF_ERROR(lock.Acquire(false));
    CdxTag& tree = Tree();
    const uint32_t prefix = static_cast<uint32_t>(std::min<size_t>(key.size(), tree.key_length()));
    target_.assign(tree.key_length(), 0);
    std::memcpy(target_.data(), key.data(), prefix);
    XB_RETURN_IF_ERROR(SeekTo({target_.data(), prefix, 0}));
    *exact = on_ && std::memcmp(key_.data(), target_.data(), prefix) == 0;
    return Status::Ok();
  }

  Status Locate(uint32_t recno, const uint8_t* image) override {
    IndexLock lock(core_);
    XB_RETURN_IF_ERROR(lock.Acquire(false));
    const TagState& t = core_->tags[tag_];
    const EvalContext ctx{image, recno};
    if (!t.maker.Meets(ctx)) return Status::NotFound("record not in tag " + t.def.name);
    const uint32_t klen = t.maker.key_length();
    target_.assign(klen, 0);
    t.maker.MakeKey(ctx, target_.data());
    XB_RETURN_IF_ERROR(SeekTo({target_.data(), klen, recno}));
    if (!on_ || recno_ != recno || key_ != target_) {
      return Status::NotFound("record " + std::to_string(recno) + " not in tag " + t.def.name);
    }
    return Status::Ok();
  }

  bool eof() const override { return eof_; }
  bool bof() const override { return bof_; }
  uint32_t recno() const override { return on_ ? recno_ : 0; }
  std::string_view key() const override {
    return on_ ? std::string_view(reinterpret_cast<const char*>(key_.data()), key_.size())
               : std::string_view();
  }

 private:
  CdxTag& Tree() { return *core_->tags[tag_].tree; }

  void Land() {
    on_ = true;
    eof_ = false;
    bof_ = false;
    key_.assign(entries_.key(pos_), entries_.key(pos_) + entries_.key_length());
    recno_ = entries_.recno(pos_);
    generation_ = core_->generation;
  }

  void OffEnd(bool at_end) {
    on_ = false;
    eof_ = at_end;
    bof_ = !at_end;
    generation_ = core_->generation;
  }

  // Takes a copy of the leaf (the file may change under it) and starts decoding it.
  Status Load(uint32_t leaf) {
    const uint8_t* page = nullptr;
    XB_RETURN_IF_ERROR(core_->file->Read(leaf, &page));
    std::memcpy(raw_.data(), page, cdx::kPageSize);
    header_ = cdx::ReadNodeHeader(raw_.data());
    Status s = decoder_.Start(raw_.data(), Tree().key_length(), Tree().pad(), &entries_);
    if (!s.ok()) return Status::Corrupt("index node " + std::to_string(leaf) + ": " + s.message());
    leaf_ = leaf;
    return Status::Ok();
  }

  // Makes entry `i` of the loaded leaf readable.
  Status Decode(size_t i) {
    Status s = decoder_.DecodeTo(i + 1);
    if (!s.ok()) return Status::Corrupt("index node " + std::to_string(leaf_) + ": " + s.message());
    return Status::Ok();
  }

  // Moves on to the next non-empty leaf in `forward` direction; false at the end.
  Status NextLeaf(bool forward, bool* found) {
    *found = false;
    const uint64_t limit = core_->file->size() / cdx::kPageSize + 1;
    for (uint64_t steps = 0; steps <= limit; ++steps) {
      const uint32_t next = forward ? header_.right : header_.left;
      if (next == cdx::kNoPage) return Status::Ok();
      XB_RETURN_IF_ERROR(Load(next));
      if (decoder_.count() > 0) {
        pos_ = forward ? 0 : decoder_.count() - 1;
        XB_RETURN_IF_ERROR(Decode(pos_));
        *found = true;
        return Status::Ok();
      }
    }
    return Status::Corrupt("leaf chain runs in a circle");
  }

  Status ToEdge(bool last) {
    uint32_t leaf = 0;
    XB_RETURN_IF_ERROR(Tree().EdgeLeaf(last, &leaf));
    XB_RETURN_IF_ERROR(Load(leaf));
    if (decoder_.count() == 0) {
      bool found = false;
      XB_RETURN_IF_ERROR(NextLeaf(!last, &found));
      if (!found) {
        on_ = false;
        eof_ = true;
        bof_ = true;
        generation_ = core_->generation;
        return Status::Ok();
      }
    } else {
      pos_ = last ? decoder_.count() - 1 : 0;
      XB_RETURN_IF_ERROR(Decode(pos_));
    }
    Land();
    return Status::Ok();
  }

  Status Step(bool forward) {
    if (forward && pos_ + 1 < decoder_.count()) {
      XB_RETURN_IF_ERROR(Decode(pos_ + 1));
      ++pos_;
    } else if (!forward && pos_ > 0) {
      --pos_;  // entries before the position are decoded already
    } else {
      bool found = false;
      XB_RETURN_IF_ERROR(NextLeaf(forward, &found));
      if (!found) {
        OffEnd(forward);
        return Status::Ok();
      }
    }
    Land();
    return Status::Ok();
  }

  // Positions on the first entry >= target (eof when none), decoding the leaf only as
  // far as that entry.
  Status SeekTo(const cdx::SeekTarget& target) {
    uint32_t leaf = 0;
    XB_RETURN_IF_ERROR(Tree().FindLeaf(target, nullptr, &leaf));
    XB_RETURN_IF_ERROR(Load(leaf));
    const uint32_t klen = Tree().key_length();
    size_t i = 0;
    for (; i < decoder_.count(); ++i) {
      XB_RETURN_IF_ERROR(Decode(i));
      const int c = std::memcmp(entries_.key(i), target.key, target.prefix);
      if (c > 0 || (c == 0 && (target.prefix < klen || entries_.recno(i) >= target.recno))) break;
    }
    pos_ = i;
    if (pos_ == decoder_.count()) {
      bool found = false;
      XB_RETURN_IF_ERROR(NextLeaf(true, &found));
      if (!found) {
        OffEnd(true);
        return Status::Ok();
      }
    }
    Land();
    return Status::Ok();
  }

  // Finds the cursor's (key, record) again after the tree changed: on it when it is
  // still there (`*exact`), else on its successor or at eof.
  Status Reposition(bool* exact) {
    const std::vector<uint8_t> key = key_;
    const uint32_t recno = recno_;
    XB_RETURN_IF_ERROR(SeekTo({key.data(), Tree().key_length(), recno}));
    *exact = on_ && recno_ == recno && key_ == key;
    return Status::Ok();
  }

  Core* core_;
  size_t tag_;
  uint32_t leaf_ = 0;
  cdx::Page raw_{};
  cdx::LeafDecoder decoder_;
  NodeEntries entries_;
  NodeHeader header_;
  size_t pos_ = 0;
  bool on_ = false;
  bool eof_ = false;
  bool bof_ = false;
  std::vector<uint8_t> key_;
  uint32_t recno_ = 0;
  uint64_t generation_ = 0;
  std::vector<uint8_t> target_;
};

}  // namespace

struct CdxIndex::Impl {
  Core core;
};

CdxIndex::CdxIndex() : impl_(std::make_unique<Impl>()) {}
CdxIndex::~CdxIndex() = default;

std::string CdxIndex::StoredExpression(std::string_view text) {
  return cdx::CanonicalExpression(text);
}

namespace {

// Opens the file at `path` into `core` (which keeps its generation).
Status OpenCore(const std::string& path, std::span<const FieldDesc> fields, bool read_only,
                int code_page, Core* core) {
  std::unique_ptr<CdxFile> file;
  XB_RETURN_IF_ERROR(CdxFile::Open(path, read_only, &file));
  bool changed = false;
  XB_RETURN_IF_ERROR(file->Lock(false, &changed));
  struct Unlocker {
    CdxFile* f;
    ~Unlocker() { f->Unlock(); }
  } unlocker{file.get()};

  uint8_t header[cdx::kHeaderSize];
  XB_RETURN_IF_ERROR(file->ReadRaw(0, sizeof header, header));
  cdx::HeaderFields dir;
  Status s = cdx::DecodeHeader(header, &dir);
  if (!s.ok()) return Status::Corrupt("index directory: " + s.message());
  if (dir.key_length != cdx::kDirectoryKeyLength || (dir.options & cdx::kOptCompact) == 0 ||
      dir.signature != cdx::kSignature) {
    return Status::Corrupt("index " + path + " has a bad directory header");
  }
  std::vector<std::pair<std::string, uint32_t>> names;
  s = ReadDirectory(file.get(), dir.root, &names);
  if (!s.ok()) return Status::Corrupt("index directory: " + s.message());
  if (names.size() > 4 * kMaxTags) return Status::Corrupt("index directory lists too many tags");
  // Tags are numbered in creation order, which is the order of their header offsets.
  std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });

  std::vector<TagState> tags;
  tags.reserve(names.size());
  for (const auto& [name, offset] : names) {
    if (!ValidTagName(name)) return Status::Corrupt("index directory holds a bad tag name");
    for (const TagState& t : tags) {
      if (t.def.name == name) return Status::Corrupt("tag " + name + " is listed twice");
    }
    if (offset % cdx::kPageSize != 0 || offset < cdx::kHeaderSize) {
      return Status::Corrupt("tag " + name + " has a bad header offset");
    }
    uint8_t bytes[cdx::kHeaderSize];
    s = file->ReadRaw(offset, sizeof bytes, bytes);
    if (!s.ok()) return Status::Corrupt("tag " + name + ": " + s.message());
    cdx::HeaderFields h;
    s = cdx::DecodeHeader(bytes, &h);
    if (s.ok()) s = CheckTagHeader(h);
    if (!s.ok()) {
      if (s.code() == Status::Code::kNotSupported) {
        return Status::NotSupported("tag " + name + ": " + s.message());
      }
      return Status::Corrupt("tag " + name + ": " + s.message());
    }
    TagState t;
    t.def.name = name;
    t.def.key = h.key_expression;
    t.def.for_condition = h.for_expression;
    t.header_offset = offset;
    s = CdxKeyMaker::Compile(h.key_expression, h.for_expression, fields, &t.maker, code_page);
    if (!s.ok()) return Status::Corrupt("tag " + name + ": " + s.ToString());
    if (t.maker.key_length() != h.key_length) {
      return Status::Corrupt("tag " + name + ": key length " + std::to_string(h.key_length) +
                             " does not match its expression");
    }
    s = CheckNode(file.get(), h.root, h.key_length, t.maker.pad());
    if (!s.ok()) return Status::Corrupt("tag " + name + " root: " + s.message());
    t.tree = std::make_unique<CdxTag>(file.get(), h.root, h.key_length, t.maker.pad(),
                                      &core->record_hint);
    tags.push_back(std::move(t));
  }
  core->path = path;
  core->fields.assign(fields.begin(), fields.end());
  core->code_page = code_page;
  core->tags = std::move(tags);
  core->GroupConditions();
  core->file = std::move(file);
  core->changed_elsewhere = false;
  return Status::Ok();
}

}  // namespace

Status CdxIndex::Open(const std::string& path, std::span<const FieldDesc> fields, bool read_only,
                      std::unique_ptr<CdxIndex>* out, int code_page) {
  std::unique_ptr<CdxIndex> index(new CdxIndex());
  XB_RETURN_IF_ERROR(OpenCore(path, fields, read_only, code_page, &index->impl_->core));
  *out = std::move(index);
  return Status::Ok();
}

Status CdxIndex::Build(const std::string& path, std::span<const FieldDesc> fields,
                       const std::vector<TagDefinition>& tags, RecordSource& records,
                       const ProgressFn& progress, std::unique_ptr<CdxIndex>* out, int code_page) {
  if (tags.size() > kMaxTags) {
    return Status::InvalidArgument("at most " + std::to_string(kMaxTags) + " tags in one index");
  }
  std::vector<CdxKeyMaker> makers(tags.size());
  std::vector<cdx::BuildTag> build(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    const std::string name = Upper(tags[i].name);
    if (!ValidTagName(name)) {
      return Status::InvalidArgument("bad tag name \"" + tags[i].name + "\"");
    }
    for (size_t j = 0; j < i; ++j) {
      if (build[j].name == name) return Status::InvalidArgument("tag " + name + " given twice");
    }
    XB_RETURN_IF_ERROR(CdxKeyMaker::Compile(cdx::CanonicalExpression(tags[i].key),
                                            cdx::CanonicalExpression(tags[i].for_condition), fields,
                                            &makers[i], code_page));
    if (makers[i].key_text().size() + makers[i].for_text().size() + 2 > cdx::kPoolSize) {
      return Status::InvalidArgument("expressions of tag " + name + " are too long");
    }
    build[i].name = name;
    build[i].maker = &makers[i];
  }
  XB_RETURN_IF_ERROR(cdx::WriteIndexFile(path, build, records, progress));
  std::unique_ptr<CdxIndex> index;
  XB_RETURN_IF_ERROR(Open(path, fields, false, &index, code_page));
  index->impl_->core.record_hint = records.RecordCount();
  *out = std::move(index);
  return Status::Ok();
}

int CdxIndex::TagCount() const { return static_cast<int>(impl_->core.tags.size()); }

const TagDefinition& CdxIndex::Tag(int tag) const {
  return impl_->core.tags.at(static_cast<size_t>(tag)).def;
}

std::vector<TagDefinition> CdxIndex::Definitions() const {
  std::vector<TagDefinition> out;
  for (const TagState& t : impl_->core.tags) out.push_back(t.def);
  return out;
}

void CdxIndex::SetSharedAccess(bool shared) { impl_->core.file->set_shared(shared); }

void CdxIndex::SetLockTimeout(int milliseconds) {
  impl_->core.file->set_lock_timeout_ms(milliseconds);
}

Status CdxIndex::Sync() { return impl_->core.file->Sync(); }

Status CdxIndex::BeginRead() { return impl_->core.Acquire(false); }

void CdxIndex::EndRead() { impl_->core.file->Unlock(); }

Status CdxIndex::Update(uint32_t recno, const uint8_t* old_image, const uint8_t* new_image) {
  Core& core = impl_->core;
  if (core.file->read_only()) return Status::ReadOnly("index " + core.path + " is open read-only");
  if (recno == 0) return Status::InvalidArgument("record number 0");
  IndexLock lock(&core);
  XB_RETURN_IF_ERROR(lock.Acquire(true));
  core.record_hint = std::max(core.record_hint, recno);
  uint8_t old_key[cdx::kMaxKeyLength];
  uint8_t new_key[cdx::kMaxKeyLength];
  Status first_error;
  bool changed = false;
  std::vector<char> old_in(core.tags.size());
  std::vector<char> new_in(core.tags.size());
  for (size_t i = 0; i < core.tags.size(); ++i) {
    TagState& t = core.tags[i];
    const size_t c = core.condition_of[i];
    if (c == i) {
      old_in[i] = old_image != nullptr && t.maker.Meets({old_image, recno});
      new_in[i] = new_image != nullptr && t.maker.Meets({new_image, recno});
    } else {
      old_in[i] = old_in[c];
      new_in[i] = new_in[c];
    }
    const uint32_t klen = t.maker.key_length();
    if (old_in[i]) t.maker.MakeKey({old_image, recno}, old_key);
    if (new_in[i]) t.maker.MakeKey({new_image, recno}, new_key);
    if (old_in[i] && new_in[i] && std::memcmp(old_key, new_key, klen) == 0) continue;
    Status s;
    if (old_in[i]) {
      s = t.tree->Remove(old_key, recno);
      changed = changed || s.ok();
    }
    if (s.ok() && new_in[i]) {
      s = t.tree->Insert(new_key, recno);
      changed = changed || s.ok();
    }
    if (!s.ok() && first_error.ok()) first_error = TagProblem(t, s);
  }
  if (changed) {
    ++core.generation;
    Status s = core.file->BumpCounter();
    if (!s.ok() && first_error.ok()) first_error = s;
  }
  return first_error;
}

Status CdxIndex::Clear() {
  Core& core = impl_->core;
  if (core.file->read_only()) return Status::ReadOnly("index " + core.path + " is open read-only");
  std::vector<CdxKeyMaker> makers(core.tags.size());
  std::vector<cdx::BuildTag> build(core.tags.size());
  for (size_t i = 0; i < core.tags.size(); ++i) {
    build[i].name = core.tags[i].def.name;
    build[i].maker = &core.tags[i].maker;
  }
  NoRecords none;
  XB_RETURN_IF_ERROR(cdx::WriteIndexFile(core.path, build, none, {}));
  Core fresh;
  XB_RETURN_IF_ERROR(OpenCore(core.path, core.fields, false, core.code_page, &fresh));
  fresh.file->set_shared(core.file->shared());
  fresh.file->set_lock_timeout_ms(core.file->lock_timeout_ms());
  core.file = std::move(fresh.file);
  core.tags = std::move(fresh.tags);
  core.GroupConditions();
  for (TagState& t : core.tags) {
    t.tree = std::make_unique<CdxTag>(core.file.get(), t.tree->root(), t.tree->key_length(),
                                      t.tree->pad(), &core.record_hint);
  }
  core.record_hint = 0;
  ++core.generation;
  return Status::Ok();
}

Status CdxIndex::QuickCheck(RecordSource& records, const std::vector<TagDefinition>* expected) {
  Core& core = impl_->core;
  if (expected != nullptr) {
    for (const TagDefinition& want : *expected) {
      const auto it = std::find_if(core.tags.begin(), core.tags.end(), [&](const TagState& t) {
        return t.def.name == Upper(want.name);
      });
      if (it == core.tags.end()) return Status::Corrupt("tag " + Upper(want.name) + " is missing");
      if (Upper(it->def.key) != Upper(cdx::CanonicalExpression(want.key)) ||
          Upper(it->def.for_condition) != Upper(cdx::CanonicalExpression(want.for_condition))) {
        return Status::Corrupt("tag " + it->def.name + " has other expressions than expected");
      }
    }
  }
  IndexLock lock(&core);
  XB_RETURN_IF_ERROR(lock.Acquire(false));
  // The whole shape, not only the leaf chains: a power cut may keep some pages of a change
  // and not others, leaving the right number of keys in a broken tree.
  std::vector<uint64_t> keys;
  XB_RETURN_IF_ERROR(cdx::CheckShape(core, &keys));
  return CompareKeyCounts(records, keys);
}

Status CdxIndex::CountCheck(RecordSource& records) {
  Core& core = impl_->core;
  IndexLock lock(&core);
  XB_RETURN_IF_ERROR(lock.Acquire(false));
  std::vector<uint64_t> keys(core.tags.size());
  for (size_t t = 0; t < core.tags.size(); ++t) {
    Status s = core.tags[t].tree->CountKeys(&keys[t]);
    if (!s.ok()) return TagProblem(core.tags[t], s);
  }
  return CompareKeyCounts(records, keys);
}

Status CdxIndex::CompareKeyCounts(RecordSource& records, const std::vector<uint64_t>& keys) {
  Core& core = impl_->core;
  const uint32_t n = records.RecordCount();
  core.record_hint = std::max(core.record_hint, n);
  // Each distinct condition once per record; tags sharing it share its count.
  std::vector<uint64_t> meeting(core.tags.size());
  XB_RETURN_IF_ERROR(records.ScanRecords(n, [&](uint32_t r, const uint8_t* image) {
    for (size_t t = 0; t < core.tags.size(); ++t) {
      if (core.condition_of[t] == t && core.tags[t].maker.Meets({image, r})) ++meeting[t];
    }
  }));
  for (size_t t = 0; t < core.tags.size(); ++t) {
    const uint64_t want = meeting[core.condition_of[t]];
    if (keys[t] != want) {
      return Status::Corrupt("tag " + core.tags[t].def.name + " holds " + std::to_string(keys[t]) +
                             " keys for " + std::to_string(want) + " records");
    }
  }
  return Status::Ok();
}

Status CdxIndex::Verify(RecordSource& records, std::vector<std::string>* problems) {
  problems->clear();
  return cdx::VerifyIndex(impl_->core, records, problems);
}

bool CdxIndex::ChangedElsewhere() {
  Core& core = impl_->core;
  IndexLock lock(&core);
  if (!lock.Acquire(false).ok()) {
    bool changed = false;
    return core.file->PeekChanged(&changed).ok() && changed;
  }
  const bool changed = core.changed_elsewhere;
  core.changed_elsewhere = false;
  return changed;
}

std::unique_ptr<CdxIndex::Cursor> CdxIndex::NewCursor(int tag) {
  if (tag < 0 || tag >= TagCount()) return nullptr;
  return std::make_unique<TagCursor>(&impl_->core, static_cast<size_t>(tag));
}

}  // namespace xbase
