#include "reportengine/FilePrinter.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <cmath>

#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/WaitCursor.h"

using namespace report_file;

namespace {

constexpr const char* kUnexpectedCode = "Unexpected code found in report file.";
constexpr const char* kNoUserStream = "StreamMode is smUser but Stream is nil";


}  // namespace

TFilePrinter::TFilePrinter(QObject* owner) : TCanvasReport(owner) {}

TFilePrinter::~TFilePrinter() = default;

void TFilePrinter::SetFileName(const QString& name) {
  CheckNotPrinting();
  file_name_ = name;
}

void TFilePrinter::SetStreamMode(TStreamMode mode) {
  CheckNotPrinting();
  stream_mode_ = mode;
}

void TFilePrinter::Unexpected() {
  SetAborted(true);  // the close step cancels the job instead of ending it
  throw EReportError(kUnexpectedCode);
}

// ---- input

void TFilePrinter::OpenInput() {
  CloseInput();
  const ReportStream::Result opened = stream_.OpenForReading(stream_mode_, file_name_, user_stream_);
  if (opened == ReportStream::Result::kNoUserStream) throw EReportError(kNoUserStream);
  if (opened != ReportStream::Result::kOk)
    throw EReportError(QStringLiteral("Error initializing stream \"%1\"").arg(file_name_));
  if (!reader_.Open(stream_.device())) {
    stream_.Close();
    Unexpected();
  }
  input_open_ = true;
}

void TFilePrinter::CloseInput() {
  reader_.Close();
  if (input_open_) stream_.Close();
  input_open_ = false;
}

bool TFilePrinter::GotoPage(int page) {
  if (!input_open_) return false;
  if (!reader_.GotoPage(page)) {
    if (reader_.broken()) Unexpected();
    return false;
  }
  SetPageSize(reader_.page_width(), reader_.page_height());
  return true;
}

// ---- targets

void TFilePrinter::SetTarget(QPainter* painter, double xdpi, double ydpi) {
  target_ = painter;
  target_xdpi_ = xdpi;
  target_ydpi_ = ydpi;
  target_canvas_.SetPainter(painter);
}

TRECanvas& TFilePrinter::Canvas() {
  return target_ != nullptr ? target_canvas_ : TCanvasReport::Canvas();
}

TPageGeometry TFilePrinter::DeviceGeometry() {
  if (target_ == nullptr) return TCanvasReport::DeviceGeometry();
  TPageGeometry g;
  g.XDPI = target_xdpi_;
  g.YDPI = target_ydpi_;
  g.PageWidth = reader_.page_width();
  g.PageHeight = reader_.page_height();
  return g;
}

QPaintDevice* TFilePrinter::MetricsDevice() {
  return target_ != nullptr ? target_->device() : TCanvasReport::MetricsDevice();
}

void TFilePrinter::OrientationChanged() {
  if (target_ == nullptr) TCanvasReport::OrientationChanged();
}

void TFilePrinter::OutPrintData(const QByteArray& data) {
  if (target_ == nullptr) TCanvasReport::OutPrintData(data);
}

void TFilePrinter::OutPrintDataStream(QIODevice& stream, qint64 count) {
  if (target_ == nullptr) TCanvasReport::OutPrintDataStream(stream, count);
}

// ---- playback

void TFilePrinter::Execute() { Playback(0, 0, 0); }

void TFilePrinter::Start() { Playback(0, 0, 0); }

void TFilePrinter::Finish() {}

void TFilePrinter::ApplyHeaderToPrinter() {
  TREDevice& device = TREDevice::Instance();
  const ReportFileHeader& h = reader_.header();
  if (!device.HasDevMode()) return;
  const auto orientation = static_cast<TOrientation>(h.orientation);
  SetOrientation(orientation);
  if (orientation != poDefault) device.SetOrientation(orientation);
  device.SetBinNumber(h.bin);
  device.SetCollate(h.collate != 0);
  device.SetDuplex(h.duplex);
  device.SetCopies(h.copies);
  const QPageSize::PageSizeId id = QPageSize::id(h.paper_size);
  if (id != QPageSize::Custom) {
    device.SetPaperSize(id);
  } else if (h.paper_width > 0 && h.paper_length > 0) {
    device.SetPageSize(QPageSize(QSizeF(h.paper_width / 10.0, h.paper_length / 10.0), QPageSize::Millimeter));
  }
}

