// Tasks in and out for other programs, 100 000 tasks with notes and key words:
//   - BM_ExportICalendar/BM_ExportCsv: the list written as iCalendar (goal: under 1 s) or
//     CSV, over tasks in memory (the writer alone) and over a task folder opened read-only
//     (what jlistreport does);
//   - BM_ReadICalendar/BM_ReadCsv: the file of such an export read back into tasks;
//   - BM_ImportICalendar: the whole import of 100 000 VTODOs, read and appended to an empty
//     task table in one batch (goal: under 2 s).
// The folder is built once under /tmp/jlist-exchange-bench-100000 (delete it to build it
// again).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchTaskFolder.h"
#include "bench/BenchTaskWalk.h"
#include "core/TaskExchangeImport.h"
#include "core/TaskExchangeReader.h"
#include "reports/TaskExchangeExport.h"
#include "store/TaskFolderWalk.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

namespace {

constexpr int kTasks = 100000;

std::string Folder() { return "/tmp/jlist-exchange-bench-" + std::to_string(kTasks); }

const char* const kTexts[] = {"Call the plumber about the boiler", "Buy milk, bread; and tea",
                              "Write the quarterly report", "Renew the car insurance"};
const char* const kNotes[] = {
    "Ring the office before nine and ask for the new schedule of the team meetings\r\nBring the papers",
    "Short note\r\nwith a second line\r\n",
};
const char* const kKeys[] = {"work", "home shop", "", "car money urgent"};

// Task number i of the list, with this benchmark's texts.
TaskRecord TaskNumber(int i) {
  TaskRecord task = bench::SampleTask(i, kTexts[i % 4], kNotes[i % 2], kKeys[i % 4]);
  task.recno = static_cast<uint32_t>(i + 1);
  return task;
}

// kTasks tasks held in memory, made once.
bench::MemoryTaskWalk& Memory() {
  static bench::MemoryTaskWalk source = [] {
    std::vector<TaskRecord> tasks;
    tasks.reserve(kTasks);
    for (int i = 0; i < kTasks; ++i) tasks.push_back(TaskNumber(i));
    return bench::MemoryTaskWalk(std::move(tasks));
  }();
  return source;
}

void BuildFolder() {
  bench::BuildTaskFolder(Folder(), kTasks, [](xbase::Table& t, int i) {
    const TaskRecord task = TaskNumber(i);
    auto set = [&t](const char* name, const QString& value) {
      bench::Check(t.SetString(t.FieldIndex(name), value.toStdString()));
    };
    set(TodoTable::kDate, task.date);
    set(TodoTable::kTime, task.time);
    set(TodoTable::kDescript, task.descript);
    set(TodoTable::kPriority, task.priority);
    set(TodoTable::kKeys, task.keys);
    bench::Check(t.SetLogical(t.FieldIndex(TodoTable::kDone), task.done));
    bench::Check(t.SetMemo(t.FieldIndex(TodoTable::kNote), task.note.toStdString()));
  });
}

QByteArray Exported(TExchangeFormat format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  bench::Check(TTaskExchangeExport::Write(Memory(), format, QStringLiteral("/tmp"), buffer));
  return buffer.data();
}

void Export(benchmark::State& state, TExchangeFormat format) {
  const bool folder = state.range(0) == 1;
  TTaskFolderWalk folderSource;
  if (folder) {
    BuildFolder();
    bench::Check(folderSource.Open(QString::fromStdString(Folder()), 0, QString()));
  }
  TTaskWalk& source = folder ? static_cast<TTaskWalk&>(folderSource) : Memory();
  qint64 bytes = 0;
  for (auto _ : state) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bench::Check(TTaskExchangeExport::Write(source, format, QString::fromStdString(Folder()), buffer));
    bytes = buffer.size();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ExportICalendar(benchmark::State& state) { Export(state, TExchangeFormat::kICalendar); }
void BM_ExportCsv(benchmark::State& state) { Export(state, TExchangeFormat::kCsv); }

void Read(benchmark::State& state, TExchangeFormat format) {
  const QByteArray bytes = Exported(format);
  for (auto _ : state) {
    const TImportFile file = TTaskExchangeReader::Read(
        bytes, format == TExchangeFormat::kCsv ? TImportFormat::kCsv : TImportFormat::kICalendar);
    if (!file.ok() || file.Tasks.size() != kTasks) std::abort();
  }
}

void BM_ReadICalendar(benchmark::State& state) { Read(state, TExchangeFormat::kICalendar); }
void BM_ReadCsv(benchmark::State& state) { Read(state, TExchangeFormat::kCsv); }

void BM_ImportICalendar(benchmark::State& state) {
  const QByteArray bytes = Exported(TExchangeFormat::kICalendar);
  for (auto _ : state) {
    state.PauseTiming();
    QTemporaryDir dir;
    TodoTable table;
    table.SetDirectory(dir.path() + QLatin1Char('/'));
    if (!table.OpenTaskFiles(false)) std::abort();
    state.ResumeTiming();
    const TImportFile file = TTaskExchangeReader::ReadICalendar(bytes);
    int imported = 0;
    bench::Check(TTaskExchangeImport::Append(table, file, &imported));
    if (imported != kTasks) std::abort();
    state.PauseTiming();
    bench::Check(table.Close());
    state.ResumeTiming();
  }
}

}  // namespace

BENCHMARK(BM_ExportICalendar)->Arg(0)->Arg(1)->ArgName("folder")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Arg(0)->Arg(1)->ArgName("folder")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadICalendar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportICalendar)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
