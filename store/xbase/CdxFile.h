// CdxFile: the pages of one open compound index file — read and written through a shared
// mapping of the file (so every read sees the file as it is, whatever another process
// wrote under the index lock), page allocation with the file's free-page list, the
// directory header's change counter and the index lock that other programs respect.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/xbase/CdxNode.h"
#include "store/xbase/Status.h"

namespace xbase::cdx {

class CdxFile {
 public:
  ~CdxFile();
  CdxFile(const CdxFile&) = delete;
  CdxFile& operator=(const CdxFile&) = delete;

  // Opens `path` (kNotFound when missing) and reads the directory header's free-list
  // head and change counter. The file must be at least one header long (kCorrupt).
  static Status Open(const std::string& path, bool read_only, std::unique_ptr<CdxFile>* out);

  const std::string& path() const { return path_; }
  bool read_only() const { return read_only_; }
  uint64_t size() const { return size_; }

  // With shared access (the default) every operation runs under the index lock and
  // looks at the change counter first; without it (the table is used exclusively)
  // neither is needed.
  void set_shared(bool shared) { shared_ = shared; }
  bool shared() const { return shared_; }
  // How long Lock keeps retrying while another program holds the lock.
  void set_lock_timeout_ms(int ms) { lock_timeout_ms_ = ms; }
  int lock_timeout_ms() const { return lock_timeout_ms_; }

  // Takes the index lock (nested calls only count; a shared lock is upgraded when an
  // exclusive one is asked for) and, on the outermost call, re-reads the free-list head
  // and the change counter. When the counter shows a change made by another open, the
  // file length is looked up again and `*changed_elsewhere` set. kInUse when the lock
  // stays taken elsewhere; kReadOnly for an exclusive lock on a read-only open.
  Status Lock(bool exclusive, bool* changed_elsewhere);
  void Unlock();

  // Points at one page of the file. The pointer stays valid while the file is open; the
  // bytes change when the page is written. kCorrupt when `offset` is not a node page
  // inside the file.
  Status Read(uint32_t offset, const uint8_t** page);
  // Copies `len` bytes at `offset`; kCorrupt when they lie beyond the end.
  Status ReadRaw(uint64_t offset, size_t len, uint8_t* out);
  // Writes one page inside the file.
  Status Write(uint32_t offset, const uint8_t* page);

  // A page for a new node: the head of the free-page list when the list is sound, else
  // a page at the end of the file (which grows by several pages at a time).
  Status Allocate(uint32_t* offset);
  // Puts a page no longer used on the free-page list (or abandons it when the list is
  // not one this engine can trust).
  Status Release(uint32_t offset);
  uint32_t free_head() const { return free_head_; }

  // Adds 1 to the change counter (big-endian, wrapping) so other opens notice a change.
  Status BumpCounter();
  uint32_t counter() const { return counter_; }
  // True when the change counter on disk differs from the one last seen (no lock taken).
  Status PeekChanged(bool* changed);

  Status Sync();

 private:
  CdxFile(std::string path, int fd, bool read_only);
  Status RefreshSize();
  // Maps the file at least up to `length` into the reserved address range.
  Status Map(uint64_t length);
  // Lengthens the file to `length` with its blocks allocated, so that writing through
  // the mapping never meets a full disk.
  Status Grow(uint64_t length);
  Status ReadHeaderWords(uint32_t* free_head, uint32_t* counter);
  Status WriteRaw(uint64_t offset, const uint8_t* data, size_t len);
  Status SetLock(short type);

  std::string path_;
  int fd_;
  bool read_only_;
  bool shared_ = true;
  int lock_timeout_ms_ = 3000;
  uint64_t size_ = 0;
  uint32_t free_head_ = 0;
  uint32_t counter_ = 0;
  bool free_list_usable_ = true;
  int lock_depth_ = 0;
  bool lock_exclusive_ = false;
  uint64_t reserved_next_ = 0;  // pages added to the file and not used yet: [next, end)
  uint64_t reserved_end_ = 0;
  uint8_t* base_ = nullptr;  // reserved address range for the largest possible file
  uint64_t mapped_ = 0;      // bytes of the file mapped at base_
};

}  // namespace xbase::cdx
