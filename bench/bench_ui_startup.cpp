// The main window's start-up and its task grid, offscreen:
//   - start-up over 100 000 and 1 000 000 tasks: the window created, the files opened,
//     preferences read, the key word list built, the filter applied, the seek on today and
//     the first paint of the whole window (goals: under 150 ms and under 1 s; the files
//     were closed cleanly by the run before);
//   - one screenful of the grid (30 rows, every column, text and font) read from the model
//     over 1 000 000 tasks, at places spread over the list so that few rows come from the
//     row cache (goal: under 1 ms).
// Tables are built once under /tmp/jlist-startup-bench-* (delete them to build them again).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchTaskFolder.h"
#include "bench/BenchUiHosts.h"
#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "app/MainScreen.h"
#include "widgets/MessageBox.h"
#include "app/TaskGridModel.h"
#include "store/Settings.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

namespace {

using bench::Check;

const QDate kToday(2024, 3, 5);

std::string Folder(int tasks) { return "/tmp/jlist-startup-bench-" + std::to_string(tasks); }

// Tasks over four months around today, a third of them done, some undated, varied key
// words (about 200 distinct) and priorities.
void BuildTable(int tasks) {
  bench::BuildTaskFolder(Folder(tasks), tasks, [](xbase::Table& t, int i) {
    const char* const texts[] = {"Buy milk", "Call the plumber", "call Anna", "Write the report", "Water the plants"};
    const QDate date = kToday.addDays(i % 120 - 60);
    Check(t.SetString(0, i % 11 == 0 ? "" : date.toString("yyyyMMdd").toStdString()));
    Check(t.SetString(1, i % 7 == 0 ? "" : "09:30"));
    Check(t.SetString(2, texts[i % 5]));
    Check(t.SetLogical(4, i % 3 == 0));
    Check(t.SetString(5, "key" + std::to_string(i % 197) + " home"));
    Check(t.SetString(6, std::string(1, static_cast<char>('A' + i % 3))));
  });
}

void BM_StartUp(benchmark::State& state) {
  const int tasks = static_cast<int>(state.range(0));
  BuildTable(tasks);
  const QString dir = QString::fromStdString(Folder(tasks)) + "/";
  SetProgramDirectoryForTests(dir);
  SetTodayForTests(kToday);
  TPreferences preferences;
  preferences.Order = 1;
  preferences.ReindexNeeded = false;
  if (!TSettings(dir).SavePreferences(preferences).ok()) std::abort();
  TScriptedResponder boxes;
  int rows = 0;
  for (auto _ : state) {
    auto window = std::make_unique<TMainScreen>();
    window->show();
    window->FormActivate();
    benchmark::DoNotOptimize(window->grab());
    rows = window->Model()->rowCount();
    state.PauseTiming();
    window->close();
    window.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
  SetProgramDirectoryForTests(QString());
  SetTodayForTests(QDate());
}
BENCHMARK(BM_StartUp)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScreenfulOfRows(benchmark::State& state) {
  const int tasks = static_cast<int>(state.range(0));
  BuildTable(tasks);
  SetTodayForTests(kToday);
  bench::QuietHost host;
  TodoTable table(&host);
  table.SetDirectory(QString::fromStdString(Folder(tasks)));
  if (!table.OpenTaskFiles(false)) std::abort();
  TaskGridModel model(table);
  model.SetEmphasis(true);
  Check(table.SetFilter("(.not.DONE)"));
  const int count = model.rowCount();
  constexpr int kScreenful = 30;
  int64_t start = 0;
  for (auto _ : state) {
    // A prime step over the list: each screenful lands somewhere new.
    start = (start + 104729) % (count - kScreenful);
    for (int row = static_cast<int>(start); row < start + kScreenful; ++row) {
      for (int column = 0; column < TaskGridModel::kColumnCount; ++column) {
        const QModelIndex index = model.index(row, column);
        benchmark::DoNotOptimize(model.data(index, Qt::DisplayRole));
        benchmark::DoNotOptimize(model.data(index, Qt::FontRole));
      }
    }
  }
  state.counters["rows"] = count;
  SetTodayForTests(QDate());
}
BENCHMARK(BM_ScreenfulOfRows)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  CaptureUserDateFormats(QLocale(QLocale::English, QLocale::UnitedStates));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
