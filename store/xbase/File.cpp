#include "store/xbase/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

namespace xbase {

namespace {

Status Errno(const std::string& what, const std::string& path, int err) {
  return Status::IoError(what + " " + path + ": " + std::strerror(err));
}

Status OpenWith(const std::string& path, int flags, int* fd) {
  do {
    *fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  } while (*fd < 0 && errno == EINTR);
  if (*fd < 0) {
    const int err = errno;
    if (err == ENOENT) return Status::NotFound(path + " does not exist");
    if (err == EEXIST) return Status::IoError(path + " exists already");
    return Errno("cannot open", path, err);
  }
  return Status::Ok();
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

Status File::Open(const std::string& path, bool writable, File* out) {
  int fd = -1;
  XB_RETURN_IF_ERROR(OpenWith(path, writable ? O_RDWR : O_RDONLY, &fd));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::IoError(path + " is not a regular file");
  }
  if (IoObserver* o = ObservedIo()) o->Opened(fd, path, false);
  out->Close();
  out->fd_ = fd;
  out->path_ = path;
  return Status::Ok();
}

Status File::CreateNew(const std::string& path, File* out) {
  int fd = -1;
  XB_RETURN_IF_ERROR(OpenWith(path, O_RDWR | O_CREAT | O_EXCL, &fd));
  if (IoObserver* o = ObservedIo()) o->Opened(fd, path, true);
  out->Close();
  out->fd_ = fd;
  out->path_ = path;
  return Status::Ok();
}

Status File::CreateTruncate(const std::string& path, File* out) {
  int fd = -1;
  XB_RETURN_IF_ERROR(OpenWith(path, O_RDWR | O_CREAT | O_TRUNC, &fd));
  if (IoObserver* o = ObservedIo()) o->Opened(fd, path, true);
  out->Close();
  out->fd_ = fd;
  out->path_ = path;
  return Status::Ok();
}

Status File::Read(uint64_t offset, size_t n, void* buf) const {
  auto* p = static_cast<uint8_t*>(buf);
  while (n > 0) {
    const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      return Errno("cannot read", path_, errno);
    }
    if (got == 0) return Status::Corrupt(path_ + " ends before offset " + std::to_string(offset + n));
    p += got;
    n -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return Status::Ok();
}

Status File::Write(uint64_t offset, const void* buf, size_t n) {
  if (IoObserver* o = ObservedIo()) {
    // Reported whole even if it fails part way: a test replays at most what was asked for.
    o->Wrote(fd_, offset, buf, n);
  }
  const auto* p = static_cast<const uint8_t*>(buf);
  while (n > 0) {
    const ssize_t put = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
    if (put < 0) {
      if (errno == EINTR) continue;
      return Errno("cannot write", path_, errno);
    }
    p += put;
    n -= static_cast<size_t>(put);
    offset += static_cast<uint64_t>(put);
  }
  return Status::Ok();
}

Status File::Size(uint64_t* size) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return Errno("cannot stat", path_, errno);
  *size = static_cast<uint64_t>(st.st_size);
  return Status::Ok();
}

Status File::Truncate(uint64_t size) {
  int rc;
  do {
    rc = ::ftruncate(fd_, static_cast<off_t>(size));
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return Errno("cannot truncate", path_, errno);
  if (IoObserver* o = ObservedIo()) o->Resized(fd_, size);
  return Status::Ok();
}

namespace {
SyncFaultHook g_sync_fault = nullptr;
IoObserver* g_observer = nullptr;
}  // namespace

void SetSyncFaultForTests(SyncFaultHook hook) { g_sync_fault = hook; }
void SetIoObserverForTests(IoObserver* observer) { g_observer = observer; }
IoObserver* ObservedIo() { return g_observer; }

Status File::Sync() {
  if (g_sync_fault != nullptr) {
    if (const int err = g_sync_fault(path_); err != 0) return Errno("cannot sync", path_, err);
  }
  int rc;
  do {
    rc = ::fdatasync(fd_);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return Errno("cannot sync", path_, errno);
  if (g_observer != nullptr) g_observer->Synced(fd_);
  return Status::Ok();
}

Status File::LockOpenMode(bool exclusive) {
  int rc;
  do {
    rc = ::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return Status::Ok();
  if (errno == EWOULDBLOCK) {
    return Status::InUse(path_ + (exclusive ? " is open elsewhere" : " is open exclusively elsewhere"));
  }
  return Errno("cannot lock", path_, errno);
}

void File::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

std::string SiblingPath(const std::string& path, const std::string& ext) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  std::string stem = path;
  bool lower = false;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    stem = path.substr(0, dot);
    for (size_t i = dot + 1; i < path.size(); ++i) {
      if (std::islower(static_cast<unsigned char>(path[i]))) lower = true;
    }
  }
  std::string upper_ext = ext;
  std::string lower_ext = ext;
  for (char& c : lower_ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string first = stem + "." + (lower ? lower_ext : upper_ext);
  const std::string second = stem + "." + (lower ? upper_ext : lower_ext);
  if (!FileExists(first) && FileExists(second)) return second;
  return first;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

Status RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) {
    if (errno != ENOENT) return Errno("cannot remove", path, errno);
    return Status::Ok();
  }
  if (g_observer != nullptr) g_observer->Removed(path);
  return Status::Ok();
}

Status RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return Errno("cannot rename " + from + " to", to, errno);
  if (g_observer != nullptr) g_observer->Renamed(from, to);
  return Status::Ok();
}

Status SyncParentDirectory(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Errno("cannot open folder", dir, errno);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  // Some file systems do not sync folders; the data files themselves are synced.
  if (rc != 0 && err != EINVAL && err != EROFS) return Errno("cannot sync folder", dir, err);
  if (g_observer != nullptr) g_observer->FolderSynced(dir);
  return Status::Ok();
}

}  // namespace xbase
