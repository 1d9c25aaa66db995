#include "store/xbase/TableBackup.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include "store/xbase/File.h"
#include "store/xbase/Table.h"

namespace xbase {

namespace {

constexpr size_t kChunk = 1 << 20;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Status MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(path))) return Status::Ok();
  return Status::IoError("cannot create folder " + path + ": " + std::strerror(errno));
}

// The entries of `folder` other than "." and "..".
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  return names;
}

// Removes a backup folder: its files (through the engine, so the removal is seen like any
// other), then the folder.
Status RemoveBackupFolder(const std::string& folder) {
  for (const std::string& name : Entries(folder)) XB_RETURN_IF_ERROR(RemoveFile(Joined(folder, name)));
  if (::rmdir(folder.c_str()) != 0 && errno != ENOENT) {
    return Status::IoError("cannot remove folder " + folder + ": " + std::strerror(errno));
  }
  return Status::Ok();
}

// Copies `from` to a new file `to` and syncs it. The kernel copies (and shares the blocks
// where the file system can); where it cannot, the bytes go through a buffer. Either way
// the copy is reported to the file seam as writes of the bytes copied.
Status CopyFile(const std::string& from, const std::string& to) {
  File in;
  XB_RETURN_IF_ERROR(File::Open(from, false, &in));
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(in.Size(&size));
  File out;
  XB_RETURN_IF_ERROR(File::CreateTruncate(to, &out));
  std::vector<char> buffer;
  bool in_kernel = ObservedIo() == nullptr;
  for (uint64_t at = 0; at < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - at));
    if (in_kernel) {
      loff_t in_at = static_cast<loff_t>(at), out_at = static_cast<loff_t>(at);
      const ssize_t copied = ::copy_file_range(in.fd(), &in_at, out.fd(), &out_at, n, 0);
      if (copied > 0) {
        at += static_cast<uint64_t>(copied);
        continue;
      }
      if (copied < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
        return Status::IoError("cannot copy " + from + " to " + to + ": " + std::strerror(errno));
      }
      in_kernel = false;  // not here (or the file shrank): copy the rest through the buffer
    }
    buffer.resize(kChunk);
    XB_RETURN_IF_ERROR(in.Read(at, n, buffer.data()));
    XB_RETURN_IF_ERROR(out.Write(at, buffer.data(), n));
    at += n;
  }
  return out.Sync();
}

// The table's files that a backup holds: the table, and its memo file when there is one.
std::vector<std::string> FilesOf(const std::string& table_path) {
  std::vector<std::string> files{table_path};
  const std::string memo = SiblingPath(table_path, "FPT");
  if (FileExists(memo)) files.push_back(memo);
  return files;
}

}  // namespace

Status BackUpTable(const std::string& table_path, const std::string& backups, const std::string& name, int keep) {
  if (keep <= 0) return Status::Ok();
  if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos) {
    return Status::InvalidArgument("bad backup name " + name);
  }
  XB_RETURN_IF_ERROR(MakeFolder(backups));
  // What a cut left half made goes first.
  for (const std::string& entry : Entries(backups)) {
    if (entry.rfind(table_backup::kStagingPrefix, 0) == 0) XB_RETURN_IF_ERROR(RemoveBackupFolder(Joined(backups, entry)));
  }
  std::string unique = name;
  for (int n = 2; FileExists(Joined(backups, unique)); ++n) unique = name + "-" + std::to_string(n);
  const std::string staging = Joined(backups, table_backup::kStagingPrefix + unique);
  XB_RETURN_IF_ERROR(MakeFolder(staging));
  for (const std::string& file : FilesOf(table_path)) {
    XB_RETURN_IF_ERROR(CopyFile(file, Joined(staging, BaseName(file))));
  }
  XB_RETURN_IF_ERROR(SyncParentDirectory(Joined(staging, BaseName(table_path))));
  const std::string published = Joined(backups, unique);
  XB_RETURN_IF_ERROR(RenameFile(staging, published));
  XB_RETURN_IF_ERROR(SyncParentDirectory(published));
  const std::vector<std::string> all = ListTableBackups(backups);
  for (size_t i = static_cast<size_t>(keep); i < all.size(); ++i) {
    XB_RETURN_IF_ERROR(RemoveBackupFolder(Joined(backups, all[i])));
  }
  return Status::Ok();
}

std::vector<std::string> ListTableBackups(const std::string& backups) {
  std::vector<std::string> names;
  for (std::string& entry : Entries(backups)) {
    if (entry.front() != '.' && IsFolder(Joined(backups, entry))) names.push_back(std::move(entry));
  }
  std::sort(names.begin(), names.end(), std::greater<>());
  return names;
}

std::string BackupTablePath(const std::string& table_path, const std::string& backups, const std::string& name) {
  return Joined(Joined(backups, name), BaseName(table_path));
}

Status CountLiveRecords(const std::string& table_path, const std::string& field, int64_t* live, int64_t* marked) {
  std::unique_ptr<Table> table;
  XB_RETURN_IF_ERROR(Table::Open(table_path, OpenMode::kReadOnly, &table));
  const int logical = table->FieldIndex(field);
  table->SetOrder(0);
  int64_t records = 0, set = 0;
  Status status = table->GoTop();
  while (status.ok() && !table->Eof()) {
    if (!table->Deleted()) {
      ++records;
      if (logical >= 0 && table->GetLogical(logical)) ++set;
    }
    status = table->Skip(1);
  }
  XB_RETURN_IF_ERROR(status);
  *live = records;
  *marked = set;
  return Status::Ok();
}

Status RestoreTable(const std::string& table_path, const std::string& backups, const std::string& name,
                    const std::string& now_name) {
  const std::string source = BackupTablePath(table_path, backups, name);
  if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos || !FileExists(source)) {
    return Status::NotFound("no backup " + name);
  }
  // Held to the end: no other program opens the table while its files are swapped.
  File current;
  XB_RETURN_IF_ERROR(File::Open(table_path, false, &current));
  XB_RETURN_IF_ERROR(current.LockOpenMode(true));

  const std::string memo = SiblingPath(table_path, "FPT");
  const std::string backup_memo = Joined(Joined(backups, name), BaseName(memo));
  std::vector<std::pair<std::string, std::string>> staged;  // (staging path, final path)
  staged.emplace_back(table_path + table_backup::kRestoreSuffix, table_path);
  if (FileExists(backup_memo)) staged.emplace_back(memo + table_backup::kRestoreSuffix, memo);
  XB_RETURN_IF_ERROR(CopyFile(source, staged[0].first));
  if (staged.size() > 1) XB_RETURN_IF_ERROR(CopyFile(backup_memo, staged[1].first));
  // The restored table is taken too before it takes the table's name.
  File restored;
  XB_RETURN_IF_ERROR(File::Open(staged[0].first, false, &restored));
  XB_RETURN_IF_ERROR(restored.LockOpenMode(true));

  // None is pruned here: the one being restored must not make room for this one.
  XB_RETURN_IF_ERROR(BackUpTable(table_path, backups, now_name, std::numeric_limits<int>::max()));
  // The two renames are not one step: a cut between them leaves a table and a memo file
  // of different times. Both pairs are whole among the backups, and restoring again mends it.
  for (auto it = staged.rbegin(); it != staged.rend(); ++it) XB_RETURN_IF_ERROR(RenameFile(it->first, it->second));
  XB_RETURN_IF_ERROR(RemoveFile(SiblingPath(table_path, "CDX")));
  return SyncParentDirectory(table_path);
}

}  // namespace xbase
