// The three exports of 100 000 tasks with notes (goal: each under 1 s, and within 3x of a
// plain buffered write of the same bytes):
//   - BM_Export*/memory: the writer alone, over tasks held in memory;
//   - BM_Export*/folder: over a task folder opened read-only (what jlistreport does);
//   - BM_Export*/table: over the task table as the report options dialog walks it;
//   - BM_PlainWrite: the same number of bytes written to a file in 64 KiB pieces;
//   - BM_ExportLimit: the cost no export from a folder can beat: the folder's records and
//     notes read raw (the table and memo files read whole, each note found through its
//     record's pointer and read) and as many bytes as that export writes, written in 64 KiB
//     pieces (goal: each BM_ExportFolder within 3x of it).
// Each note has two lines, the first of which wraps in the text export's width. The table
// is built once under /tmp/jlist-export-bench-100000 (delete it to build it again).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchTaskFolder.h"
#include "bench/BenchTaskWalk.h"
#include "reports/DialogFontMeasure.h"
#include "reports/TaskExport.h"
#include "store/TaskFolderWalk.h"
#include "store/TaskSchema.h"
#include "store/TodoTable.h"
#include "store/TodoTableWalk.h"
#include "store/xbase/Table.h"

namespace {

constexpr int kTasks = 100000;
const char* const kOutput = "/tmp/jlist-export-bench.out";

std::string Folder() { return "/tmp/jlist-export-bench-" + std::to_string(kTasks); }

const char* const kTexts[] = {"Call the plumber about the boiler", "Buy milk", "Write the quarterly report",
                              "Renew the car insurance & <check> {terms}"};
const char* const kNotes[] = {
    "Ring the office before nine and ask for the new schedule of the team meetings\r\nBring the papers",
    "Short note\r\nwith a second line\r\n",
};

// Task number i of the list, with this benchmark's texts.
TaskRecord TaskNumber(int i) { return bench::SampleTask(i, kTexts[i % 4], kNotes[i % 2], ""); }

bench::MemoryTaskWalk& Tasks() {
  static bench::MemoryTaskWalk source = [] {
    std::vector<TaskRecord> tasks;
    tasks.reserve(kTasks);
    for (int i = 0; i < kTasks; ++i) tasks.push_back(TaskNumber(i));
    return bench::MemoryTaskWalk(std::move(tasks));
  }();
  return source;
}

void BuildTable() {
  bench::BuildTaskFolder(Folder(), kTasks, [](xbase::Table& t, int i) {
    const TaskRecord task = TaskNumber(i);
    bench::Check(t.SetString(0, task.date.toStdString()));
    bench::Check(t.SetString(1, task.time.toStdString()));
    bench::Check(t.SetString(2, task.descript.toStdString()));
    bench::Check(t.SetMemo(3, task.note.toStdString()));
    bench::Check(t.SetLogical(4, task.done));
    bench::Check(t.SetString(6, task.priority.toStdString()));
  });
}

TExportFormat FormatOf(const benchmark::State& state) { return static_cast<TExportFormat>(state.range(0)); }

const TDialogFontMeasure& Measure() {
  static const TDialogFontMeasure measure;
  return measure;
}

void Run(benchmark::State& state, TTaskWalk& source) {
  TExportOptions options = TTaskExport::OptionsFor(FormatOf(state), Measure());
  options.Title = QStringLiteral("Jotlist");
  options.CopyNotes = true;
  int rows = 0;
  options.BetweenRows = [&rows] { ++rows; };
  for (auto _ : state) {
    rows = 0;
    if (!TTaskExport::WriteFile(source, options, QString::fromLatin1(kOutput)).ok()) {
      state.SkipWithError("export failed");
      return;
    }
  }
  state.counters["tasks"] = rows + 1;
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(kOutput));
}

void BM_ExportMemory(benchmark::State& state) { Run(state, Tasks()); }

void BM_ExportFolder(benchmark::State& state) {
  BuildTable();
  TTaskFolderWalk source;
  if (!source.Open(QString::fromStdString(Folder()), 1, QString()).ok()) {
    state.SkipWithError("cannot open the task folder");
    return;
  }
  Run(state, source);
}

