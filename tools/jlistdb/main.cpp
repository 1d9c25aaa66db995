// jlistdb: command-line access to Jotlist's task files (JLIST.DBF, JLIST.FPT, JLIST.CDX)
// in a folder: create, import, import-ics, import-csv, dump, count, seek, delete, pack,
// zap, check, reindex, backups, restore.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "store/TaskSchema.h"
#include "store/xbase/Codepage.h"
#include "store/xbase/Table.h"
#include "store/xbase/TableBackup.h"
#include "tools/jlistdb/DataFolder.h"
#include "tools/jlistdb/ExchangeImportCommand.h"
#include "tools/jlistdb/TaskText.h"

namespace {

using xbase::OpenMode;
using xbase::Status;
using xbase::Table;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "usage: jlistdb COMMAND [DIR] [ARGS]\n"
    "  DIR is the folder that holds JLIST.DBF. Left out, it is the folder Jotlist uses:\n"
    "  the program's own when writable and not installed, else $XDG_DATA_HOME/jotlist\n"
    "  (~/.local/share/jotlist); delete always needs it, import reads stdin without it\n"
    "commands:\n"
    "  create DIR                      new empty task files with the five index tags\n"
    "  import DIR [FILE]               append tasks from tab-separated lines (stdin without FILE):\n"
    "                                  DATE TIME DESCRIPT DONE(T/F) KEYS PRIORITY NOTE\n"
    "                                  (in NOTE: \\n line break, \\\\ backslash, \\t tab)\n"
    "  import-ics DIR FILE             append the to-dos of an iCalendar file (events, journal\n"
    "                                  entries skipped and counted)\n"
    "  import-csv DIR FILE             append the rows of a CSV file with the header row\n"
    "                                  Date,Time,Task,Priority,Done,Key words,Note\n"
    "  dump DIR [--order N|TAG] [--filter EXPR] [--deleted]\n"
    "                                  one line per task: record number, deleted mark, fields\n"
    "  count DIR [--filter EXPR] [--deleted]\n"
    "  seek DIR TAG KEY [--soft]       find KEY in TAG's order\n"
    "  delete DIR RECNO...             mark records deleted\n"
    "  pack DIR                        remove deleted records for good, rebuild the index\n"
    "  zap DIR                         remove every record\n"
    "  check DIR                       report every inconsistency (status 1 when there is one)\n"
    "  reindex DIR                     rebuild the index tags\n"
    "  backups DIR                     the backups in DIR/backups, newest first: name, tasks, done\n"
    "  restore DIR NAME                put backup NAME in place of the task files (they are\n"
    "                                  backed up first; refused while another program has them open)\n";

// The seven task fields and the five tags, in the order the program creates them.
enum Field { kDate = 0, kTime, kDescript, kNote, kDone, kKeys, kPriority };

std::vector<xbase::FieldSpec> TaskFields() { return task_schema::FieldSpecs(); }
std::vector<xbase::TagDefinition> TaskTags() { return task_schema::TagDefinitions(); }

int Fail(const std::string& message) {
  std::cerr << "jlistdb: " << message << "\n";
  return kFailed;
}
int Fail(const Status& s) { return Fail(s.ToString()); }

bool IsFolder(const std::string& dir) {
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string TablePath(const std::string& dir) { return dir + "/JLIST.DBF"; }

// Opens the task table of `dir`, saying why on stderr when it cannot. With `or_shared`, an
// exclusive open that conflicts with another open is made shared instead.
bool OpenTable(const std::string& dir, OpenMode mode, std::unique_ptr<Table>* out, bool or_shared = false) {
  if (!IsFolder(dir)) {
    Fail("folder " + dir + " does not exist");
    return false;
  }
  Status s = Table::Open(TablePath(dir), mode, out);
  if (or_shared && s.IsInUse()) s = Table::Open(TablePath(dir), OpenMode::kShared, out);
  if (s.IsNotFound()) {
    Fail("no task table JLIST.DBF in " + dir);
    return false;
  }
  if (!s.ok()) {
    Fail(s);
    return false;
  }
  const std::vector<xbase::FieldDesc>& fields = (*out)->fields();
  const std::vector<xbase::FieldSpec> want = TaskFields();
  bool task_table = fields.size() == want.size();
  for (size_t i = 0; task_table && i < want.size(); ++i) {
    task_table = fields[i].name == want[i].name && fields[i].type == want[i].type;
  }
  if (!task_table) {
    Fail(TablePath(dir) + " is not a task table (its fields differ)");
    return false;
  }
  return true;
}

// Text goes in and out as UTF-8; the table keeps it in the code page its header names.
std::string Field(const Table& t, int field) {
  return xbase::CodePageToUtf8(jlistdb::TrimRight(t.GetString(field)), t.code_page());
}

std::string Stored(const Table& t, std::string_view utf8) { return xbase::Utf8ToCodePage(utf8, t.code_page()); }

// The dump line of the current record; false (with the reason on stderr) when its note
// cannot be read.
bool RecordLine(const Table& t, std::string* line) {
  std::string note;
  Status s = t.GetMemo(kNote, &note);
  if (!s.ok()) {
    Fail(s);
    return false;
  }
  *line = std::to_string(t.RecNo()) + "\t" + (t.Deleted() ? "*" : " ") + "\t" + Field(t, kDate) + "\t" +
          Field(t, kTime) + "\t" + Field(t, kDescript) + "\t" + (t.GetLogical(kDone) ? "T" : "F") + "\t" +
          Field(t, kKeys) + "\t" + Field(t, kPriority) + "\t" + jlistdb::EscapeNote(xbase::CodePageToUtf8(note, t.code_page()));
  return true;
}

// Options after DIR: --order, --filter, --deleted, --soft; the rest are positional.
struct Options {
  std::string order;
  std::string filter;
  bool deleted = false;
  bool soft = false;
  std::vector<std::string> positional;
};

bool ParseOptions(const std::vector<std::string>& args, size_t from, Options* o) {
  for (size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--order" || a == "--filter") {
      if (i + 1 >= args.size()) {
        Fail(a + " needs a value");
        return false;
      }
      (a == "--order" ? o->order : o->filter) = args[++i];
    } else if (a == "--deleted") {
      o->deleted = true;
    } else if (a == "--soft") {
      o->soft = true;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      Fail("unknown option " + a);
      return false;
    } else {
      o->positional.push_back(a);
    }
  }
  return true;
}

// Sets the filter of dump and count: EXPR, and (unless deleted ones are wanted) not deleted.
bool ApplyFilter(Table* t, const Options& o) {
  const std::string user = Stored(*t, o.filter);
  // The caller's expression alone first, so that an error names a position in it.
  Status s = t->SetFilter(user);
  if (!s.ok()) {
    Fail("bad filter expression: " + s.ToString());
    return false;
  }
  if (o.deleted) return true;
  s = t->SetFilter(user.empty() ? "!Deleted()" : "!Deleted() .and. (" + user + ")");
  if (!s.ok()) return Fail(s) == kOk;
  return true;
}

int CmdCreate(const std::string& dir) {
  if (!IsFolder(dir)) return Fail("folder " + dir + " does not exist");
  Status s = Table::Create(TablePath(dir), TaskFields());
  if (!s.ok()) return Fail(s);
  std::unique_ptr<Table> t;
  s = Table::Open(TablePath(dir), OpenMode::kExclusive, &t);
  if (s.ok()) s = t->Reindex(TaskTags());
  if (!s.ok()) return Fail("table created, but not its index: " + s.ToString());
  return kOk;
}

int CmdImport(const std::string& dir, const Options& o) {
  if (o.positional.size() > 1) return Fail("import takes at most one FILE");
  std::string input;
  if (o.positional.empty()) {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(o.positional[0], std::ios::binary);
    if (!in) return Fail("cannot read " + o.positional[0] + ": " + std::strerror(errno));
    input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Every line is checked before the first is stored, so bad input changes nothing.
  std::vector<jlistdb::TaskLine> tasks;
  std::istringstream lines(input);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    jlistdb::TaskLine task;
    std::string error;
    if (!jlistdb::ParseTaskLine(line, &task, &error)) {
      return Fail("line " + std::to_string(number) + ": " + error + " (nothing imported)");
    }
    tasks.push_back(std::move(task));
  }
  // Exclusive use spares the locks of every append; when the program (or another tool)
  // has the table open, the import shares it.
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kExclusive, &t, /*or_shared=*/true)) return kFailed;
  t->BeginBatch();
  for (const jlistdb::TaskLine& task : tasks) {
    Status s = t->Append();
    if (s.ok()) s = t->SetString(kDate, Stored(*t, task.date));
    if (s.ok()) s = t->SetString(kTime, Stored(*t, task.time));
    if (s.ok()) s = t->SetString(kDescript, Stored(*t, task.descript));
    if (s.ok()) s = t->SetLogical(kDone, task.done);
    if (s.ok()) s = t->SetString(kKeys, Stored(*t, task.keys));
    if (s.ok()) s = t->SetString(kPriority, Stored(*t, task.priority));
    if (s.ok() && !task.note.empty()) s = t->SetMemo(kNote, Stored(*t, task.note));
    if (s.ok()) s = t->Post();
    if (!s.ok()) {
      t->Cancel();
      // Syncs what was posted before; the failure that stopped the import is the one to report.
      (void)t->EndBatch();
      return Fail(s);
    }
  }
  Status s = t->EndBatch();
  if (!s.ok()) return Fail(s);
  return kOk;
}

