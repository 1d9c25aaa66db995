#include "tests/store/xbase/PowerCutFs.h"

#include <sys/stat.h>

#include <algorithm>

namespace xbase::testing {

namespace {

constexpr uint64_t kSector = 512;

void WriteInto(std::string* content, uint64_t offset, std::string_view bytes) {
  if (content->size() < offset + bytes.size()) content->resize(offset + bytes.size(), '\0');
  content->replace(offset, bytes.size(), bytes);
}

}  // namespace

PowerCutFs::PowerCutFs(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  SetIoObserverForTests(this);
}

PowerCutFs::~PowerCutFs() { Detach(); }

void PowerCutFs::Detach() {
  if (attached_ && ObservedIo() == this) SetIoObserverForTests(nullptr);
  attached_ = false;
}

void PowerCutFs::Mark(int step, bool done) {
  Entry e{Kind::kMark};
  e.step = step;
  e.done = done;
  log_.push_back(std::move(e));
}

void PowerCutFs::StepsAt(size_t cut, int* done_step, bool* next_begun) const {
  *done_step = -1;
  *next_begun = false;
  for (size_t i = 0; i < std::min(cut, log_.size()); ++i) {
    const Entry& e = log_[i];
    if (e.kind != Kind::kMark) continue;
    if (e.done) {
      *done_step = e.step;
      *next_begun = false;
    } else {
      *next_begun = true;
    }
  }
}

std::string PowerCutFs::NameIn(const std::string& path) const {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || path.compare(0, slash, folder_) != 0 || slash != folder_.size()) return "";
  return path.substr(slash + 1);
}

int PowerCutFs::NodeOf(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return -1;
  const auto it = nodes_.find({st.st_dev, st.st_ino});
  return it == nodes_.end() ? -1 : it->second;
}

void PowerCutFs::Opened(int fd, const std::string& path, bool created_or_truncated) {
  if (!attached_) return;
  const std::string name = NameIn(path);
  if (name.empty()) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    problems_.push_back("cannot stat " + path);
    return;
  }
  const std::pair<dev_t, ino_t> key{st.st_dev, st.st_ino};
  const auto named = names_.find(name);
  const auto live = nodes_.find(key);
  if (named != names_.end() && live != nodes_.end() && named->second == live->second) {
    if (created_or_truncated) {  // an existing file cut to nothing
      Entry e{Kind::kResize};
      e.node = live->second;
      e.offset = 0;
      log_.push_back(std::move(e));
    }
    return;
  }
  if (!created_or_truncated) {
    problems_.push_back("the creation of " + path + " was not seen");
    return;
  }
  const int node = next_node_++;
  nodes_[key] = node;
  names_[name] = node;
  Entry e{Kind::kCreate};
  e.node = node;
  e.name = name;
  log_.push_back(std::move(e));
}

void PowerCutFs::Wrote(int fd, uint64_t offset, const void* data, size_t n) {
  if (!attached_) return;
  const int node = NodeOf(fd);
  if (node < 0) return;
  Entry e{Kind::kWrite};
  e.node = node;
  e.offset = offset;
  e.bytes.assign(static_cast<const char*>(data), n);
  log_.push_back(std::move(e));
}

void PowerCutFs::Resized(int fd, uint64_t size) {
  if (!attached_) return;
  const int node = NodeOf(fd);
  if (node < 0) return;
  Entry e{Kind::kResize};
  e.node = node;
  e.offset = size;
  log_.push_back(std::move(e));
}

void PowerCutFs::Synced(int fd) {
  if (!attached_) return;
  const int node = NodeOf(fd);
  if (node < 0) return;
  Entry e{Kind::kSync};
  e.node = node;
  log_.push_back(std::move(e));
}

