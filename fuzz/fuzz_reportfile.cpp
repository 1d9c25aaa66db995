// Reads arbitrary bytes as a report file: walks every page of the chain and decodes every
// record, then plays the first pages through the player onto a small image, into a PDF
// written to memory (the paint engine printing goes through), and through the preview
// renderer at several zooms. Broken bytes must end in the player's error, never in a
// crash, a hang or an allocation of a size the bytes merely claim.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "reportengine/PreviewRenderer.h"
#include "reportengine/FilePrinter.h"
#include "reportengine/REDevice.h"
#include "reportengine/RecordReader.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/ReportFileReader.h"

namespace {

constexpr int kPagesPlayed = 3;
constexpr int kPagesWalked = 64;
constexpr double kDpi = 24;  // small pages: drawing is exercised, not timed

void WalkAndDecode(QBuffer& buffer) {
  ReportFileReader reader;
  if (!reader.Open(&buffer)) return;
  for (int page = 1; page <= kPagesWalked; ++page) {
    if (!reader.GotoPage(page) || reader.current_page() != page) break;
    RecordReader in = reader.PageCommands();
    ReportRecord record;
    for (;;) {
      const int64_t at = in.position();
      if (in.ReadRecord(&record)) {
        if (record.code == report_file::kEndPage) break;
      } else if (!reader.ExtendPage(at, &in)) {
        break;
      }
    }
  }
  // And back down the chain.
  reader.GotoPage(1);
}

}  // namespace

// Fontconfig keeps the patterns of every font it matched in caches that are never freed, so
// the first use of each font looks like a leak; the engine's own memory is still checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  // No printers: nothing asks CUPS, and the macros of the device names stay empty.
  TPrinterSource none;
  none.List = [] { return std::vector<TREDeviceItem>(); };
  none.DefaultDevice = [] { return QString(); };
  none.Bins = [](const QString&) { return QStringList(); };
  none.MaxCopies = [](const QString&) { return 0; };
  TREDevice::Instance().SetPrinterSource(none);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  WalkAndDecode(buffer);

  QImage image(static_cast<int>(8.5 * kDpi), static_cast<int>(11 * kDpi), QImage::Format_RGB32);
  image.fill(Qt::white);
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  for (int page = 1; page <= kPagesPlayed; ++page) {
    QPainter painter(&image);
    try {
      if (!player.PlayPage(page, painter, kDpi, kDpi)) break;
    } catch (const EReportError&) {
      break;
    }
  }

  // Printed: the same pages into a PDF kept in memory.
  QByteArray pdf;
  QBuffer pdf_buffer(&pdf);
  pdf_buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf_buffer);
    writer.setResolution(static_cast<int>(kDpi));
    QPainter painter(&writer);
    TFilePrinter printer;
    printer.SetStreamMode(smUser);
    printer.SetStream(&buffer);
    for (int page = 1; page <= kPagesPlayed; ++page) {
      try {
        if (!printer.PlayPage(page, painter, kDpi, kDpi)) break;
      } catch (const EReportError&) {
        break;
      }
      if (page < kPagesPlayed) writer.newPage();
    }
  }

  // Previewed: the renderer sizes its page image from the file's own page size.
  for (const double zoom : {10.0, 100.0, 200.0}) {
    TPreviewRenderer preview;
    preview.SetStreamMode(smUser);
    preview.SetStream(&buffer);
    try {
      preview.StartOffscreen(kDpi, kDpi);
      preview.SetZoomFactor(zoom);
      for (int page = 1; page <= kPagesPlayed; ++page) {
        if (preview.PaintPage(page).isNull()) break;
      }
      preview.Finish();
    } catch (const EReportError&) {
      continue;
    }
  }
  return 0;
}
