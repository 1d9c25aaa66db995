// The iCalendar and CSV exports as jlistreport writes them, read back by readers we did not
// write (Python's icalendar package and its csv module) and by jlistdb's imports.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "reports/TaskExchangeExport.h"
#include "store/TodoTable.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/JlistreportTestSupport.h"

namespace {

using namespace export_testing;
using namespace jlistreport_testing;

// Each VTODO of the file as JSON: the fields a calendar program reads.
constexpr char kICalendarReader[] = R"(
import icalendar, json, sys
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
out = []
for c in cal.walk('VTODO'):
    cats = c.get('categories')
    cats = [] if cats is None else (cats if isinstance(cats, list) else [cats])
    due = c.get('due')
    out.append({
        'uid': str(c.get('uid')), 'summary': str(c.get('summary')),
        'description': str(c.get('description', '')),
        'due': due.dt.isoformat() if due is not None else '',
        'floating': due is not None and getattr(due.dt, 'tzinfo', None) is None,
        'priority': int(c.get('priority')), 'status': str(c.get('status')),
        'percent': int(c.get('percent-complete', -1)),
        'categories': [str(w) for cat in cats for w in cat.cats],
        'stamped': c.get('dtstamp') is not None})
print(json.dumps({'version': str(cal.get('version')), 'todos': out}))
)";

constexpr char kCsvReader[] = R"(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    print(json.dumps(list(csv.reader(f, strict=True))))
)";

struct TStoredTask {
  const char* date;
  const char* time;
  QString descript;
  const char* priority;
  bool done;
  QString keys;
  QString note;
};

class ExchangeExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    TodoTable table;
    table.SetDirectory(dir_.path() + "/");
    ASSERT_TRUE(table.OpenTaskFiles(false));
    const std::vector<TStoredTask> tasks = {
        {"20240305", "14:30", QStringLiteral("Call the plumber, now; \"quick\""), "A", false,
         QStringLiteral("home urgent"), QStringLiteral("Ask about\r\nthe boiler\r\n")},
        {"", "", QStringLiteral("Undated"), "B", true, QString(), QString()},
        {"20241231", "", QStringLiteral("Gr\u00FC\u00DFe to the team"), "C", false, QStringLiteral("party"),
         QStringLiteral("\u00C4rger")},
        {"20240101", "09:05", QStringLiteral("No priority"), "", false, QString(), QString()},
    };
    for (const TStoredTask& task : tasks) {
      ASSERT_TRUE(table.Append().ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kDate, QLatin1String(task.date)).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kTime, QLatin1String(task.time)).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kDescript, task.descript).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kPriority, QLatin1String(task.priority)).ok());
      ASSERT_TRUE(table.SetFieldBool(TodoTable::kDone, task.done).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kKeys, task.keys).ok());
      if (!task.note.isEmpty()) {
        ASSERT_TRUE(table.SetMemo(TodoTable::kNote, task.note).ok());
      }
      ASSERT_TRUE(table.Post().ok());
    }
    ASSERT_TRUE(table.Close().ok());
  }

  QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

  // Runs the Python `script` on `path` and gives what it printed as JSON.
  static QJsonDocument ReadWithPython(const char* script, const QString& path) {
    QProcess python;
    python.start(QStringLiteral(JOTLIST_PYTHON_PATH), {QStringLiteral("-c"), QLatin1String(script), path});
    EXPECT_TRUE(python.waitForFinished(60000));
    const QByteArray err = python.readAllStandardError();
    EXPECT_EQ(python.exitCode(), 0) << err.toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput());
  }

  // The tasks of `folder` as jlistdb dumps them in record order, without record numbers.
  static QStringList Dump(const QString& folder) {
    QProcess jlistdb;
    jlistdb.start(QStringLiteral(JLISTDB_PATH), {QStringLiteral("dump"), folder});
    EXPECT_TRUE(jlistdb.waitForFinished(60000));
    QStringList tasks;
    for (const QString& line : QString::fromUtf8(jlistdb.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
      tasks << line.section(QLatin1Char('\t'), 1);
    }
    return tasks;
  }

  // Runs jlistdb `command` (import-ics or import-csv) on `file` into `folder`.
  static int Import(const char* command, const QString& folder, const QString& file, QString* out = nullptr) {
    QProcess jlistdb;
    jlistdb.start(QStringLiteral(JLISTDB_PATH), {QLatin1String(command), folder, file});
    EXPECT_TRUE(jlistdb.waitForFinished(60000));
    if (out) *out = QString::fromUtf8(jlistdb.readAllStandardOutput() + jlistdb.readAllStandardError());
    return jlistdb.exitCode();
  }

  QTemporaryDir dir_;
};