// --order takes a number (0 = record order) or a tag name.
bool SelectOrder(Table* t, const std::string& order) {
  if (order.empty()) return true;
  int n = -1;
  if (order.find_first_not_of("0123456789") == std::string::npos && order.size() < 4) {
    n = std::atoi(order.c_str());
  } else {
    n = t->OrderOfTag(order);
    if (n == 0) n = -1;
  }
  if (n < 0 || n > t->TagCount()) {
    Fail("no order " + order + (t->TagCount() == 0 ? " (the table has no usable index)" : ""));
    return false;
  }
  t->SetOrder(n);
  return true;
}

int CmdDump(const std::string& dir, const Options& o) {
  if (!o.positional.empty()) return Fail("unexpected argument " + o.positional[0]);
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kReadOnly, &t)) return kFailed;
  if (!SelectOrder(t.get(), o.order) || !ApplyFilter(t.get(), o)) return kFailed;
  t->SetTurboRead(true);
  Status s = t->GoTop();
  std::string out;
  std::string line;
  while (s.ok() && !t->Eof()) {
    if (!RecordLine(*t, &line)) return kFailed;
    out += line;
    out += '\n';
    if (out.size() > (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
    s = t->Skip(1);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (!s.ok()) return Fail(s);
  return std::fflush(stdout) == 0 ? kOk : Fail("cannot write the output");
}

int CmdCount(const std::string& dir, const Options& o) {
  if (!o.positional.empty()) return Fail("unexpected argument " + o.positional[0]);
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kReadOnly, &t)) return kFailed;
  if (!ApplyFilter(t.get(), o)) return kFailed;
  uint32_t n = 0;
  Status s = t->CountFiltered(&n);
  if (!s.ok()) return Fail(s);
  std::printf("%u\n", n);
  return kOk;
}

