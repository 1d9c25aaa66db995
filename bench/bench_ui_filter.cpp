// The filter and the group deletion as the main window runs them, on task tables of
// 100 000 and 1 000 000 tasks:
//   - applying a five-piece filter: from building the expression to the first visible row
//     (goals: under 50 ms for 100k tasks, under 300 ms for 1M);
//   - "All Marked Done" over 100 000 tasks of which half are done (goal: under 2 s, with
//     no disk sync per record).
// Tables are built once under /tmp/jlist-ui-bench-* (delete them to build them again).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchUiHosts.h"
#include "core/DateTimeFormat.h"
#include "core/FilterExpression.h"
#include "widgets/MessageBox.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

namespace {

using bench::Check;
using bench::QuietHost;

std::string Folder(int tasks) { return "/tmp/jlist-ui-bench-" + std::to_string(tasks); }

// Tasks over three months around 5 March 2024, every second one done, a third with
// priority A, key words and descriptions that the filter below partly matches.
void BuildTable(int tasks) {
  QuietHost host;
  bench::BuildTaskFolder(
      Folder(tasks), tasks,
      [](xbase::Table& t, int i) {
        const char* const keys[] = {"home", "work", "shop", "garden call", "homework"};
        const char* const texts[] = {"Buy milk", "Call the plumber", "call Anna", "Write report"};
        const QDate date = QDate(2024, 2, 1).addDays(i % 90);
        Check(t.SetString(0, date.toString("yyyyMMdd").toStdString()));
        Check(t.SetString(1, i % 7 == 0 ? "" : "09:30"));
        Check(t.SetString(2, texts[i % 4]));
        Check(t.SetLogical(4, i % 2 == 0));
        Check(t.SetString(5, keys[i % 5]));
        Check(t.SetString(6, i % 3 == 0 ? "A" : "B"));
      },
      &host);
}

void BM_ApplyFilter(benchmark::State& state) {
  const int tasks = static_cast<int>(state.range(0));
  BuildTable(tasks);
  QuietHost host;
  TodoTable table(&host);
  table.SetDirectory(QString::fromStdString(Folder(tasks)));
  if (!table.OpenTaskFiles(false)) std::abort();
  TFilterState filter;
  filter.DateFilterIndex = 3;
  filter.PriorityFilterIndex = 1;
  filter.ShowDoneTasks = false;
  filter.KeysFilterText = "home, Work";
  filter.TaskFilterText = "call";
  const QDate today(2024, 3, 5);
  int shown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Check(table.SetFilter(QString()));
    table.First();
    state.ResumeTiming();
    Check(table.SetFilter(BuildFilterExpression(filter, today).expression));
    table.First();
    TaskRecord row;
    benchmark::DoNotOptimize(table.ReadRow(0, &row));
    shown = table.ViewCount();
  }
  state.counters["shown"] = shown;
}
BENCHMARK(BM_ApplyFilter)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_DeleteAllMarkedDone(benchmark::State& state) {
  const int tasks = 100000;
  BuildTable(tasks);
  const std::string work = "/tmp/jlist-ui-bench-work";
  int64_t deleted = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    for (const char* name : {"JLIST.DBF", "JLIST.FPT", "JLIST.CDX"}) {
      std::filesystem::copy_file(Folder(tasks) + "/" + name, work + "/" + name);
    }
    auto table = std::make_unique<TodoTable>();
    QuietHost host;
    table->SetHost(&host);
    table->SetDirectory(QString::fromStdString(work));
    if (!table->OpenTaskFiles(false)) std::abort();
    bench::BulkDeleteWindow window(*table);
    TBulkDelete bulk(window);
    TScriptedResponder boxes;
    boxes.AnswerYes();
    state.ResumeTiming();
    deleted = bulk.DeleteAllMarkedDone();
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  state.counters["deleted"] = static_cast<double>(deleted);
}
BENCHMARK(BM_DeleteAllMarkedDone)->Iterations(3)->Unit(benchmark::kMillisecond);

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
