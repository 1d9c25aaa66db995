// The report file against Qt's own recorder, in one run:
//   - recording a 100-page report of dense task rows (text in tab cells, shading, rules)
//     into a memory stream, against the same report drawn into one QPicture per page
//     (goals: under 100 ms, and no more than 1.5x the QPicture recording);
//   - playing one page of it into a 96 dpi image, against QPicture::play of that page
//     (goals: under 20 ms, and no more than 1.2x);
//   - a 1 000-page report in a memory stream: the memory it takes beyond its stream bytes
//     (goal: a constant, whatever the page count).
// Measured without printers (96 pixels per inch), so the numbers do not depend on CUPS.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QGuiApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <memory>
#include <vector>

#include "reportengine/CanvasReport.h"
#include "reportengine/FilePrinter.h"
#include "reportengine/REDevice.h"
#include "reportengine/ReportFiler.h"

namespace {

constexpr int kPages = 100;
constexpr int kPlayedPage = 50;
constexpr double kDpi = 96;

const char* const kTasks[] = {
    "Call the plumber about the kitchen sink", "Water the garden before the heat",
    "Renew the car insurance policy", "Prepare slides for the Monday meeting",
    "Pick up dry cleaning", "Book dentist appointment for the children",
    "Pay the electricity bill", "Return library books"};
const char* const kKeys[] = {"HOME", "GARDEN", "CAR WORK", "WORK", "ERRANDS", "FAMILY"};

// The task report's page: a title, a header row, then shaded task rows in boxed tab cells
// with a rule under each, until the page is full; `pages` pages.
void TaskRows(TBaseReport& r, int pages) {
  r.SetMarginLeft(0.5);
  r.SetMarginRight(0.5);
  r.SetMarginTop(0.5);
  r.SetMarginBottom(0.5);
  r.SetLineHeightMethod(lhmFont);
  r.SetTab(0.5, pjLeft, 1.0, 5, kBoxLineAll, 0);
  r.SetTab(-1, pjCenter, 0.6, 5, kBoxLineAll, 0);
  r.SetTab(-1, pjLeft, 3.6, 5, kBoxLineAll, 0);
  r.SetTab(-1, pjCenter, 0.5, 5, kBoxLineAll, 0);
  r.SetTab(-1, pjLeft, 1.8, 5, kBoxLineAll, 0);
  int row = 0;
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) r.NewPage();
    r.SetFont("Arial", 14);
    r.SetBold(true);
    r.PrintCenter("Task Report", 4.25);
    r.NewLine();
    r.SetFont("Arial", 9);
    r.Print("\tDate\tTime\tTask\tDone\tKey Words");
    r.NewLine();
    r.SetBold(false);
    while (r.LinesLeft() > 1) {
      const int shade = row % 2 == 0 ? 10 : 0;
      r.Tab(kTabDefault, kTabDefault, kTabDefault, kTabDefault, shade);
      r.Print(QStringLiteral("12/%1/2026").arg(1 + row % 28, 2, 10, QLatin1Char('0')));
      r.Tab(kTabDefault, kTabDefault, kTabDefault, kTabDefault, shade);
      r.Print(QStringLiteral("%1:%2").arg(row % 24, 2, 10, QLatin1Char('0')).arg(row * 7 % 60, 2, 10, QLatin1Char('0')));
      r.Tab(kTabDefault, kTabDefault, kTabDefault, kTabDefault, shade);
      r.Print(QString::fromLatin1(kTasks[row % 8]));
      r.Tab(kTabDefault, kTabDefault, kTabDefault, kTabDefault, shade);
      r.Print(row % 3 == 0 ? "X" : "");
      r.Tab(kTabDefault, kTabDefault, kTabDefault, kTabDefault, shade);
      r.Print(QString::fromLatin1(kKeys[row % 6]));
      r.NewLine();
      ++row;
    }
    r.MoveTo(0.5, r.SectionBottom());
    r.LineTo(8.0, r.SectionBottom());
  }
}

void NoPrinters() {
  TPrinterSource none;
  none.List = [] { return std::vector<TREDeviceItem>(); };
  none.DefaultDevice = [] { return QString(); };
  none.Bins = [](const QString&) { return QStringList(); };
  none.MaxCopies = [](const QString&) { return 0; };
  TREDevice::Instance().SetPrinterSource(none);
}

