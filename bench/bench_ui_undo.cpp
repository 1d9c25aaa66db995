// Undo and backups at scale:
//   - undoing "All Marked Done" that took 10 000 of 20 000 tasks (goal: under 0.5 s);
//   - closing a folder of 100 000 tasks with its backup taken, against the close alone
//     (goal: at most 0.3 s more).
// Tables are built once under /tmp/jlist-undo-bench-* (delete them to build them again).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateTime>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchUiHosts.h"
#include "core/UndoHistory.h"
#include "store/TaskBackup.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"
#include "widgets/MessageBox.h"

namespace {

using bench::Check;
using bench::QuietHost;

std::string Folder(int tasks) { return "/tmp/jlist-undo-bench-" + std::to_string(tasks); }
const std::string kWork = "/tmp/jlist-undo-bench-work/";

// Every second task done, each with a short note.
void BuildTable(int tasks) {
  QuietHost host;
  bench::BuildTaskFolder(
      Folder(tasks), tasks,
      [](xbase::Table& t, int i) {
        Check(t.SetString(0, QDate(2024, 2, 1).addDays(i % 90).toString("yyyyMMdd").toStdString()));
        Check(t.SetString(1, "09:30"));
        Check(t.SetString(2, "Task number " + std::to_string(i)));
        Check(t.SetMemo(3, "A note of task " + std::to_string(i)));
        Check(t.SetLogical(4, i % 2 == 0));
        Check(t.SetString(5, i % 3 == 0 ? "home" : "work"));
        Check(t.SetString(6, "B"));
      },
      &host);
}

// A fresh copy of the built folder to work on.
void CopyToWork(int tasks) {
  std::filesystem::remove_all(kWork);
  std::filesystem::create_directories(kWork);
  for (const char* name : {"JLIST.DBF", "JLIST.FPT", "JLIST.CDX"}) {
    std::filesystem::copy_file(Folder(tasks) + "/" + name, kWork + name);
  }
}

void BM_UndoBulkDelete(benchmark::State& state) {
  const int tasks = 20000;
  BuildTable(tasks);
  size_t restored = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CopyToWork(tasks);
    QuietHost host;
    TodoTable table(&host);
    table.SetDirectory(QString::fromStdString(kWork));
    if (!table.OpenTaskFiles(false)) std::abort();
    bench::BulkDeleteWindow window(table);
    TScriptedResponder boxes;
    boxes.AnswerYes();
    TUndoHistory history;
    table.SetJournal(true);
    if (TBulkDelete(window).DeleteAllMarkedDone() != tasks / 2) std::abort();
    history.Push(QStringLiteral("Delete All Marked Done"), table.TakeJournal());
    state.ResumeTiming();
    const TUndoHistory::Outcome outcome = history.Undo(table);
    state.PauseTiming();
    Check(outcome.Status);
    restored = outcome.Records.size();
    table.SetJournal(false);
    Check(table.Close());
    state.ResumeTiming();
  }
  if (restored != static_cast<size_t>(tasks / 2)) std::abort();
  state.counters["restored"] = static_cast<double>(restored);
}
BENCHMARK(BM_UndoBulkDelete)->Iterations(5)->Unit(benchmark::kMillisecond);

// Arg 0: the close alone; 1: the close and the backup the program takes after it.
void BM_CloseWithBackup(benchmark::State& state) {
  const int tasks = 100000;
  BuildTable(tasks);
  const bool backup = state.range(0) == 1;
  const QString folder = QString::fromStdString(kWork);
  for (auto _ : state) {
    state.PauseTiming();
    CopyToWork(tasks);
    QuietHost host;
    TodoTable table(&host);
    table.SetDirectory(folder);
    if (!table.OpenTaskFiles(false)) std::abort();
    table.First();
    // A run that changed a task.
    Check(table.Edit());
    Check(table.SetFieldBool(TodoTable::kDone, !table.FieldBool(TodoTable::kDone)));
    Check(table.Post());
    state.ResumeTiming();
    Check(table.Close());
    if (backup) Check(BackUpTaskFiles(folder, QDateTime::currentDateTime(), task_backup::kDefaultKeep));
  }
}
BENCHMARK(BM_CloseWithBackup)->ArgName("backup")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  CaptureUserDateFormats(QLocale(QLocale::English, QLocale::UnitedStates));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