int CmdSeek(const std::string& dir, const Options& o) {
  if (o.positional.size() != 2) return Fail("seek needs TAG and KEY");
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kReadOnly, &t)) return kFailed;
  const int order = t->OrderOfTag(o.positional[0]);
  if (order == 0) return Fail("no tag " + o.positional[0] + (t->TagCount() == 0 ? " (the table has no usable index)" : ""));
  t->SetOrder(order);
  bool found = false;
  Status s = t->Seek(Stored(*t, o.positional[1]), o.soft, &found);
  if (!s.ok()) return Fail(s);
  if (t->Eof()) {
    std::printf(found ? "found\n" : (o.soft ? "eof\n" : "not found\n"));
    return kFailed;
  }
  std::string line;
  if (!RecordLine(*t, &line)) return kFailed;
  std::printf("%s\n%s\n", found ? "found" : "not found", line.c_str());
  return found ? kOk : kFailed;
}

int CmdDelete(const std::string& dir, const Options& o) {
  if (o.positional.empty()) return Fail("delete needs at least one record number");
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kShared, &t)) return kFailed;
  // All numbers are checked before the first record is touched.
  std::vector<uint32_t> recnos;
  const uint32_t count = t->RecordCount();
  for (const std::string& a : o.positional) {
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(a.c_str(), &end, 10);
    if (a.empty() || *end != '\0' || errno != 0 || a[0] == '-' || v < 1 || v > count) {
      return Fail("no record " + a + " (the table has " + std::to_string(count) + ")");
    }
    recnos.push_back(static_cast<uint32_t>(v));
  }
  t->BeginBatch();
  for (const uint32_t r : recnos) {
    Status s = t->Go(r);
    if (s.ok()) s = t->Delete();
    if (!s.ok()) {
      // Syncs the deletions made before; the failure that stopped them is the one to report.
      (void)t->EndBatch();
      return Fail(s);
    }
  }
  Status s = t->EndBatch();
  return s.ok() ? kOk : Fail(s);
}

