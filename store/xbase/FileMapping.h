// FileMapping: a read-only shared memory view of an open file, for fast sequential and
// random reads of the record area. Writes go through File (pwrite); the page cache keeps
// the view up to date with them.
//
// The view reserves address space beyond the end of the file so that a growing file
// rarely needs a new mapping; only bytes below `valid()` may be touched (reading past the
// end of the file would fault).
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/xbase/Status.h"

namespace xbase {

class FileMapping {
 public:
  FileMapping() = default;
  ~FileMapping();
  FileMapping(FileMapping&& other) noexcept;
  FileMapping& operator=(FileMapping&& other) noexcept;
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  // Maps `fd` so that its first `file_size` bytes are readable; keeps the present view
  // when it covers them already.
  Status Cover(int fd, uint64_t file_size);
  // Number of bytes known to be backed by the file.
  uint64_t valid() const { return valid_; }
  const uint8_t* data() const { return base_; }
  // Hint for the kernel: a sequential pass follows (read ahead) or not.
  void AdviseSequential(bool on);
  void Reset();

 private:
  const uint8_t* base_ = nullptr;
  size_t capacity_ = 0;
  uint64_t valid_ = 0;
};

}  // namespace xbase
