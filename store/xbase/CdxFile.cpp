#include "store/xbase/CdxFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace xbase::cdx {

namespace {

// Beyond this many cached pages the cache is dropped at the next lock.
constexpr size_t kMaxCachedPages = size_t{1} << 16;

std::string ErrnoText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

bool IsNone(uint32_t offset) { return offset == 0 || offset == kNoPage; }

}  // namespace

CdxFile::CdxFile(std::string path, int fd, bool read_only)
    : path_(std::move(path)), fd_(fd), read_only_(read_only) {}

CdxFile::~CdxFile() {
  if (fd_ >= 0) ::close(fd_);
}

Status CdxFile::Open(const std::string& path, bool read_only, std::unique_ptr<CdxFile>* out) {
  const int fd = ::open(path.c_str(), (read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return Status::NotFound("no index file " + path);
    return Status::IoError(ErrnoText("cannot open", path));
  }
  std::unique_ptr<CdxFile> file(new CdxFile(path, fd, read_only));
  XB_RETURN_IF_ERROR(file->RefreshSize());
  if (file->size_ < kHeaderSize) return Status::Corrupt("index file " + path + " is too short");
  XB_RETURN_IF_ERROR(file->ReadHeaderWords(&file->free_head_, &file->counter_));
  *out = std::move(file);
  return Status::Ok();
}

Status CdxFile::RefreshSize() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return Status::IoError(ErrnoText("cannot stat", path_));
  size_ = static_cast<uint64_t>(st.st_size);
  return Status::Ok();
}

Status CdxFile::ReadHeaderWords(uint32_t* free_head, uint32_t* counter) {
  uint8_t words[8];
  XB_RETURN_IF_ERROR(ReadRaw(kHdrFreeList, sizeof words, words));
  *free_head = Le32(words);
  *counter = Be32(words + 4);
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
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(lock_timeout_ms_);
  for (;;) {
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return Status::Ok();
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      return Status::IoError(ErrnoText("cannot lock", path_));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::InUse("the index " + path_ + " is locked by another program");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
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
  if (cached_pages_ > kMaxCachedPages) DropCache();
  if (!shared_) {
    lock_depth_ = 1;
    lock_exclusive_ = exclusive;
    return Status::Ok();
  }
  XB_RETURN_IF_ERROR(SetLock(exclusive ? F_WRLCK : F_RDLCK));
  uint32_t head = 0;
  uint32_t counter = 0;
  Status s = ReadHeaderWords(&head, &counter);
  if (!s.ok()) {
    SetLock(F_UNLCK);
    return s;
  }
  free_head_ = head;
  if (counter != counter_) {
    counter_ = counter;
    DropCache();
    free_list_usable_ = true;
    *changed_elsewhere = true;
    s = RefreshSize();
    if (!s.ok()) {
      SetLock(F_UNLCK);
      return s;
    }
  }
  lock_depth_ = 1;
  lock_exclusive_ = exclusive;
  return Status::Ok();
}

void CdxFile::Unlock() {
  if (lock_depth_ == 0) return;
  if (--lock_depth_ == 0) {
    if (shared_) SetLock(F_UNLCK);
    lock_exclusive_ = false;
  }
}

Status CdxFile::ReadRaw(uint64_t offset, size_t len, uint8_t* out) {
  if (offset + len > size_) {
    XB_RETURN_IF_ERROR(RefreshSize());
    if (offset + len > size_) return Status::Corrupt("index file " + path_ + " ends too early");
  }
  size_t done = 0;
  while (done < len) {
    const ssize_t n = ::pread(fd_, out + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::IoError(ErrnoText("cannot read", path_));
    }
    if (n == 0) return Status::Corrupt("index file " + path_ + " ends too early");
    done += static_cast<size_t>(n);
  }
  return Status::Ok();
}

Status CdxFile::WriteRaw(uint64_t offset, const uint8_t* data, size_t len) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  size_t done = 0;
  while (done < len) {
    const ssize_t n = ::pwrite(fd_, data + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::IoError(ErrnoText("cannot write", path_));
    }
    done += static_cast<size_t>(n);
  }
  if (offset + len > size_) size_ = offset + len;
  return Status::Ok();
}

