// The printed task report's preview (goals: recording the whole report of 10 000 tasks with
// notes and key words in under 2 s; each page change afterwards in under 30 ms at 100 %;
// turning to the last page of a 1 000-page report costing no more than turning one page):
//   - BM_RecordPreview: the whole report recorded into a report file in memory, from the
//     task table as the preview walks it (what the status window does before the preview
//     opens);
//   - BM_PageChange: the preview renderer drawing the next page at 100 % (96 pixels per inch);
//   - BM_TurnOnePage / BM_JumpToLastPage: from page 1 to page 2, and from page 1 to the last
//     page, of a report of at least 1 000 pages.
// The table is built once under /tmp/jlist-report-bench-10000 (delete it to build it again).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDate>
#include <QGuiApplication>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchTaskFolder.h"
#include "bench/BenchTaskWalk.h"
#include "reportengine/PreviewRenderer.h"
#include "reportengine/ReportFiler.h"
#include "reports/FontWidthMeasure.h"
#include "reports/StatusFontMeasure.h"
#include "reports/TaskReport.h"
#include "store/TodoTable.h"
#include "store/TodoTableWalk.h"
#include "store/xbase/Table.h"

namespace {

constexpr int kTasks = 10000;

std::string Folder() { return "/tmp/jlist-report-bench-" + std::to_string(kTasks); }

const char* const kTexts[] = {"Call the plumber about the boiler", "Buy milk", "Write the quarterly report",
                              "Renew the car insurance before the end of the month"};
const char* const kNotes[] = {
    "Ring the office before nine and ask for the new schedule of the team meetings\r\nBring the papers",
    "Short note\r\nwith a second line\r\n",
};
const char* const kKeys[] = {"work", "home errands", "car money"};

// Task number i of the list, with this benchmark's texts.
TaskRecord TaskNumber(int i) { return bench::SampleTask(i, kTexts[i % 4], kNotes[i % 2], kKeys[i % 3]); }

void BuildTable() {
  bench::BuildTaskFolder(Folder(), kTasks, [](xbase::Table& t, int i) {
    const TaskRecord task = TaskNumber(i);
    bench::Check(t.SetString(t.FieldIndex(TodoTable::kDate), task.date.toStdString()));
    bench::Check(t.SetString(t.FieldIndex(TodoTable::kTime), task.time.toStdString()));
    bench::Check(t.SetString(t.FieldIndex(TodoTable::kDescript), task.descript.toStdString()));
    bench::Check(t.SetMemo(t.FieldIndex(TodoTable::kNote), task.note.toStdString()));
    bench::Check(t.SetLogical(t.FieldIndex(TodoTable::kDone), task.done));
    bench::Check(t.SetString(t.FieldIndex(TodoTable::kKeys), task.keys.toStdString()));
    bench::Check(t.SetString(t.FieldIndex(TodoTable::kPriority), task.priority.toStdString()));
  });
}

TTaskReportOptions AllSwitches() {
  TTaskReportOptions options;
  options.Title = QStringLiteral("Jotlist");
  options.PrintMemo = true;
  options.PrintKeywords = true;
  options.PrintCheckbox = true;
  return options;
}

// Records the report of `source` into `stream` as the preview does; gives its page count.
int Record(TTaskWalk& source, QBuffer& stream) {
  static const TStatusFontMeasure measure;
  TTaskReport body(source, AllSwitches(), measure.AsFunction(), 96);
  TReportFiler report;
  body.Attach(report);
  report.SetAccuracyMethod(amPositioning);
  report.SetStreamMode(smUser);
  stream.buffer().clear();
  stream.seek(0);
  report.SetStream(&stream);
  report.Execute();
  return report.PagesWritten();
}

void BM_RecordPreview(benchmark::State& state) {
  BuildTable();
  TodoTable table;
  table.SetDirectory(QString::fromStdString(Folder()));
  if (!table.Open(false).ok()) {
    state.SkipWithError("cannot open the task table");
    return;
  }
  table.SetOrder(1);
  TTodoTableWalk source(table);
  QBuffer stream;
  stream.open(QIODevice::ReadWrite);
  int pages = 0;
  for (auto _ : state) pages = Record(source, stream);
  state.counters["pages"] = pages;
  state.counters["bytes"] = static_cast<double>(stream.size());
}

// A recorded report of `tasks` tasks, opened in the preview renderer at 100 %.
struct TOpenReport {
  explicit TOpenReport(int tasks) {
    std::vector<TaskRecord> held;
    for (int i = 0; i < tasks; ++i) held.push_back(TaskNumber(i));
    bench::MemoryTaskWalk source(std::move(held));
    stream.open(QIODevice::ReadWrite);
    Record(source, stream);
    preview.SetStreamMode(smUser);
    preview.SetStream(&stream);
    preview.SetZoomFactor(100);
    preview.StartOffscreen(96, 96);
  }
  ~TOpenReport() { preview.Finish(); }

  QBuffer stream;
  TPreviewRenderer preview;
};

void BM_PageChange(benchmark::State& state) {
  TOpenReport report(kTasks);
  const int pages = report.preview.PageCount();
  int page = 1;
  for (auto _ : state) {
    page = page % pages + 1;
    benchmark::DoNotOptimize(report.preview.PaintPage(page));
  }
  state.counters["pages"] = pages;
}

// The report of over 1 000 pages, recorded on first use (four lines a task on about 60
// lines a page: 16 000 tasks); released by main while the application object lives.
std::unique_ptr<TOpenReport> long_report;

TOpenReport& LongReport() {
  if (!long_report) long_report = std::make_unique<TOpenReport>(16000);
  return *long_report;
}

// From page 1 to page `target` (2, or the last page); the way back to page 1 is not timed.
void TurnFromFirstPage(benchmark::State& state, bool toLast) {
  TOpenReport* report = &LongReport();
  const int pages = report->preview.PageCount();
  if (pages < 1000) {
    state.SkipWithError("the report has fewer than 1 000 pages");
    return;
  }
  const int target = toLast ? pages : 2;
  for (auto _ : state) {
    state.PauseTiming();
    report->preview.PaintPage(1);
    state.ResumeTiming();
    benchmark::DoNotOptimize(report->preview.PaintPage(target));
  }
  state.counters["pages"] = pages;
}

void BM_TurnOnePage(benchmark::State& state) { TurnFromFirstPage(state, false); }
void BM_JumpToLastPage(benchmark::State& state) { TurnFromFirstPage(state, true); }

BENCHMARK(BM_RecordPreview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnOnePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpToLastPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Font metrics need a GUI application, never a window.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  long_report.reset();
  benchmark::Shutdown();
  return 0;
}
