#include "store/UpgradeTaskFiles.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <string>

#include "store/CodePage.h"
#include "store/xbase/Codepage.h"
#include "store/xbase/File.h"
#include "store/ErrorText.h"
#include "store/TaskSchema.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

namespace {

// The code page an existing table's header names (read from its code page mark).
int CodePageOfTableFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return kDefaultCodePage;
  const QByteArray header = file.read(32);
  return header.size() == 32 ? xbase::CodePageOfMark(static_cast<uint8_t>(header[29])) : kDefaultCodePage;
}

constexpr char kBackupTable[] = "JLBAK.DBF";
constexpr char kBackupMemo[] = "JLBAK.FPT";
constexpr char kBackingUp[] = "Backing up old TODO Files...";
constexpr char kCreating[] = "Creating new style TODO Files...";
constexpr char kAppending[] = "Appending from old style TODO Files...";
constexpr char kCannotRename[] = "Unable to rename old JLIST.* files";
constexpr char kCannotCreate[] = "Unable to create new JLIST.* files";
constexpr char kCannotOpen[] = "Unable to open new JLIST.* files";
constexpr char kCannotAppendFrom[] = "Unable to append records from old JLIST.* files";
constexpr char kAppendFailed[] = "Unknown error while appending records from old JLIST.* files";

class Upgrade {
 public:
  Upgrade(TodoTable& table, TodoTableHost* host) : table_(table), host_(host) {}

  bool Run() {
    Status(kBackingUp);
    table_.BeginBatch();
    const bool ok = Convert();
    backup_.reset();
    // The converted records reach the disk only with the batch's sync: a failed sync
    // (a full disk) is a failed conversion, and the user is told why.
    const xbase::Status synced = table_.EndBatch();
    const xbase::Status closed = table_.Close();
    const xbase::Status first = synced.ok() ? closed : synced;
    if (ok && !first.ok()) {
      if (host_) host_->InfoBox(UserErrorText(first));
      return false;
    }
    return ok;
  }

 private:
  QString InFolder(const char* name) const { return table_.Directory() + QLatin1String(name); }

  void Status(const QString& text) {
    if (host_) {
      host_->UpdateStatus(text);
      host_->ProcessMessages();
    }
  }
  void Status(const char* text) { Status(QString::fromLatin1(text)); }

  bool Fail(const char* message) {
    if (host_) host_->InfoBox(QString::fromLatin1(message));
    return false;
  }

  bool Convert() {
    // Nothing is pending on the table before a conversion: it was only opened to look.
    (void)table_.Close();
    QFile::remove(InFolder(kBackupTable));
    QFile::remove(InFolder(kBackupMemo));
    QFile::remove(InFolder(TodoTable::kIndexName));

    if (!QFile::rename(InFolder(TodoTable::kMemoName), InFolder(kBackupMemo))) {
      return Fail(kCannotRename);
    }
    if (host_) host_->ProcessMessages();
    if (!QFile::rename(InFolder(TodoTable::kTableName), InFolder(kBackupTable))) {
      // The old table stays where it is: give it its memo file back.
      QFile::rename(InFolder(kBackupMemo), InFolder(TodoTable::kMemoName));
      return Fail(kCannotRename);
    }
    if (!QFile::exists(InFolder(kBackupTable)) || !QFile::exists(InFolder(kBackupMemo))) {
      return Fail(kCannotRename);
    }
    // The backup names made durable before the new table takes the old ones.
    if (!xbase::SyncParentDirectory(InFolder(kBackupTable).toStdString()).ok()) return Fail(kCannotRename);

    Status(kCreating);
    // The converted table keeps the code page the old one names.
    if (!table_.CreateTaskTable(CodePageOfTableFile(InFolder(kBackupTable)))) return Fail(kCannotCreate);
    if (!table_.OpenTaskFiles(true)) return Fail(kCannotOpen);
    table_.SetOrder(0);

    const std::string backup_path = InFolder(kBackupTable).toStdString();
    if (!xbase::Table::Open(backup_path, xbase::OpenMode::kExclusive, &backup_).ok()) {
      return Fail(kCannotAppendFrom);
    }
    Status(kAppending);
    return CopyRecords() ? true : Fail(kAppendFailed);
  }

  bool CopyRecords() {
    const int date = backup_->FieldIndex(task_schema::kDateField);
    const int time = backup_->FieldIndex(task_schema::kTimeField);
    const int descript = backup_->FieldIndex(task_schema::kDescriptField);
    const int note = backup_->FieldIndex(task_schema::kNoteField);
    const int done = backup_->FieldIndex(task_schema::kDoneField);
    const int keys = backup_->FieldIndex(task_schema::kKeysField);
    if (date < 0 || time < 0 || descript < 0 || note < 0 || done < 0 || keys < 0) return false;

    int count = 0;
    if (!backup_->GoTop().ok()) return false;
    while (!backup_->Eof()) {
      // A task the old program had deleted stays deleted: it is not carried over.
      if (!backup_->Deleted()) {
        std::string memo;
        if (!backup_->GetMemo(note, &memo).ok()) return false;
        const bool stored =
            table_.Append().ok() &&
            table_.SetFieldText(TodoTable::kPriority, QStringLiteral("B")).ok() &&
            table_.SetFieldText(TodoTable::kDate, FromCodePage(backup_->GetString(date), backup_->code_page())).ok() &&
            table_.SetFieldText(TodoTable::kTime, FromCodePage(backup_->GetString(time), backup_->code_page())).ok() &&
            table_.SetFieldText(TodoTable::kDescript, FromCodePage(backup_->GetString(descript), backup_->code_page()))
                .ok() &&
            table_.SetFieldBool(TodoTable::kDone, backup_->GetLogical(done)).ok() &&
            table_.SetFieldText(TodoTable::kKeys, FromCodePage(backup_->GetString(keys), backup_->code_page())).ok() &&
            table_.SetMemo(TodoTable::kNote, PadNoteLength(FromCodePage(memo, backup_->code_page()))).ok() &&
            table_.Post().ok();
        if (!stored) {
          table_.Cancel();
          return false;
        }
        ++count;
        Status(QStringLiteral("Appended %1 old TODO records...").arg(count));
      }
      if (!backup_->Skip(1).ok()) return false;
    }
    return true;
  }

  TodoTable& table_;
  TodoTableHost* host_;
  std::unique_ptr<xbase::Table> backup_;
};

}  // namespace

bool UpgradeTaskFiles(TodoTable& table, TodoTableHost* host) { return Upgrade(table, host).Run(); }
