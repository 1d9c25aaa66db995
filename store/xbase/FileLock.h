// FileLock: one held byte-range lock on a file, taken as a Linux open-file-description
// lock (F_OFD_SETLK). Such locks belong to the open file, not the process, so two opens
// of one file in the same process conflict, and closing another descriptor of the file
// does not drop them. They share the kernel's table with classic fcntl locks, so other
// programs that use those see ours. Released on destruction.
#pragma once

#include <cstdint>

#include "store/xbase/Status.h"

namespace xbase {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Tries once to lock `length` bytes at `start` of the open file `fd`; kRecordLocked
  // when another open holds a conflicting lock. Replaces any lock this object held.
  static Status TryAcquire(int fd, uint64_t start, uint64_t length, bool exclusive, FileLock* out);
  // Like TryAcquire, retrying for up to `wait_ms` milliseconds: for locks that others
  // hold only for a moment (the header lock during an append).
  static Status Acquire(int fd, uint64_t start, uint64_t length, bool exclusive, int wait_ms,
                        FileLock* out);

  bool held() const { return fd_ >= 0; }
  uint64_t start() const { return start_; }
  void Release();

 private:
  int fd_ = -1;
  uint64_t start_ = 0;
  uint64_t length_ = 0;
};

}  // namespace xbase
