#include "store/xbase/CdxFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "store/xbase/File.h"

namespace xbase::cdx {

namespace {

// Offsets in the file are 32-bit: no index file is larger.
constexpr uint64_t kMaxFileSize = uint64_t{1} << 32;
// The mapping grows in steps of this many bytes.
constexpr uint64_t kMapStep = uint64_t{1} << 20;
// Pages the file grows by when it needs one more.
constexpr uint64_t kGrowPages = 16;

std::string ErrnoText(const std::string& what, const std::string& path, int error = errno) {
  return what + " " + path + ": " + std::strerror(error);
}

bool IsNone(uint32_t offset) { return offset == 0 || offset == kNoPage; }

}  // namespace

CdxFile::CdxFile(std::string path, int fd, bool read_only)
    : path_(std::move(path)), fd_(fd), read_only_(read_only) {}

CdxFile::~CdxFile() {
  if (base_ != nullptr) ::munmap(base_, kMaxFileSize);
  if (fd_ >= 0) ::close(fd_);
}

Status CdxFile::Open(const std::string& path, bool read_only, std::unique_ptr<CdxFile>* out) {
  const int fd = ::open(path.c_str(), (read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return Status::NotFound("no index file " + path);
    return Status::IoError(ErrnoText("cannot open", path));
  }
  if (IoObserver* o = ObservedIo()) o->Opened(fd, path, false);
  std::unique_ptr<CdxFile> file(new CdxFile(path, fd, read_only));
  // One address range for the largest file, so page pointers never move as it grows.
  void* base =
      ::mmap(nullptr, kMaxFileSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) return Status::IoError(ErrnoText("cannot reserve memory for", path));
  file->base_ = static_cast<uint8_t*>(base);
  XB_RETURN_IF_ERROR(file->RefreshSize());
  if (file->size_ < kHeaderSize) return Status::Corrupt("index file " + path + " is too short");
  XB_RETURN_IF_ERROR(file->ReadHeaderWords(&file->free_head_, &file->counter_));
  *out = std::move(file);
  return Status::Ok();
}

Status CdxFile::RefreshSize() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return Status::IoError(ErrnoText("cannot stat", path_));
  // Offsets are 32-bit: whatever lies beyond cannot be part of the index.
  size_ = std::min<uint64_t>(static_cast<uint64_t>(st.st_size), kMaxFileSize - kPageSize);
  return Map(size_);
}

Status CdxFile::Map(uint64_t length) {
  if (length <= mapped_) return Status::Ok();
  const uint64_t want = std::min(kMaxFileSize, (length + kMapStep - 1) / kMapStep * kMapStep);
  const int prot = read_only_ ? PROT_READ : PROT_READ | PROT_WRITE;
  // Mapping past the end of the file is allowed; only the bytes before it are touched.
  void* p = ::mmap(base_, want, prot, MAP_SHARED | MAP_FIXED, fd_, 0);
  if (p == MAP_FAILED) return Status::IoError(ErrnoText("cannot map", path_));
  mapped_ = want;
  return Status::Ok();
}

Status CdxFile::Grow(uint64_t length) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (length <= size_) return Status::Ok();
  if (length > kMaxFileSize - kPageSize) return Status::IoError("index file " + path_ + " is full");
  const int error =
      ::posix_fallocate(fd_, static_cast<off_t>(size_), static_cast<off_t>(length - size_));
  if (error != 0) return Status::IoError(ErrnoText("cannot lengthen", path_, error));
  if (IoObserver* o = ObservedIo()) o->Resized(fd_, length);
  size_ = length;
  return Map(size_);
}

Status CdxFile::ReadHeaderWords(uint32_t* free_head, uint32_t* counter) {
  uint8_t words[8];
  XB_RETURN_IF_ERROR(ReadRaw(kHdrFreeList, sizeof words, words));
  *free_head = base::Le32(words);
  *counter = base::Be32(words + 4);
  return Status::Ok();
}

Status CdxFile::SetLock(short type) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = kIndexLockOffset;
  fl.l_len = kIndexLockLength;
  if (type == F_UNLCK) {
    ::fcntl(fd_, F_OFD_SETLK, &fl);
    return Status::Ok();
  }
  // The clock is read only once the lock is found taken: most calls get it at once, and a
  // shared open takes it for every search.
  if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return Status::Ok();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(lock_timeout_ms_);
  for (;;) {
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      return Status::IoError(ErrnoText("cannot lock", path_));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::InUse("the index " + path_ + " is locked by another program");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return Status::Ok();
  }
}