TEST_F(ExchangeExportTest, ICalendarReaderSeesEveryFieldAndStableUids) {
  const QByteArray before = FolderFingerprint(dir_.path());
  const TRun run = RunJlistreport({dir_.path(), QStringLiteral("--ics"), Path("all.ics"), QStringLiteral("--order"),
                                   QStringLiteral("0")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(FolderFingerprint(dir_.path()), before) << "task files untouched";

  const QJsonObject read = ReadWithPython(kICalendarReader, Path("all.ics")).object();
  EXPECT_EQ(read["version"].toString(), "2.0");
  const QJsonArray todos = read["todos"].toArray();
  ASSERT_EQ(todos.size(), 4);
  const QJsonObject call = todos[0].toObject();
  EXPECT_EQ(call["summary"].toString(), "Call the plumber, now; \"quick\"");
  EXPECT_EQ(call["description"].toString(), "Ask about\nthe boiler\n");
  EXPECT_EQ(call["due"].toString(), "2024-03-05T14:30:00");
  EXPECT_TRUE(call["floating"].toBool()) << "local time without a zone";
  EXPECT_EQ(call["priority"].toInt(), 1);
  EXPECT_EQ(call["status"].toString(), "NEEDS-ACTION");
  EXPECT_EQ(call["percent"].toInt(), -1);
  EXPECT_EQ(call["categories"].toArray(), QJsonArray({"home", "urgent"}));
  EXPECT_TRUE(call["stamped"].toBool());

  const QJsonObject undated = todos[1].toObject();
  EXPECT_EQ(undated["due"].toString(), "") << "no DUE without a date";
  EXPECT_EQ(undated["priority"].toInt(), 5);
  EXPECT_EQ(undated["status"].toString(), "COMPLETED");
  EXPECT_EQ(undated["percent"].toInt(), 100);
  EXPECT_EQ(undated["categories"].toArray(), QJsonArray());

  const QJsonObject greetings = todos[2].toObject();
  EXPECT_EQ(greetings["summary"].toString(), QStringLiteral("Gr\u00FC\u00DFe to the team"));
  EXPECT_EQ(greetings["description"].toString(), QStringLiteral("\u00C4rger"));
  EXPECT_EQ(greetings["due"].toString(), "2024-12-31") << "a DATE value for a task without a time";
  EXPECT_EQ(greetings["priority"].toInt(), 9);
  EXPECT_EQ(todos[3].toObject()["priority"].toInt(), 0);

  // The same UIDs in another export, from a filtered list in another order, the folder
  // named with a final "/"; each task its own.
  const TRun again = RunJlistreport({dir_.path() + "/", QStringLiteral("--ics"), Path("open.ics"),
                                     QStringLiteral("--order"), QStringLiteral("2"), QStringLiteral("--filter"),
                                     QStringLiteral(".NOT. DONE")});
  ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
  const QJsonArray open = ReadWithPython(kICalendarReader, Path("open.ics")).object()["todos"].toArray();
  ASSERT_EQ(open.size(), 3);
  EXPECT_EQ(open[0].toObject()["summary"].toString(), "Call the plumber, now; \"quick\"");
  EXPECT_EQ(open[1].toObject()["summary"].toString(), QStringLiteral("Gr\u00FC\u00DFe to the team"));
  EXPECT_EQ(open[2].toObject()["summary"].toString(), "No priority");
  EXPECT_EQ(open[0].toObject()["uid"], todos[0].toObject()["uid"]);
  EXPECT_EQ(open[1].toObject()["uid"], todos[2].toObject()["uid"]);
  EXPECT_EQ(open[2].toObject()["uid"], todos[3].toObject()["uid"]);
  EXPECT_NE(todos[0].toObject()["uid"], todos[1].toObject()["uid"]);
  EXPECT_NE(TTaskExchangeExport::Uid(1, dir_.path()), TTaskExchangeExport::Uid(1, Path("elsewhere")));
}

TEST_F(ExchangeExportTest, CsvReaderSeesTheRowsAndAFailedWriteKeepsTheOldFile) {
  const TRun run = RunJlistreport({dir_.path(), QStringLiteral("--csv"), Path("all.csv"), QStringLiteral("--order"),
                                   QStringLiteral("0")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QByteArray bytes = ReadFile(Path("all.csv"));
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF" "Date,Time,Task,Priority,Done,Key words,Note\r\n"));
  EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << "every line break is CR LF";

  const QJsonArray rows = ReadWithPython(kCsvReader, Path("all.csv")).array();
  ASSERT_EQ(rows.size(), 5);
  EXPECT_EQ(rows[1].toArray(), QJsonArray({"2024-03-05", "14:30", "Call the plumber, now; \"quick\"", "A", "No",
                                           "home urgent", "Ask about\r\nthe boiler\r\n"}));
  EXPECT_EQ(rows[2].toArray(), QJsonArray({"", "", "Undated", "B", "Yes", "", ""}));
  EXPECT_EQ(rows[3].toArray(), QJsonArray({"2024-12-31", "", QStringLiteral("Gr\u00FC\u00DFe to the team"), "C", "No",
                                           "party", QStringLiteral("\u00C4rger")}));

  // A filter that does not compile leaves the earlier file whole; so do options the
  // format does not take.
  const TRun bad = RunJlistreport({dir_.path(), QStringLiteral("--csv"), Path("all.csv"), QStringLiteral("--filter"),
                                   QStringLiteral("DONE .AND.")});
  EXPECT_EQ(bad.exitCode, 2);
  const TRun titled = RunJlistreport({dir_.path(), QStringLiteral("--ics"), Path("all.csv"), QStringLiteral("--title"),
                                      QStringLiteral("x")});
  EXPECT_EQ(titled.exitCode, 2);
  EXPECT_TRUE(titled.err.contains("--order and --filter")) << titled.err.toStdString();
  // A folder that does not exist: nothing is created, nothing is left behind.
  const TRun nowhere = RunJlistreport({dir_.path(), QStringLiteral("--ics"), Path("missing/out.ics")});
  EXPECT_EQ(nowhere.exitCode, 1);
  EXPECT_TRUE(nowhere.err.contains("Unable to write to")) << nowhere.err.toStdString();
  EXPECT_EQ(ReadFile(Path("all.csv")), bytes);
  EXPECT_EQ(QDir(dir_.path()).entryList({QStringLiteral("*.ics*"), QStringLiteral("*.csv.*")}, QDir::Files).size(), 0);
}

TEST_F(ExchangeExportTest, RoundTripIntoAnEmptyFolderGivesTheSameTasks) {
  ASSERT_EQ(RunJlistreport({dir_.path(), QStringLiteral("--ics"), Path("all.ics"), QStringLiteral("--order"),
                            QStringLiteral("0")}).exitCode, 0);
  ASSERT_EQ(RunJlistreport({dir_.path(), QStringLiteral("--csv"), Path("all.csv"), QStringLiteral("--order"),
                            QStringLiteral("0")}).exitCode, 0);
  const QStringList original = Dump(dir_.path());
  ASSERT_EQ(original.size(), 4);

  QTemporaryDir fromCsv;
  QString said;
  ASSERT_EQ(Import("import-csv", fromCsv.path(), Path("all.csv"), &said), 0) << said.toStdString();
  EXPECT_TRUE(said.contains("4 tasks imported.")) << said.toStdString();
  EXPECT_EQ(Dump(fromCsv.path()), original);

  QTemporaryDir fromIcs;
  ASSERT_EQ(Import("import-ics", fromIcs.path(), Path("all.ics"), &said), 0) << said.toStdString();
  QStringList expected = original;
  // A task without a priority leaves with PRIORITY 0, which reads back as B.
  expected[3].replace(QLatin1String("\t\t\t"), QLatin1String("\t\tB\t"));
  EXPECT_EQ(Dump(fromIcs.path()), expected);

  // A malformed file adds nothing, and says where and why.
  QFile broken(Path("broken.ics"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(ReadFile(Path("all.ics")).replace("DUE:20240305T143000", "DUE:soon"));
  broken.close();
  EXPECT_EQ(Import("import-ics", fromIcs.path(), Path("broken.ics"), &said), 1);
  EXPECT_TRUE(said.contains(QRegularExpression(QStringLiteral("line \\d+: .*DUE")))) << said.toStdString();
  EXPECT_TRUE(said.contains("nothing imported")) << said.toStdString();
  EXPECT_EQ(Dump(fromIcs.path()).size(), 4);
}

}  // namespace