QByteArray Record(int pages) {
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetAccuracyMethod(amPositioning);
  filer.OnPrint = [pages](TBaseReport& r) { TaskRows(r, pages); };
  filer.Execute();
  return data;
}

// The same report drawn through the canvas into one QPicture per page.
class PictureReport : public TCanvasReport {
 public:
  std::vector<std::unique_ptr<QPicture>> pictures;

 protected:
  TRECanvas& Canvas() override { return canvas_; }
  TPageGeometry DeviceGeometry() override {
    TPageGeometry g;
    g.XDPI = g.YDPI = kDpi;
    return g;
  }
  QPaintDevice* MetricsDevice() override { return &metrics_; }
  void DeviceStartPage() override {
    pictures.push_back(std::make_unique<QPicture>());
    painter_ = std::make_unique<QPainter>(pictures.back().get());
    canvas_.SetPainter(painter_.get());
  }
  void DeviceEndPage() override {
    canvas_.SetPainter(nullptr);
    painter_.reset();
  }
  void DeviceEndDoc() override { DeviceEndPage(); }

 private:
  TRECanvas canvas_;
  std::unique_ptr<QPainter> painter_;
  QImage metrics_ = [] {
    QImage image(1, 1, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(kDpi / 0.0254));
    image.setDotsPerMeterY(qRound(kDpi / 0.0254));
    return image;
  }();
};

QImage PageImage() {
  QImage image(static_cast<int>(8.5 * kDpi), static_cast<int>(11 * kDpi), QImage::Format_RGB32);
  image.setDotsPerMeterX(qRound(kDpi / 0.0254));
  image.setDotsPerMeterY(qRound(kDpi / 0.0254));
  image.fill(Qt::white);
  return image;
}

void BM_RecordReportFile(benchmark::State& state) {
  qint64 bytes = 0;
  for (auto _ : state) bytes = Record(kPages).size();
  state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RecordReportFile)->Unit(benchmark::kMillisecond);

void BM_RecordQPicture(benchmark::State& state) {
  for (auto _ : state) {
    PictureReport report;
    report.OnPrint = [](TBaseReport& r) { TaskRows(r, kPages); };
    report.Execute();
    benchmark::DoNotOptimize(report.pictures.size());
  }
}
BENCHMARK(BM_RecordQPicture)->Unit(benchmark::kMillisecond);

void BM_PlayReportFilePage(benchmark::State& state) {
  QByteArray data = Record(kPages);
  QBuffer buffer(&data);
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  QImage image = PageImage();
  for (auto _ : state) {
    QPainter painter(&image);
    player.PlayPage(kPlayedPage, painter, kDpi, kDpi);
  }
}
BENCHMARK(BM_PlayReportFilePage)->Unit(benchmark::kMillisecond);

void BM_PlayQPicturePage(benchmark::State& state) {
  PictureReport report;
  report.OnPrint = [](TBaseReport& r) { TaskRows(r, kPages); };
  report.Execute();
  QPicture& picture = *report.pictures.at(kPlayedPage - 1);
  QImage image = PageImage();
  for (auto _ : state) {
    QPainter painter(&image);
    picture.play(&painter);
  }
}
BENCHMARK(BM_PlayQPicturePage)->Unit(benchmark::kMillisecond);

// Heap in use beyond the stream's own bytes after recording `pages` pages.
void BM_MemoryBeyondStream(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  double overhead = 0, bytes = 0;
  for (auto _ : state) {
    QByteArray data;
    data.reserve(static_cast<qsizetype>(pages) * 40000);  // the stream's growth is not the writer's
    const size_t before = mallinfo2().uordblks;
    {
      QBuffer buffer(&data);
      TReportFiler filer;
      filer.SetStreamMode(smUser);
      filer.SetStream(&buffer);
      filer.SetAccuracyMethod(amPositioning);
      filer.OnPrint = [pages](TBaseReport& r) { TaskRows(r, pages); };
      filer.Start();
      filer.OnPrint(filer);
      const size_t during = mallinfo2().uordblks;
      overhead = static_cast<double>(during) - static_cast<double>(before);
      filer.Finish();
    }
    bytes = static_cast<double>(data.size());
  }
  state.counters["stream_bytes"] = bytes;
  state.counters["writer_heap_bytes"] = overhead;
}
BENCHMARK(BM_MemoryBeyondStream)->Arg(10)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  NoPrinters();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