Status CdxFile::Lock(bool exclusive, bool* changed_elsewhere) {
  *changed_elsewhere = false;
  if (exclusive && read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (lock_depth_ > 0) {
    if (exclusive && !lock_exclusive_ && shared_) {
      XB_RETURN_IF_ERROR(SetLock(F_WRLCK));
      lock_exclusive_ = true;
    }
    ++lock_depth_;
    return Status::Ok();
  }
  if (!shared_) {
    lock_depth_ = 1;
    lock_exclusive_ = exclusive;
    return Status::Ok();
  }
  XB_RETURN_IF_ERROR(SetLock(exclusive ? F_WRLCK : F_RDLCK));
  uint32_t head = 0;
  uint32_t counter = 0;
  Status s = ReadHeaderWords(&head, &counter);
  if (s.ok()) {
    free_head_ = head;
    if (counter != counter_) {
      counter_ = counter;
      free_list_usable_ = true;
      *changed_elsewhere = true;
      s = RefreshSize();  // another open may have added pages
    }
  }
  if (!s.ok()) {
    // An unlock fails only for a bad descriptor; the failure at hand is the one to report.
    (void)SetLock(F_UNLCK);
    return s;
  }
  lock_depth_ = 1;
  lock_exclusive_ = exclusive;
  return Status::Ok();
}

void CdxFile::Unlock() {
  if (lock_depth_ == 0) return;
  if (--lock_depth_ == 0) {
    // An unlock fails only for a bad descriptor, and closing the file drops the lock anyway.
    if (shared_) (void)SetLock(F_UNLCK);
    lock_exclusive_ = false;
  }
}

Status CdxFile::ReadRaw(uint64_t offset, size_t len, uint8_t* out) {
  if (offset + len > size_) {
    XB_RETURN_IF_ERROR(RefreshSize());
    if (offset + len > size_) return Status::Corrupt("index file " + path_ + " ends too early");
  }
  std::memcpy(out, base_ + offset, len);
  return Status::Ok();
}

Status CdxFile::WriteRaw(uint64_t offset, const uint8_t* data, size_t len) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (offset + len > size_) {
    XB_RETURN_IF_ERROR(Grow((offset + len + kPageSize - 1) / kPageSize * kPageSize));
  }
  if (base_ + offset != data) std::memmove(base_ + offset, data, len);
  // A page changed through the mapping stays unsynced until Sync, like one written by pwrite.
  if (IoObserver* o = ObservedIo()) o->Wrote(fd_, offset, base_ + offset, len);
  return Status::Ok();
}

Status CdxFile::Read(uint32_t offset, const uint8_t** page) {
  if (offset % kPageSize != 0 || offset < kHeaderSize) {
    return Status::Corrupt("index page offset " + std::to_string(offset) + " is not a node page");
  }
  if (uint64_t{offset} + kPageSize > size_) {
    XB_RETURN_IF_ERROR(RefreshSize());
    if (uint64_t{offset} + kPageSize > size_) {
      return Status::Corrupt("index page " + std::to_string(offset) +
                             " lies beyond the end of the file");
    }
  }
  *page = base_ + offset;
  return Status::Ok();
}

Status CdxFile::Write(uint32_t offset, const uint8_t* page) {
  if (offset % kPageSize != 0 || offset < kHeaderSize) {
    return Status::Corrupt("index page offset " + std::to_string(offset) + " is not a node page");
  }
  return WriteRaw(offset, page, kPageSize);
}

Status CdxFile::Allocate(uint32_t* offset) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (free_list_usable_ && !IsNone(free_head_)) {
    // Take the head only when it looks exactly like a page this engine freed: a page
    // inside the file, blank but for the link to a sound next page.
    const uint32_t head = free_head_;
    bool sound =
        head % kPageSize == 0 && head >= kHeaderSize && uint64_t{head} + kPageSize <= size_;
    uint32_t next = 0;
    if (sound) {
      const uint8_t* page = base_ + head;
      next = base::Le32(page);
      for (uint32_t i = 4; i < kPageSize && sound; ++i) sound = page[i] == 0;
      sound = sound && (IsNone(next) || (next % kPageSize == 0 && next >= kHeaderSize &&
                                         uint64_t{next} + kPageSize <= size_ && next != head));
    }
    if (sound) {
      uint8_t word[4];
      base::PutLe32(word, next);
      XB_RETURN_IF_ERROR(WriteRaw(kHdrFreeList, word, sizeof word));
      free_head_ = next;
      *offset = head;
      return Status::Ok();
    }
    free_list_usable_ = false;  // not ours to follow: leave it as it is
  }
  if (reserved_next_ >= reserved_end_ || reserved_end_ > size_) {
    // Lengthen the file by several pages at once; the ones not used before the file is
    // closed stay behind as blank, unreferenced pages, which readers never visit.
    const uint64_t end = (size_ + kPageSize - 1) / kPageSize * kPageSize;
    XB_RETURN_IF_ERROR(Grow(end + kGrowPages * kPageSize));
    reserved_next_ = end;
    reserved_end_ = end + kGrowPages * kPageSize;
  }
  *offset = static_cast<uint32_t>(reserved_next_);
  reserved_next_ += kPageSize;
  return Status::Ok();
}

Status CdxFile::Release(uint32_t offset) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (!free_list_usable_) return Status::Ok();  // abandoned, which every reader tolerates
  Page page{};
  base::PutLe32(page.data(), free_head_);
  XB_RETURN_IF_ERROR(Write(offset, page.data()));
  uint8_t word[4];
  base::PutLe32(word, offset);
  XB_RETURN_IF_ERROR(WriteRaw(kHdrFreeList, word, sizeof word));
  free_head_ = offset;
  return Status::Ok();
}

Status CdxFile::BumpCounter() {
  const uint32_t next = counter_ + 1;
  uint8_t word[4];
  base::PutBe32(word, next);
  XB_RETURN_IF_ERROR(WriteRaw(kHdrChangeCounter, word, sizeof word));
  counter_ = next;
  return Status::Ok();
}

Status CdxFile::PeekChanged(bool* changed) {
  uint8_t word[4];
  XB_RETURN_IF_ERROR(ReadRaw(kHdrChangeCounter, sizeof word, word));
  *changed = base::Be32(word) != counter_;
  return Status::Ok();
}

Status CdxFile::Sync() {
  if (read_only_) return Status::Ok();
  if (::fdatasync(fd_) != 0) return Status::IoError(ErrnoText("cannot sync", path_));
  if (IoObserver* o = ObservedIo()) o->Synced(fd_);
  return Status::Ok();
}

}  // namespace xbase::cdx