void TFilePrinter::Playback(int first, int last, int copies) {
  TREDevice& device = TREDevice::Instance();
  if (device.Printers().isEmpty()) {
    ReportErrorBox(QString::fromLatin1(report_messages::kNoPrinters));
    return;
  }
  CheckNotPrinting();
  SetStartDateTime(QDateTime::currentDateTime());
  const WaitCursor wait;
  SetAborted(false);
  SetTarget(nullptr, 0, 0);
  SetZoom(100);
  SetDeviceOrigin(0, 0);
  try {
    OpenInput();
    const ReportFileHeader& h = reader_.header();
    SetFirstPage(h.first_page);
    SetLastPage(h.last_page);
    ApplyHeaderToPrinter();
    if (!h.output_name.isEmpty()) SetOutputFileName(h.output_name);
    if (copies > 0) {
      SetCopies(copies);
      device.SetCopies(copies);
    }
    device.SetTitle(Title());
    device.SetDocumentTitle(DocumentTitle());
    device.SetOutputName(OutputFileName());
    device.BeginDoc();
    ReadGeometry();
    SetPrinting(true);
    ResetDrawingState();
    if (first <= 0) first = 1;
    if (last < 1 || last >= PageCount()) last = PageCount();
    for (int page = first; page <= last; ++page) {
      const bool skipped = !PageSelected(page) || Aborted();
      SetCurrentPage(page);
      SetPageSkipped(skipped);
      device.NewPage(!skipped);
      PrintPage(page);
    }
  } catch (...) {
    if (device.Printing()) {
      try {
        device.AbortDoc();
      } catch (...) {
      }
    }
    FreeFonts();
    CloseInput();
    SetPrinting(false);
    throw;
  }
  std::exception_ptr error;
  try {
    if (device.Printing()) Aborted() ? device.AbortDoc() : device.EndDoc();
  } catch (...) {
    error = std::current_exception();
  }
  FreeFonts();
  CloseInput();
  SetPrinting(false);
  if (error) std::rethrow_exception(error);
}

bool TFilePrinter::PlayPage(int page, QPainter& painter, double xdpi, double ydpi, double zoom,
                            QPoint device_origin) {
  CheckNotPrinting();
  SetStartDateTime(QDateTime::currentDateTime());
  OpenInput();
  bool shown = false;
  try {
    shown = PlayOpenPage(page, painter, xdpi, ydpi, zoom, device_origin);
  } catch (...) {
    CloseInput();
    throw;
  }
  CloseInput();
  return shown;
}

bool TFilePrinter::PlayOpenPage(int page, QPainter& painter, double xdpi, double ydpi,
                                double zoom, QPoint device_origin) {
  CheckNotPrinting();
  SetAborted(false);
  bool shown = false;
  try {
    SetTarget(&painter, xdpi, ydpi);
    SetZoom(zoom);
    SetDeviceOrigin(device_origin.x(), device_origin.y());
    ReadGeometry();
    SetPrinting(true);
    ResetDrawingState();
    SetCurrentPage(page);
    SetPageSkipped(false);
    if (GotoPage(page)) {
      SetCurrentPage(FilePage());
      PrintPage(FilePage());
      shown = true;
    }
  } catch (...) {
    EndPlayPage();
    throw;
  }
  EndPlayPage();
  return shown;
}

void TFilePrinter::EndPlayPage() {
  FreeFonts();
  SetPrinting(false);
  SetTarget(nullptr, 0, 0);
  SetZoom(100);
  SetDeviceOrigin(0, 0);
}

void TFilePrinter::PrintPage(int page) {
  CheckPrinting();
  if (!GotoPage(page)) return;
  UpdateStatus();
  PageChanging();
  RecordReader in = reader_.PageCommands();
  fit_pending_ = false;
  for (;;) {
    const int64_t at = in.position();
    if (!in.ReadRecord(&record_)) {
      // The record may reach past the part of the page loaded so far.
      if (reader_.ExtendPage(at, &in)) continue;
      Unexpected();
    }
    if (record_.code == kEndPage) return;
    Dispatch(record_);
  }
}