Status CdxFile::Read(uint32_t offset, const uint8_t** page) {
  if (offset % kPageSize != 0 || offset < kHeaderSize) {
    return Status::Corrupt("index page offset " + std::to_string(offset) + " is not a node page");
  }
  const size_t number = offset / kPageSize;
  if (number < cache_.size() && cache_[number]) {
    *page = cache_[number]->data();
    return Status::Ok();
  }
  auto buffer = std::make_unique<Page>();
  XB_RETURN_IF_ERROR(ReadRaw(offset, kPageSize, buffer->data()));
  if (number >= cache_.size()) cache_.resize(number + 1);
  *page = buffer->data();
  cache_[number] = std::move(buffer);
  ++cached_pages_;
  return Status::Ok();
}

Status CdxFile::Write(uint32_t offset, const uint8_t* page) {
  if (offset % kPageSize != 0 || offset < kHeaderSize) {
    return Status::Corrupt("index page offset " + std::to_string(offset) + " is not a node page");
  }
  XB_RETURN_IF_ERROR(WriteRaw(offset, page, kPageSize));
  const size_t number = offset / kPageSize;
  if (number >= cache_.size()) cache_.resize(number + 1);
  if (!cache_[number]) {
    cache_[number] = std::make_unique<Page>();
    ++cached_pages_;
  }
  if (cache_[number]->data() != page) std::memcpy(cache_[number]->data(), page, kPageSize);
  return Status::Ok();
}

Status CdxFile::Allocate(uint32_t* offset) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (free_list_usable_ && !IsNone(free_head_)) {
    // Take the head only when it looks exactly like a page this engine freed: a page
    // inside the file, blank but for the link to a sound next page.
    const uint32_t head = free_head_;
    bool sound = head % kPageSize == 0 && head >= kHeaderSize && uint64_t{head} + kPageSize <= size_;
    Page page{};
    if (sound) sound = ReadRaw(head, kPageSize, page.data()).ok();
    uint32_t next = 0;
    if (sound) {
      next = Le32(page.data());
      for (uint32_t i = 4; i < kPageSize && sound; ++i) sound = page[i] == 0;
      sound = sound && (IsNone(next) || (next % kPageSize == 0 && next >= kHeaderSize &&
                                         uint64_t{next} + kPageSize <= size_ && next != head));
    }
    if (sound) {
      uint8_t word[4];
      PutLe32(word, next);
      XB_RETURN_IF_ERROR(WriteRaw(kHdrFreeList, word, sizeof word));
      free_head_ = next;
      *offset = head;
      return Status::Ok();
    }
    free_list_usable_ = false;  // not ours to follow: leave it as it is
  }
  const uint64_t end = (size_ + kPageSize - 1) / kPageSize * kPageSize;
  if (end + kPageSize > 0xFFFFFE00ull) return Status::IoError("index file " + path_ + " is full");
  *offset = static_cast<uint32_t>(end);
  size_ = end + kPageSize;
  return Status::Ok();
}

Status CdxFile::Release(uint32_t offset) {
  if (read_only_) return Status::ReadOnly("index " + path_ + " is open read-only");
  if (!free_list_usable_) return Status::Ok();  // abandoned, which every reader tolerates
  Page page{};
  PutLe32(page.data(), free_head_);
  XB_RETURN_IF_ERROR(Write(offset, page.data()));
  uint8_t word[4];
  PutLe32(word, offset);
  XB_RETURN_IF_ERROR(WriteRaw(kHdrFreeList, word, sizeof word));
  free_head_ = offset;
  return Status::Ok();
}

Status CdxFile::BumpCounter() {
  const uint32_t next = counter_ + 1;
  uint8_t word[4];
  PutBe32(word, next);
  XB_RETURN_IF_ERROR(WriteRaw(kHdrChangeCounter, word, sizeof word));
  counter_ = next;
  return Status::Ok();
}

Status CdxFile::PeekChanged(bool* changed) {
  uint8_t word[4];
  XB_RETURN_IF_ERROR(ReadRaw(kHdrChangeCounter, sizeof word, word));
  *changed = Be32(word) != counter_;
  return Status::Ok();
}

Status CdxFile::Sync() {
  if (read_only_) return Status::Ok();
  if (::fdatasync(fd_) != 0) return Status::IoError(ErrnoText("cannot sync", path_));
  return Status::Ok();
}

void CdxFile::DropCache() {
  cache_.clear();
  cached_pages_ = 0;
}

}  // namespace xbase::cdx