int CmdPack(const std::string& dir) {
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kExclusive, &t)) return kFailed;
  const uint32_t before = t->RecordCount();
  Status s = t->Pack();
  if (!s.ok()) return Fail(s);
  if (t->index_state() != Table::IndexState::kOk) s = t->Reindex(TaskTags());
  if (!s.ok()) return Fail("packed, but the index was not rebuilt: " + s.ToString());
  std::printf("%u records, %u removed\n", t->RecordCount(), before - t->RecordCount());
  return kOk;
}

int CmdZap(const std::string& dir) {
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kExclusive, &t)) return kFailed;
  Status s = t->Zap();
  return s.ok() ? kOk : Fail(s);
}

int CmdCheck(const std::string& dir) {
  if (!IsFolder(dir)) return Fail("folder " + dir + " does not exist");
  std::unique_ptr<Table> t;
  Status s = Table::Open(TablePath(dir), OpenMode::kReadOnly, &t);
  if (s.IsNotFound()) return Fail("no task table JLIST.DBF in " + dir);
  if (!s.ok()) {
    std::printf("%s\n", s.ToString().c_str());
    return kFailed;
  }
  std::vector<std::string> problems;
  s = t->Check(&problems);
  if (!s.ok()) return Fail(s);
  for (const std::string& p : problems) std::printf("%s\n", p.c_str());
  return problems.empty() ? kOk : kFailed;
}

int CmdReindex(const std::string& dir) {
  std::unique_ptr<Table> t;
  if (!OpenTable(dir, OpenMode::kExclusive, &t)) return kFailed;
  Status s = t->Reindex(TaskTags());
  return s.ok() ? kOk : Fail(s);
}

std::string BackupsFolder(const std::string& dir) { return dir + "/backups"; }

int CmdBackups(const std::string& dir) {
  if (!IsFolder(dir)) return Fail("folder " + dir + " does not exist");
  for (const std::string& name : xbase::ListTableBackups(BackupsFolder(dir))) {
    int64_t tasks = 0, done = 0;
    const Status s = xbase::CountLiveRecords(xbase::BackupTablePath(TablePath(dir), BackupsFolder(dir), name),
                                             "DONE", &tasks, &done);
    if (s.ok()) {
      std::printf("%s\t%lld tasks\t%lld done\n", name.c_str(), static_cast<long long>(tasks),
                  static_cast<long long>(done));
    } else {
      std::printf("%s\tunreadable: %s\n", name.c_str(), s.ToString().c_str());
    }
  }
  return kOk;
}

