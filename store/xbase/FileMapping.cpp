#include "store/xbase/FileMapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace xbase {

FileMapping::~FileMapping() { Reset(); }

FileMapping::FileMapping(FileMapping&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      valid_(std::exchange(other.valid_, 0)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
  if (this != &other) {
    Reset();
    base_ = std::exchange(other.base_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    valid_ = std::exchange(other.valid_, 0);
  }
  return *this;
}

Status FileMapping::Cover(int fd, uint64_t file_size) {
  if (base_ != nullptr && file_size <= capacity_) {
    valid_ = file_size;
    return Status::Ok();
  }
  Reset();
  if (file_size == 0) return Status::Ok();
  // Room to grow: a quarter more, at least 4 MB, in whole pages.
  const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
  uint64_t want = file_size + std::max<uint64_t>(file_size / 4, 4u << 20);
  want = (want + page - 1) / page * page;
  void* p = ::mmap(nullptr, want, PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return Status::IoError(std::string("cannot map file: ") + std::strerror(errno));
  base_ = static_cast<const uint8_t*>(p);
  capacity_ = want;
  valid_ = file_size;
  return Status::Ok();
}

void FileMapping::AdviseSequential(bool on) {
  if (base_ != nullptr) {
    ::madvise(const_cast<uint8_t*>(base_), capacity_, on ? MADV_SEQUENTIAL : MADV_NORMAL);
  }
}

void FileMapping::Reset() {
  if (base_ != nullptr) ::munmap(const_cast<uint8_t*>(base_), capacity_);
  base_ = nullptr;
  capacity_ = 0;
  valid_ = 0;
}

}  // namespace xbase
