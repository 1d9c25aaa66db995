#include "reportengine/BaseReport.h"

#include <QCoreApplication>

#include <exception>

#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"

namespace {

// Parses a whole non-negative number; false when the text is not one.
bool ParsePage(const QString& text, int& page) {
  bool ok = false;
  page = text.trimmed().toInt(&ok);
  return ok && page >= 0;
}

}  // namespace

TBaseReport::TBaseReport(QObject* owner) : TREBaseComponent(owner) {}

TBaseReport::~TBaseReport() = default;

// ---- Properties -------------------------------------------------------------------------------

void TBaseReport::SetTitle(const QString& title) { title_ = title.left(31); }

void TBaseReport::SetCopies(int copies) {
  CheckNotPrinting();
  copies_ = copies;
}

void TBaseReport::SetOrientation(TOrientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  if (printing_) {
    OrientationChanged();
    ReadGeometry();
  }
}

void TBaseReport::SetScaleX(double percent) {
  // A scale of 0 would make every position collapse and the inverse mapping divide by 0.
  if (!(percent > 0) || percent == scale_x_) return;
  scale_x_ = percent;
  ScaleChanged();
}

void TBaseReport::SetScaleY(double percent) {
  if (!(percent > 0) || percent == scale_y_) return;
  scale_y_ = percent;
  ScaleChanged();
}

void TBaseReport::SetOutputFileName(const QString& name) {
  CheckNotPrinting();
  output_file_name_ = name;
}

bool TBaseReport::PageSelected(int page) const {
  if (page_selection_.trimmed().isEmpty()) return first_page_ <= page && page <= last_page_;
  const QStringList items = page_selection_.split(QLatin1Char(','));
  for (const QString& raw : items) {
    const QString item = raw.trimmed();
    if (item.isEmpty()) continue;
    const int dash = item.indexOf(QLatin1Char('-'));
    int a = 0;
    int b = 0;
    if (dash < 0) {
      if (ParsePage(item, a) && page == a) return true;
      continue;
    }
    const QString left = item.left(dash).trimmed();
    const QString right = item.mid(dash + 1).trimmed();
    if (left.isEmpty() && right.isEmpty()) continue;
    if (left.isEmpty()) {
      a = 1;
    } else if (!ParsePage(left, a)) {
      continue;
    }
    if (right.isEmpty()) {
      b = INT32_MAX;
    } else if (!ParsePage(right, b)) {
      continue;
    }
    if (a <= page && page <= b) return true;
  }
  return false;
}

QString TBaseReport::StatusString() const {
  QString result;
  const QString& format = status_format_;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format.at(i);
    if (c != QLatin1Char('%') || i + 1 >= format.size()) {
      result += c;
      continue;
    }
    const QChar m = format.at(++i).toUpper();
    if (m == QLatin1Char('%')) {
      result += QLatin1Char('%');
    } else if (m.isDigit() && m.unicode() <= '9') {
      const int line = m.unicode() - '0';
      if (line < status_text_.size()) result += status_text_.at(line);
    } else if (m == QLatin1Char('D') || m == QLatin1Char('R') || m == QLatin1Char('T')) {
      QString device, driver, port;
      DeviceNames(device, driver, port);
      result += m == QLatin1Char('D') ? device : m == QLatin1Char('R') ? driver : port;
    } else if (m == QLatin1Char('F')) {
      result += QString::number(first_page_);
    } else if (m == QLatin1Char('L')) {
      result += QString::number(last_page_);
    } else if (m == QLatin1Char('P')) {
      result += QString::number(current_page_);
    } else {
      result += QStringLiteral("<ERROR-%") + m + QLatin1Char('>');
    }
  }
  return result;
}

bool TBaseReport::OutputAllowed() const {
  return printing_ && !page_skipped_ && (destinations_ & (1 << OutputKind())) != 0;
}

// ---- Lifecycle --------------------------------------------------------------------------------

void TBaseReport::FireEvent(const TReportEvent& event) {
  if (event) event(*this);
}

void TBaseReport::Execute() {
  try {
    Start();
    if (!printing_) return;
    if (OnPrint || !OnPrintPage) {
      FireEvent(OnPrint);
    } else {
      while (OnPrintPage(*this, current_page_) && !aborted_) NewPage();
    }
  } catch (...) {
    // The report's own failure is the one the caller sees; the job is closed regardless.
    try {
      if (printing_) Finish();
    } catch (...) {
    }
    throw;
  }
  if (printing_) Finish();
}