int CmdRestore(const std::string& dir, const std::string& name) {
  if (!IsFolder(dir)) return Fail("folder " + dir + " does not exist");
  char now[32];
  const std::time_t t = std::time(nullptr);
  std::tm local {};
  std::strftime(now, sizeof now, "%Y-%m-%d_%H-%M-%S", ::localtime_r(&t, &local));
  Status s = xbase::RestoreTable(TablePath(dir), BackupsFolder(dir), name, now);
  if (s.IsInUse()) return Fail("the task files are open in another program; nothing was restored");
  if (!s.ok()) return Fail(s);
  std::unique_ptr<Table> table;
  if (!OpenTable(dir, OpenMode::kExclusive, &table)) return kFailed;
  s = table->Reindex(TaskTags());
  if (!s.ok()) return Fail("restored, but the index was not rebuilt: " + s.ToString());
  std::printf("restored %s; the files replaced are backup %s\n", name.c_str(), now);
  return kOk;
}

// Whether args[1] is the DIR argument. It may be left out where that is unambiguous:
// the word after the command is an option, or nothing follows, or seek has just TAG
// and KEY. delete always needs it: a record number is never taken for a folder.
bool FolderGiven(const std::string& cmd, const std::vector<std::string>& args) {
  if (args.size() < 2) return false;
  if (args[1].size() > 2 && args[1].compare(0, 2, "--") == 0) return false;
  if (cmd == "restore" || cmd == "import-ics" || cmd == "import-csv") return args.size() >= 3;
  if (cmd == "seek") {
    size_t words = 0;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--order" || args[i] == "--filter") {
        ++i;
      } else if (args[i].compare(0, 2, "--") != 0 || args[i].size() <= 2) {
        ++words;
      }
    }
    return words != 2;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsageText, args.empty() ? stderr : stdout);
    return args.empty() ? kUsage : kOk;
  }
  const std::string& cmd = args[0];
  const bool given = FolderGiven(cmd, args);
  if (!given && cmd == "delete") {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  std::string dir = given ? args[1] : jlistdb::DefaultFolder();
  if (dir.empty()) return Fail("cannot find the program's folder; give DIR");
  Options o;
  if (!ParseOptions(args, given ? 2 : 1, &o)) return kUsage;
  const bool bare = o.positional.empty() && o.order.empty() && o.filter.empty() && !o.deleted && !o.soft;
  if (cmd == "create" && bare) return CmdCreate(dir);
  if (cmd == "import") return CmdImport(dir, o);
  if ((cmd == "import-ics" || cmd == "import-csv") && o.positional.size() == 1 && o.order.empty() &&
      o.filter.empty()) {
    return jlistdb::RunExchangeImport(cmd, dir, o.positional[0]);
  }
  if (cmd == "dump") return CmdDump(dir, o);
  if (cmd == "count") return CmdCount(dir, o);
  if (cmd == "seek") return CmdSeek(dir, o);
  if (cmd == "delete") return CmdDelete(dir, o);
  if (cmd == "pack" && bare) return CmdPack(dir);
  if (cmd == "zap" && bare) return CmdZap(dir);
  if (cmd == "check" && bare) return CmdCheck(dir);
  if (cmd == "reindex" && bare) return CmdReindex(dir);
  if (cmd == "backups" && bare) return CmdBackups(dir);
  if (cmd == "restore" && o.positional.size() == 1 && o.order.empty() && o.filter.empty()) {
    return CmdRestore(dir, o.positional[0]);
  }
  std::fputs(kUsageText, stderr);
  return kUsage;
}
