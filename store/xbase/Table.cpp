// Table: opening and creating the files, and reading the current record.
#include "store/xbase/TableImpl.h"

#include <cctype>
#include <cstring>

#include "base/ByteOrder.h"
#include "store/xbase/FptFormat.h"

namespace xbase {

bool Table::Impl::EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

Status Table::Impl::Prefixed(const Status& s, const std::string& prefix) {
  const std::string m = prefix + s.message();
  switch (s.code()) {
    case Status::Code::kOk: return s;
    case Status::Code::kNotFound: return Status::NotFound(m);
    case Status::Code::kIoError: return Status::IoError(m);
    case Status::Code::kCorrupt: return Status::Corrupt(m);
    case Status::Code::kRecordLocked: return Status::RecordLocked(m);
    case Status::Code::kInUse: return Status::InUse(m);
    case Status::Code::kSyntax: return Status::Syntax(m);
    case Status::Code::kTypeMismatch: return Status::TypeMismatch(m);
    case Status::Code::kReadOnly: return Status::ReadOnly(m);
    case Status::Code::kNeedExclusive: return Status::NeedExclusive(m);
    case Status::Code::kInvalidArgument: return Status::InvalidArgument(m);
    case Status::Code::kNotSupported: return Status::NotSupported(m);
    case Status::Code::kState: return Status::State(m);
  }
  return Status::IoError(m);
}

uint32_t Table::Impl::RecordCount() {
  RefreshCount();
  return count;
}

Status Table::Impl::ReadRecord(uint32_t n, const uint8_t** image) {
  if (n < 1 || n > count) {
    RefreshCount();
    if (n < 1 || n > count) return Status::InvalidArgument("record " + std::to_string(n) + " does not exist");
  }
  *image = RecordPtr(n);
  return *image != nullptr ? Status::Ok() : Status::IoError("cannot map " + path);
}

Status Table::Impl::ScanRecords(uint32_t n, const RecordVisit& visit) {
  if (n > count) {
    RefreshCount();
    if (n > count) return Status::InvalidArgument("record " + std::to_string(n) + " does not exist");
  }
  constexpr size_t kPiece = size_t{1} << 20;
  const uint32_t len = header.record_length;
  const uint32_t per_piece = static_cast<uint32_t>(std::max<size_t>(1, kPiece / len));
  std::vector<uint8_t> piece(size_t{per_piece} * len);
  for (uint32_t first = 1; first <= n;) {
    const uint32_t k = std::min(per_piece, n - first + 1);
    XB_RETURN_IF_ERROR(dbf.Read(RecordOffset(first), size_t{k} * len, piece.data()));
    for (uint32_t i = 0; i < k; ++i) visit(first + i, piece.data() + size_t{i} * len);
    first += k;
  }
  return Status::Ok();
}

void Table::Impl::SetCount(uint32_t header_count) {
  const uint64_t room = file_size > header.header_length ? file_size - header.header_length : 0;
  const uint64_t fits = room / header.record_length;
  truncated = header_count > fits;
  count = truncated ? static_cast<uint32_t>(fits) : header_count;
  header.record_count = header_count;
}

void Table::Impl::RefreshCount() {
  if (!shared()) return;
  uint64_t size = 0;
  if (!dbf.Size(&size).ok() || size == file_size) return;
  // The count first, then the size: a writer stores a record before the count that
  // includes it, so the size read afterwards covers every counted record.
  uint8_t raw[dbf::kRecordCountSize];
  if (!dbf.Read(dbf::kOffRecordCount, sizeof raw, raw).ok() || !dbf.Size(&size).ok()) return;
  file_size = size;
  SetCount(base::Le32(raw));
}

Status Table::Impl::DecodeMemoPointer(const uint8_t* image, const FieldDesc& f, uint32_t* block) const {
  const uint8_t* p = image + f.offset;
  if (header.memo_binary) {
    *block = base::Le32(p);
    return Status::Ok();
  }
  uint64_t v = 0;
  bool digits = false;
  for (uint32_t i = 0; i < f.width; ++i) {
    const uint8_t c = p[i];
    if (c == ' ' && !digits) continue;
    if (c < '0' || c > '9') {
      if (c == ' ' || c == 0) break;
      return Status::Corrupt("memo pointer of " + f.name + " is not a number");
    }
    digits = true;
    v = v * 10 + (c - '0');
  }
  if (v > 0xFFFFFFFFull) return Status::Corrupt("memo pointer of " + f.name + " is out of range");
  *block = static_cast<uint32_t>(v);
  return Status::Ok();
}

void Table::Impl::EncodeMemoPointer(uint8_t* image, const FieldDesc& f, uint32_t block) const {
  uint8_t* p = image + f.offset;
  if (header.memo_binary) {
    base::PutLe32(p, block);
    return;
  }
  std::memset(p, ' ', f.width);
  if (block == 0) return;
  for (int i = static_cast<int>(f.width) - 1; i >= 0 && block > 0; --i) {
    p[i] = static_cast<uint8_t>('0' + block % 10);
    block /= 10;
  }
}

Status Table::Impl::OpenFiles() {
  const bool writable = mode != OpenMode::kReadOnly;
  XB_RETURN_IF_ERROR(File::Open(path, writable, &dbf));
  XB_RETURN_IF_ERROR(dbf.LockOpenMode(mode == OpenMode::kExclusive));
  if (writable && PackCommitted()) {
    XB_RETURN_IF_ERROR(RecoverPack());
    XB_RETURN_IF_ERROR(File::Open(path, writable, &dbf));
    XB_RETURN_IF_ERROR(dbf.LockOpenMode(mode == OpenMode::kExclusive));
  }
  XB_RETURN_IF_ERROR(dbf.Size(&file_size));
  if (file_size < dbf::kHeaderSize) return Status::Corrupt(path + ": file is too short for a table header");
  uint8_t head[dbf::kHeaderSize];
  XB_RETURN_IF_ERROR(dbf.Read(0, sizeof head, head));
  const uint32_t header_length = base::Le16(head + dbf::kOffHeaderLength);
  std::vector<uint8_t> bytes(std::max<uint64_t>(dbf::kHeaderSize, std::min<uint64_t>(header_length, file_size)));
  XB_RETURN_IF_ERROR(dbf.Read(0, bytes.size(), bytes.data()));
  Status s = DbfHeader::Parse(bytes.data(), bytes.size(), &header);
  if (!s.ok()) return Prefixed(s, path + ": ");
  // The size again, now that the count is read: a shared writer extends the file before
  // it raises the count, so a size read after the count covers every counted record. The
  // size read before the header could miss an append made in between and take the table
  // for truncated.
  XB_RETURN_IF_ERROR(dbf.Size(&file_size));
  SetCount(header.record_count);
  if (truncated && writable) {
    return Status::Corrupt(path + " is truncated: its header counts " + std::to_string(header.record_count) +
                           " records but the file holds " + std::to_string(count));
  }
  blank.assign(header.record_length, ' ');
  rec = blank;
  DbfHeader::StampDate(today);

  if (header.HasMemo()) {
    memo.emplace();
    s = MemoFile::Open(memo_path, writable, mode == OpenMode::kExclusive, &*memo);
    if (s.IsNotFound()) return Status::Corrupt("memo file " + memo_path + " is missing");
    XB_RETURN_IF_ERROR(s);
  }

  bool closed_clean = false;
  XB_RETURN_IF_ERROR(TakeCloseMark(&closed_clean));
  const bool index_exists = FileExists(index_path);
  indexed_locks = index_exists;
  // Before the index is checked against the records.
  bool cut_short = false;
  if (writable && memo) XB_RETURN_IF_ERROR(FinishTornRewrite(&cut_short));
  if (index_exists || (header.flags & dbf::kFlagStructuralIndex) != 0) {
    s = CdxIndex::Open(index_path, header.fields, !writable, &cdx, CodePageOfMark(header.code_page));
    if (s.IsNotFound()) {
      index_state = IndexState::kMissing;
      index_problem = "index file " + index_path + " is missing";
    } else if (!s.ok()) {
      index_state = IndexState::kDamaged;
      index_problem = s.message();
      cdx.reset();
    } else {
      cdx->SetSharedAccess(shared());
      // The whole of every tree only when the last writer may have stopped half way.
      s = closed_clean && !cut_short ? cdx->CountCheck(*this) : cdx->QuickCheck(*this);
      if (s.ok() && cut_short) s = Status::Corrupt("an edit was cut short and its keys may be half changed");
      if (s.ok()) {
        index_state = IndexState::kOk;
      } else {
        index_state = IndexState::kDamaged;
        index_problem = s.message();
        cdx.reset();
      }
    }
  }
  if (cut_short && !index_exists && (header.flags & dbf::kFlagStructuralIndex) == 0) {
    // No index to rebuild: the entry has done its work.
    XB_RETURN_IF_ERROR(memo->ClearRedo(true));
  }
  return GoTop();
}

namespace {

bool IsWriterCount(uint32_t mark) {
  return (mark & 0xFFFF0000u) == fpt::kOpenWriters && (mark & 0xFFFFu) != 0;
}

// The byte lock that makes reading and rewriting the close mark one step among opens.
Status LockMark(int fd, const std::string& path, FileLock* lock) {
  Status s = FileLock::Acquire(fd, fpt::kMarkLockOffset, 1, true, 3000, lock);
  if (s.IsRecordLocked()) return Status::InUse(path + " is held by another program");
  return s;
}

}  // namespace

Status Table::Impl::TakeCloseMark(bool* was_clean) {
  *was_clean = false;
  if (!memo) return Status::Ok();
  if (mode != OpenMode::kReadOnly) return RegisterWriter(was_clean);
  // A header too short for the mark has none.
  uint32_t mark = 0;
  *was_clean = memo->ReadCloseMark(&mark).ok() && mark == fpt::kCleanClose;
  return Status::Ok();
}

Status Table::Impl::RegisterWriter(bool* was_clean) {
  *was_clean = false;
  counted_in = false;
  const int fd = memo->file().fd();
  FileLock mark_lock;
  XB_RETURN_IF_ERROR(LockMark(fd, memo_path, &mark_lock));
  // Other opens that may write hold the byte shared; none does when it can be had whole.
  bool alone = false;
  {
    FileLock probe;
    alone = FileLock::TryAcquire(fd, fpt::kWriterLockOffset, 1, true, &probe).ok();
  }
  XB_RETURN_IF_ERROR(FileLock::TryAcquire(fd, fpt::kWriterLockOffset, 1, false, &writer_lock));
  uint32_t mark = 0;
  const bool readable = memo->ReadCloseMark(&mark).ok();
  *was_clean = readable && mark == fpt::kCleanClose;
  uint32_t others = 0;
  if (!*was_clean && !alone) {
    // Without this engine's count the others' cannot be kept: nobody sets the mark until
    // an open finds itself alone.
    if (!readable || !IsWriterCount(mark) || (mark & 0xFFFFu) == fpt::kMaxOpenWriters) return Status::Ok();
    others = mark & 0xFFFFu;
  }
  XB_RETURN_IF_ERROR(memo->WriteCloseMark(fpt::kOpenWriters + others + 1));
  counted_in = true;
  return Status::Ok();
}

void Table::Impl::LeaveCloseMark() {
  if (!counted_in || pending != Pending::kNone) return;
  // Only an index that passed its check at open (or no index at all) is vouched for.
  if (index_state != IndexState::kOk && (index_state != IndexState::kNone || FileExists(index_path))) return;
  if (!SyncNow().ok()) return;
  // A redo entry left behind (an edit or batch that failed half way) asks for a rebuild.
  uint8_t redo[4];
  if (!memo->ReadRedo(sizeof redo, redo).ok() || base::Be32(redo) == fpt::kRedoMagic) return;
  FileLock mark_lock;
  uint32_t mark = 0;
  if (!LockMark(memo->file().fd(), memo_path, &mark_lock).ok() || !memo->ReadCloseMark(&mark).ok() ||
      !IsWriterCount(mark)) {
    return;
  }
  const uint32_t left = (mark & 0xFFFFu) - 1;
  if (memo->WriteCloseMark(left == 0 ? fpt::kCleanClose : fpt::kOpenWriters + left).ok()) counted_in = false;
}

Table::Table() : impl_(std::make_unique<Impl>()) {}

Table::~Table() {
  if (impl_) {
    impl_->Cancel();
    // A destructor cannot report; a caller that wants a batch's sync checked calls EndBatch.
    if (impl_->batch_depth > 0) (void)impl_->SyncNow();
    impl_->LeaveCloseMark();
  }
}

Status Table::Create(const std::string& path, const std::vector<FieldSpec>& fields, int code_page) {
  DbfHeader header;
  std::vector<uint8_t> bytes;
  XB_RETURN_IF_ERROR(DbfHeader::Build(fields, &header, &bytes, MarkOfCodePage(code_page)));
  if (FileExists(path)) return Status::IoError(path + " exists already");
  const std::string memo_path = SiblingPath(path, "FPT");
  const bool with_memo = header.HasMemo();
  if (with_memo) XB_RETURN_IF_ERROR(MemoFile::CreateNew(memo_path));
  File file;
  Status s = File::CreateNew(path, &file);
  if (s.ok()) {
    s = file.Write(0, bytes.data(), bytes.size());
    if (s.ok()) s = file.Sync();
    // Removing what was half created is best effort: the failure is what gets reported.
    if (!s.ok()) (void)RemoveFile(path);
  }
  if (!s.ok()) {
    if (with_memo) (void)RemoveFile(memo_path);
    return s;
  }
  return SyncParentDirectory(path);
}

Status Table::Open(const std::string& path, OpenMode mode, std::unique_ptr<Table>* out) {
  std::unique_ptr<Table> t(new Table());
  Impl& d = *t->impl_;
  d.path = path;
  d.mode = mode;
  d.memo_path = SiblingPath(path, "FPT");
  d.index_path = SiblingPath(path, "CDX");
  XB_RETURN_IF_ERROR(d.OpenFiles());
  *out = std::move(t);
  return Status::Ok();
}

Table::IndexState Table::index_state() const { return impl_->index_state; }
const std::string& Table::index_problem() const { return impl_->index_problem; }
const std::string& Table::path() const { return impl_->path; }
OpenMode Table::mode() const { return impl_->mode; }
const std::vector<FieldDesc>& Table::fields() const { return impl_->header.fields; }
int Table::code_page() const { return CodePageOfMark(impl_->header.code_page); }
uint32_t Table::record_length() const { return impl_->header.record_length; }

int Table::FieldIndex(std::string_view name) const {
  const auto& fields = impl_->header.fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (Impl::EqualNoCase(fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

uint32_t Table::RecordCount() { return impl_->RecordCount(); }
const uint8_t* Table::record() const { return impl_->rec.data(); }
bool Table::Deleted() const { return impl_->rec[dbf::kOffDeletedMark] == dbf::kDeleted; }

std::string_view Table::GetString(int field) const {
  const auto& fields = impl_->header.fields;
  if (field < 0 || static_cast<size_t>(field) >= fields.size()) return {};
  const FieldDesc& f = fields[field];
  return std::string_view(reinterpret_cast<const char*>(impl_->rec.data() + f.offset), f.width);
}

bool Table::GetLogical(int field) const {
  const std::string_view v = GetString(field);
  if (v.empty()) return false;
  return v[0] == 'T' || v[0] == 't' || v[0] == 'Y' || v[0] == 'y';
}

void Table::Prefetch(uint32_t recno, int memo_field) const {
  const Impl& d = *impl_;
  if (recno < 1 || recno > d.count) return;
  const uint64_t at = d.RecordOffset(recno);
  if (at + d.header.record_length > d.map.valid()) return;
  const uint8_t* image = d.map.data() + at;
  __builtin_prefetch(image);
  __builtin_prefetch(image + d.header.record_length - 1);
  if (memo_field < 0 || static_cast<size_t>(memo_field) >= d.header.fields.size() || !d.memo) return;
  const FieldDesc& f = d.header.fields[memo_field];
  uint32_t block = 0;
  if (f.type == FieldType::kMemo && d.DecodeMemoPointer(image, f, &block).ok()) d.memo->Prefetch(block);
}

Status Table::GetMemo(int field, std::string* out) const {
  const Impl& d = *impl_;
  out->clear();
  if (field < 0 || static_cast<size_t>(field) >= d.header.fields.size() ||
      d.header.fields[field].type != FieldType::kMemo) {
    return Status::InvalidArgument("not a memo field");
  }
  for (const auto& [f, text] : d.memo_changes) {
    if (f == field) {
      *out = text;
      return Status::Ok();
    }
  }
  uint32_t block = 0;
  Status s = d.DecodeMemoPointer(d.rec.data(), d.header.fields[field], &block);
  if (!s.ok()) return Status::Corrupt("record " + std::to_string(d.recno) + ": " + s.message());
  if (block == 0) return Status::Ok();
  if (!d.memo) return Status::Corrupt(d.path + " has no memo file");
  s = d.memo->Read(block, out);
  if (!s.ok()) return Status::Corrupt("record " + std::to_string(d.recno) + ": " + s.message());
  return Status::Ok();
}

void Table::SetTurboRead(bool on) {
  impl_->turbo = on;
  impl_->map.AdviseSequential(on);
}

}  // namespace xbase
