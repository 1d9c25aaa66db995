// File: an owned file descriptor with positioned reads and writes that report every
// outcome as a Status. Movable, not copyable; closes on destruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "store/xbase/Status.h"

namespace xbase {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file. kNotFound when it does not exist, kIoError otherwise.
  static Status Open(const std::string& path, bool writable, File* out);
  // Creates a new file; kIoError when it exists already (never truncates).
  static Status CreateNew(const std::string& path, File* out);
  // Creates or truncates a scratch file (temporary files of our own).
  static Status CreateTruncate(const std::string& path, File* out);

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // After the file was renamed: the name used in messages.
  void set_path(std::string path) { path_ = std::move(path); }

  // Reads exactly `n` bytes at `offset`; kCorrupt when the file ends first.
  Status Read(uint64_t offset, size_t n, void* buf) const;
  // Writes all `n` bytes at `offset`.
  Status Write(uint64_t offset, const void* buf, size_t n);
  Status Size(uint64_t* size) const;
  Status Truncate(uint64_t size);
  // Flushes written data to the device (fdatasync).
  Status Sync();

  // Takes the whole-file open-mode lock (flock), never waiting; kInUse on conflict.
  Status LockOpenMode(bool exclusive);

  void Close();

 private:
  int fd_ = -1;
  std::string path_;
};

// Test seam: while a hook is set, every File::Sync asks it first with the file's path;
// a non-zero errno it gives fails the sync as fdatasync would (ENOSPC for a full disk).
// Null (the default) syncs for real. Not thread-safe: set it before the code under test.
using SyncFaultHook = int (*)(const std::string& path);
void SetSyncFaultForTests(SyncFaultHook hook);

// Test seam: an observer told of every change the engine makes to a file or a folder, after
// it was made, so that a test can replay them (a simulated power cut keeps what was synced
// and any part of the rest). Writes through the index file's shared mapping are reported
// too. Null (the default) costs one pointer test per call. Not thread-safe: set it before
// the code under test and clear it after.
class IoObserver {
 public:
  virtual ~IoObserver() = default;
  // `fd` was opened on `path`; `created_or_truncated` when the open may have created the
  // file or cut it to nothing (O_CREAT or O_TRUNC).
  virtual void Opened(int fd, const std::string& path, bool created_or_truncated) = 0;
  virtual void Wrote(int fd, uint64_t offset, const void* data, size_t n) = 0;
  // Truncated, or lengthened with zeros, to `size` bytes.
  virtual void Resized(int fd, uint64_t size) = 0;
  // fdatasync of `fd` returned.
  virtual void Synced(int fd) = 0;
  virtual void Renamed(const std::string& from, const std::string& to) = 0;
  virtual void Removed(const std::string& path) = 0;
  // fsync of the folder `dir` returned.
  virtual void FolderSynced(const std::string& dir) = 0;
};
void SetIoObserverForTests(IoObserver* observer);
// The observer in force, or null.
IoObserver* ObservedIo();

// Small file-system helpers used around the table's files.
bool FileExists(const std::string& path);
// The path of a sibling file of `path` with extension `ext` (upper case, e.g. "FPT"). The
// case of the extension follows the table's; when only the other case exists, that one is used.
std::string SiblingPath(const std::string& path, const std::string& ext);
Status RemoveFile(const std::string& path);  // ok when it does not exist
Status RenameFile(const std::string& from, const std::string& to);
// Makes renames and removals in the folder of `path` durable.
Status SyncParentDirectory(const std::string& path);

}  // namespace xbase