void BM_ExportTable(benchmark::State& state) {
  BuildTable();
  TodoTable table;
  table.SetDirectory(QString::fromStdString(Folder()));
  if (!table.Open(false).ok()) {
    state.SkipWithError("cannot open the task table");
    return;
  }
  table.SetOrder(1);
  TTodoTableWalk source(table);
  Run(state, source);
}

// The bytes of one export, written plainly in 64 KiB pieces through a buffered file.
void BM_PlainWrite(benchmark::State& state) {
  TExportOptions options = TTaskExport::OptionsFor(FormatOf(state), Measure());
  options.CopyNotes = true;
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!TTaskExport::Write(Tasks(), options, buffer).ok()) std::abort();
  const QByteArray bytes = buffer.data();
  for (auto _ : state) {
    QFile file(QString::fromLatin1(kOutput));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    for (qsizetype at = 0; at < bytes.size(); at += 64 * 1024) {
      if (file.write(bytes.constData() + at, qMin<qsizetype>(64 * 1024, bytes.size() - at)) < 0) std::abort();
    }
    if (!file.flush()) std::abort();
    file.close();
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

// A whole file's bytes, in one read.
std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void BM_ExportLimit(benchmark::State& state) {
  BuildTable();
  // The number of bytes the export of the folder writes.
  TTaskFolderWalk source;
  if (!source.Open(QString::fromStdString(Folder()), 1, QString()).ok()) {
    state.SkipWithError("cannot open the task folder");
    return;
  }
  TExportOptions options = TTaskExport::OptionsFor(FormatOf(state), Measure());
  options.Title = QStringLiteral("Jotlist");
  options.CopyNotes = true;
  QBuffer exported;
  exported.open(QIODevice::WriteOnly);
  if (!TTaskExport::Write(source, options, exported).ok()) std::abort();
  const qint64 bytes = exported.size();
  const QByteArray piece(64 * 1024, 'x');
  const auto fields = task_schema::FieldLayout();
  const uint32_t note_at = fields[3].offset;
  uint64_t touched = 0;
  for (auto _ : state) {
    const std::string dbf = FileBytes(Folder() + "/JLIST.DBF");
    const std::string fpt = FileBytes(Folder() + "/JLIST.FPT");
    const uint32_t header_length = static_cast<uint8_t>(dbf[8]) | static_cast<uint32_t>(static_cast<uint8_t>(dbf[9])) << 8;
    const uint32_t block_size = static_cast<uint8_t>(fpt[6]) << 8 | static_cast<uint8_t>(fpt[7]);
    for (size_t at = header_length; at + task_schema::kRecordLength <= dbf.size(); at += task_schema::kRecordLength) {
      touched += static_cast<uint8_t>(dbf[at + 1]) + static_cast<uint8_t>(dbf[at + 15]);
      uint64_t block = 0;
      for (uint32_t i = 0; i < 10; ++i) {
        const char c = dbf[at + note_at + i];
        if (c >= '0' && c <= '9') block = block * 10 + static_cast<uint64_t>(c - '0');
      }
      const uint64_t from = block * block_size;
      if (block == 0 || from + 8 > fpt.size()) continue;
      const auto* head = reinterpret_cast<const uint8_t*>(fpt.data() + from + 4);
      const uint64_t length = uint64_t{head[0]} << 24 | uint64_t{head[1]} << 16 | uint64_t{head[2]} << 8 | head[3];
      // Each note's bytes are read, as an export reads them.
      for (uint64_t i = 0; i < length && from + 8 + i < fpt.size(); ++i) touched += static_cast<uint8_t>(fpt[from + 8 + i]);
    }
    QFile file(QString::fromLatin1(kOutput));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    for (qint64 done = 0; done < bytes; done += piece.size()) {
      if (file.write(piece.constData(), qMin<qint64>(piece.size(), bytes - done)) < 0) std::abort();
    }
    if (!file.flush()) std::abort();
    file.close();
  }
  benchmark::DoNotOptimize(touched);
  state.counters["bytes"] = static_cast<double>(bytes);
}

// 0 HTML, 1 RTF, 2 text.
BENCHMARK(BM_ExportMemory)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportFolder)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportTable)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportLimit)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Font metrics need a GUI application, never a window.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