void TBaseReport::Start() {
  CheckNotPrinting();
  if (!CanStart()) return;
  start_date_time_ = QDateTime::currentDateTime();
  aborted_ = false;
  current_page_ = 0;
  page_skipped_ = false;
  drawing_.ClearRegions();
  FreeFonts();
  FireEvent(OnBeforePrint);
  DeviceBeginDoc();
  ReadGeometry();
  printing_ = true;
  ResetDrawingState();
  current_page_ = 1;
  page_skipped_ = aborted_ || !PageSelected(current_page_);
  if (!page_skipped_) DeviceStartPage();
  UpdateStatus();
  if (!aborted_) {
    FireEvent(OnNewPage);
    FireEvent(OnPrintHeader);
  }
}

void TBaseReport::Finish() {
  CheckPrinting();
  std::exception_ptr error;
  try {
    if (!aborted_) FireEvent(OnPrintFooter);
  } catch (...) {
    error = std::current_exception();
  }
  try {
    DeviceEndDoc();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  FreeFonts();
  printing_ = false;
  drawing_.ClearRegions();
  if (error) std::rethrow_exception(error);
  FireEvent(OnAfterPrint);
}

void TBaseReport::NewPage() {
  CheckPrinting();
  FireEvent(OnPrintFooter);
  DeviceEndPage();
  NewPageCommon();
  if (!page_skipped_) DeviceStartPage();
  const TPageGeometry before = geometry_;
  ReadGeometry();
  if (before.PageWidth != geometry_.PageWidth || before.PageHeight != geometry_.PageHeight) {
    // An orientation change took effect with this page: lay the section out on it.
    ResetSection();
    CR();
    cursor_.FirstLine();
  }
  FireEvent(OnNewPage);
  FireEvent(OnPrintHeader);
}

void TBaseReport::Abort() {
  aborted_ = true;
  page_skipped_ = true;
}

void TBaseReport::NewPageCommon() {
  ++current_page_;
  UpdateStatus();
  page_skipped_ = aborted_ || !PageSelected(current_page_);
  cursor_.SetOriginX(0);
  cursor_.SetOriginY(0);
  tabs_.ResetIndex();
  ResetSection();
  cursor_.FirstLineAndColumn();
  UpdateLineHeight();
  cursor_.Home();
  // Fired once the cursor is in column 1, so a handler draws where the column starts.
  if (cursor_.Columns() > 1) FireEvent(OnNewColumn);
}

void TBaseReport::ResetDrawingState() {
  drawing_.ResetBrush();
  BrushChanged();
  drawing_.ResetPen();
  PenChanged();
  cursor_.SetOriginX(0);
  cursor_.SetOriginY(0);
  cursor_.ResetColumns();
  tabs_.Clear();
  ResetSection();
  cursor_.FirstLineAndColumn();
  UpdateLineHeight();
  cursor_.Home();
}

void TBaseReport::ReadGeometry() {
  geometry_ = DeviceGeometry();
  // Guard the mapping against a device that reports no resolution.
  if (!(geometry_.XDPI > 0)) geometry_.XDPI = 96;
  if (!(geometry_.YDPI > 0)) geometry_.YDPI = 96;
  metrics_image_ = QImage();
}

void TBaseReport::UpdateStatus() {
  if (!status_label_) return;
  // A carriage return in the format breaks the caption's line, as Qt labels break at LF.
  QString text = StatusString();
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  status_label_->setProperty("text", text);
  QCoreApplication::processEvents();
}

void TBaseReport::DeviceNames(QString& device, QString& driver, QString& port) const {
  TREDevice& dev = TREDevice::Instance();
  if (dev.Printers().isEmpty()) {
    device.clear();
    driver.clear();
    port.clear();
    return;
  }
  device = dev.DeviceName();
  driver = dev.DriverName();
  port = dev.PortName();
}

void TBaseReport::CheckPrinting() const {
  if (!printing_) throw EReportError(report_messages::kNotPrinting);
}

void TBaseReport::CheckNotPrinting() const {
  if (printing_) throw EReportError(report_messages::kAlreadyPrinting);
}

// ---- Destinations -----------------------------------------------------------------------------

void TBaseReport::AllowPreviewOnly() {
  destinations_ = (destinations_ & ~kDestPrinter) | kDestPreview;
  DestinationsChanged(akPreviewOnly);
}

void TBaseReport::AllowPrinterOnly() {
  destinations_ = (destinations_ & ~kDestPreview) | kDestPrinter;
  DestinationsChanged(akPrinterOnly);
}

void TBaseReport::AllowAll() {
  destinations_ |= kDestPrinter | kDestPreview;
  DestinationsChanged(akAll);
}
