#include "tools/jlistdb/DataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace jlistdb {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p; the last folder owner only.
bool MakeFolders(const std::string& folder) {
  for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1)) {
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string DataFolderFor(const std::string& program_folder, const char* xdg_data_home, const std::string& home) {
  const std::string own = WithSlash(program_folder);
  const bool installed = IsDirectory(own + "../share/jotlist");
  if (IsDirectory(own) && ::access(own.c_str(), W_OK) == 0 && !installed) return own;
  const std::string xdg = xdg_data_home == nullptr ? std::string() : std::string(xdg_data_home);
  const std::string base = !xdg.empty() && xdg[0] == '/' ? WithSlash(xdg) : WithSlash(home) + ".local/share/";
  return base + "jotlist/";
}

std::string DefaultFolder() {
  char exe[4096];
  const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return std::string();
  std::string program(exe, static_cast<size_t>(length));
  program.erase(program.rfind('/') + 1);
  std::string home;
  if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  }
  const std::string folder = DataFolderFor(program, std::getenv("XDG_DATA_HOME"), home);
  if (folder != program && !IsDirectory(folder)) {
    std::string bare = folder;
    bare.pop_back();
    MakeFolders(bare);  // a failure shows when the task files are opened
  }
  return folder;
}

}  // namespace jlistdb
