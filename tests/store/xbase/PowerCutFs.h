// PowerCutFs: a recorder of every change the engine makes to the files of one folder (through
// the engine's file seam, IoObserver), and a builder of the files a power cut at any point of
// that record could leave behind.
//
// The engine works on real files; the recorder keeps a log of each write (with its bytes),
// resize, sync, create, rename, removal and folder sync, with the workload's own marks in
// between. A cut after log entry P keeps:
//   - the folder's names as of its last sync before P, plus a random prefix of the later
//     name changes (a journalling file system keeps them in order);
//   - for each file, every change made before its last sync before P, plus a random subset
//     of the later ones, each write possibly torn: only some of its 512-byte sectors kept.
// Pages written through the index file's shared mapping are reported at the seam like
// pwrite calls, so they count as unsynced until the file's sync returns.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "store/xbase/File.h"

namespace xbase::testing {

class PowerCutFs final : public IoObserver {
 public:
  // Records the changes made to files in `folder` (which must be empty); changes elsewhere
  // are ignored. Installs itself as the engine's observer until destroyed.
  explicit PowerCutFs(std::string folder);
  ~PowerCutFs() override;
  PowerCutFs(const PowerCutFs&) = delete;
  PowerCutFs& operator=(const PowerCutFs&) = delete;

  // Stops recording (the log stays).
  void Detach();

  // A mark of the workload: `step` began (done false) or returned (done true).
  void Mark(int step, bool done);

  size_t size() const { return log_.size(); }
  // Last step whose done mark lies before log position `cut` (-1 when none), and whether the
  // next step had begun by then.
  void StepsAt(size_t cut, int* done_step, bool* next_begun) const;

  // How a cut treats the changes that were not synced.
  struct CutChoices {
    double keep = 0.5;  // chance that an unsynced change survives
    double tear = 0.25;  // chance that a surviving write is torn into sectors
  };
  // The files (name -> content) a power cut just before log entry `cut` may leave.
  std::map<std::string, std::string> FilesAt(size_t cut, const CutChoices& choices, std::mt19937_64& rng) const;

  // Set when the engine touched a file in the folder whose creation was not seen.
  const std::vector<std::string>& problems() const { return problems_; }

  // IoObserver
  void Opened(int fd, const std::string& path, bool created_or_truncated) override;
  void Wrote(int fd, uint64_t offset, const void* data, size_t n) override;
  void Resized(int fd, uint64_t size) override;
  void Synced(int fd) override;
  void Renamed(const std::string& from, const std::string& to) override;
  void Removed(const std::string& path) override;
  void FolderSynced(const std::string& dir) override;

 private:
  enum class Kind { kCreate, kWrite, kResize, kSync, kRename, kRemove, kFolderSync, kMark };
  struct Entry {
    explicit Entry(Kind k) : kind(k) {}
    Kind kind;
    int node = -1;        // file of kCreate, kWrite, kResize, kSync
    uint64_t offset = 0;  // kWrite offset, kResize size
    std::string bytes;    // kWrite data
    std::string name;     // kCreate, kRename (from), kRemove
    std::string to;       // kRename
    int step = 0;         // kMark
    bool done = false;    // kMark
  };

  // The file name inside the folder, or "" when `path` lies elsewhere.
  std::string NameIn(const std::string& path) const;
  // The file behind `fd`, or -1 when it is not one of the folder's.
  int NodeOf(int fd);

  std::string folder_;
  bool attached_ = true;
  std::vector<Entry> log_;
  int next_node_ = 0;
  std::map<std::pair<dev_t, ino_t>, int> nodes_;  // live inodes
  std::map<std::string, int> names_;              // live names
  std::vector<std::string> problems_;
};

}  // namespace xbase::testing