void PowerCutFs::Renamed(const std::string& from, const std::string& to) {
  if (!attached_) return;
  const std::string a = NameIn(from);
  const std::string b = NameIn(to);
  if (a.empty() && b.empty()) return;
  if (a.empty() || b.empty()) {
    problems_.push_back("rename across folders: " + from + " to " + to);
    return;
  }
  const auto it = names_.find(a);
  if (it == names_.end()) {
    problems_.push_back("rename of a file not seen: " + from);
    return;
  }
  names_[b] = it->second;
  names_.erase(a);
  Entry e{Kind::kRename};
  e.name = a;
  e.to = b;
  log_.push_back(std::move(e));
}

void PowerCutFs::Removed(const std::string& path) {
  if (!attached_) return;
  const std::string name = NameIn(path);
  if (name.empty()) return;
  names_.erase(name);
  Entry e{Kind::kRemove};
  e.name = name;
  log_.push_back(std::move(e));
}

void PowerCutFs::FolderSynced(const std::string& dir) {
  if (!attached_) return;
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (d != folder_) return;
  log_.push_back(Entry{Kind::kFolderSync});
}

std::map<std::string, std::string> PowerCutFs::FilesAt(size_t cut, const CutChoices& choices,
                                                       std::mt19937_64& rng) const {
  cut = std::min(cut, log_.size());
  std::bernoulli_distribution keep(choices.keep);
  std::bernoulli_distribution tear(choices.tear);
  std::bernoulli_distribution half(0.5);

  // The names: everything up to the last folder sync, then a prefix of the rest.
  size_t folder_synced = 0;  // entries before this index are durable names
  std::map<int, size_t> synced;  // node -> entries before this index are durable content
  for (size_t i = 0; i < cut; ++i) {
    if (log_[i].kind == Kind::kFolderSync) folder_synced = i;
    if (log_[i].kind == Kind::kSync) synced[log_[i].node] = i;
  }
  std::vector<size_t> pending_names;
  std::map<std::string, int> names;
  auto apply_name = [&](const Entry& e) {
    if (e.kind == Kind::kCreate) {
      names[e.name] = e.node;
    } else if (e.kind == Kind::kRename) {
      const auto it = names.find(e.name);
      if (it == names.end()) return;
      names[e.to] = it->second;
      names.erase(e.name);
    } else if (e.kind == Kind::kRemove) {
      names.erase(e.name);
    }
  };
  for (size_t i = 0; i < cut; ++i) {
    const Kind k = log_[i].kind;
    if (k != Kind::kCreate && k != Kind::kRename && k != Kind::kRemove) continue;
    if (i < folder_synced) {
      apply_name(log_[i]);
    } else {
      pending_names.push_back(i);
    }
  }
  const size_t kept_names = std::uniform_int_distribution<size_t>(0, pending_names.size())(rng);
  for (size_t j = 0; j < kept_names; ++j) apply_name(log_[pending_names[j]]);

  // The content of each file that has a name.
  std::map<int, std::string> content;
  for (const auto& [name, node] : names) content[node];
  for (size_t i = 0; i < cut; ++i) {
    const Entry& e = log_[i];
    if (e.kind != Kind::kWrite && e.kind != Kind::kResize) continue;
    const auto it = content.find(e.node);
    if (it == content.end()) continue;
    const auto s = synced.find(e.node);
    const bool durable = s != synced.end() && i < s->second;
    if (!durable && !keep(rng)) continue;
    std::string& c = it->second;
    if (e.kind == Kind::kResize) {
      c.resize(e.offset, '\0');
      continue;
    }
    if (durable || !tear(rng)) {
      WriteInto(&c, e.offset, e.bytes);
      continue;
    }
    // Torn: each sector the write touches is kept or lost on its own.
    uint64_t from = e.offset;
    const uint64_t end = e.offset + e.bytes.size();
    while (from < end) {
      const uint64_t to = std::min(end, (from / kSector + 1) * kSector);
      if (half(rng)) WriteInto(&c, from, std::string_view(e.bytes).substr(from - e.offset, to - from));
      from = to;
    }
  }
  std::map<std::string, std::string> files;
  for (const auto& [name, node] : names) files[name] = content[node];
  return files;
}

}  // namespace xbase::testing
