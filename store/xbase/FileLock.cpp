#include "store/xbase/FileLock.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

namespace xbase {

namespace {

int SetLock(int fd, uint64_t start, uint64_t length, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;  // required for open-file-description locks
  int rc;
  do {
    rc = ::fcntl(fd, F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc == 0 ? 0 : errno;
}

}  // namespace

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), start_(other.start_), length_(other.length_) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    start_ = other.start_;
    length_ = other.length_;
  }
  return *this;
}

Status FileLock::TryAcquire(int fd, uint64_t start, uint64_t length, bool exclusive, FileLock* out) {
  out->Release();
  const int err = SetLock(fd, start, length, exclusive ? F_WRLCK : F_RDLCK);
  if (err == EAGAIN || err == EACCES) {
    return Status::RecordLocked("byte " + std::to_string(start) + " is locked by another user");
  }
  if (err != 0) return Status::IoError(std::string("cannot lock: ") + std::strerror(err));
  out->fd_ = fd;
  out->start_ = start;
  out->length_ = length;
  return Status::Ok();
}

Status FileLock::Acquire(int fd, uint64_t start, uint64_t length, bool exclusive, int wait_ms,
                         FileLock* out) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    Status s = TryAcquire(fd, start, length, exclusive, out);
    if (!s.IsRecordLocked() || std::chrono::steady_clock::now() >= deadline) return s;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(10000));
  }
}

void FileLock::Release() {
  if (fd_ >= 0) {
    SetLock(fd_, start_, length_, F_UNLCK);
    fd_ = -1;
  }
}

}  // namespace xbase
