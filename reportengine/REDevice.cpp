#include "reportengine/REDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <utility>

#include "reportengine/CupsPrinters.h"
#include "reportengine/ReportError.h"

namespace {

// A PDF writer with the device mode's page and resolution.
void Configure(QPdfWriter& writer, const TDeviceMode& mode) {
  writer.setResolution(mode.Resolution);
  writer.setPageLayout(mode.Layout);
}

}  // namespace

TREDevice& TREDevice::Instance() {
  static TREDevice device;
  static const bool release_registered = [] {
    qAddPostRoutine([] { Instance().Release(); });
    return true;
  }();
  (void)release_registered;
  return device;
}

TPrinterSource TREDevice::SystemPrinterSource() {
  TPrinterSource source;
  source.List = [] {
    std::vector<TREDeviceItem> items;
    for (TREDeviceItem& item : TCupsPrinters::List()) {
      if (item.DeviceName().toUpper().contains(QLatin1String("RENDERING SUBSYSTEM"))) continue;
      items.push_back(std::move(item));
    }
    return items;
  };
  source.DefaultDevice = [] { return TCupsPrinters::DefaultDevice(); };
  source.Bins = [](const QString& device) { return TCupsPrinters::Bins(device); };
  source.MaxCopies = [](const QString& device) {
    // The bound is exclusive: a printer that takes up to n copies has the bound n + 1.
    const int max = TCupsPrinters::MaxCopies(device);
    return max > 0 ? max + 1 : 0;
  };
  return source;
}

TPrinterSource TREDevice::FilePrinterSource() {
  static const QString kDevice = QStringLiteral("PDF file");
  TPrinterSource source;
  source.List = [] {
    return std::vector<TREDeviceItem>{TREDeviceItem(kDevice, QStringLiteral("PDF"), QStringLiteral("FILE:"))};
  };
  source.DefaultDevice = [] { return kDevice; };
  source.Bins = [](const QString&) { return QStringList(); };
  source.MaxCopies = [](const QString&) { return 0; };
  source.DeviceMode = [](const QString&) {
    TDeviceMode mode;
    const bool inches = QLocale().measurementSystem() != QLocale::MetricSystem;
    mode.SetPageSize(QPageSize(inches ? QPageSize::Letter : QPageSize::A4));
    return std::optional<TDeviceMode>(mode);
  };
  source.FilesOnly = true;
  return source;
}

TREDevice::TREDevice() : source_(SystemPrinterSource()) {}

TREDevice::~TREDevice() { Release(); }

void TREDevice::Release() {
  if (printing_) {
    try {
      AbortDoc();
    } catch (...) {
      // The job is abandoned either way.
    }
  }
  ReleaseSelection();
  list_built_ = false;
  items_.clear();
  names_.clear();
  selected_ = -1;
  selection_made_ = false;
}

void TREDevice::SetPrinterSource(TPrinterSource source) {
  CheckNotPrinting();
  ReleaseSelection();
  source_ = std::move(source);
  list_built_ = false;
  items_.clear();
  names_.clear();
  selected_ = -1;
  selection_made_ = false;
}

void TREDevice::CheckNotPrinting() const {
  if (printing_) throw EReportError(report_messages::kDeviceAlreadyPrinting);
}

void TREDevice::CheckPrinting() const {
  if (!printing_) throw EReportError(report_messages::kDeviceNotPrinting);
}

// ---- List and selection ----------------------------------------------------------------------------------

void TREDevice::BuildList() {
  if (list_built_) return;
  std::vector<TREDeviceItem> items = source_.List ? source_.List() : std::vector<TREDeviceItem>();
  QStringList names;
  for (const TREDeviceItem& item : items) names << item.DisplayName();
  items_ = std::move(items);
  names_ = std::move(names);
  list_built_ = true;
}

const QStringList& TREDevice::Printers() {
  BuildList();
  return names_;
}

const TREDeviceItem& TREDevice::Item(int index) {
  BuildList();
  return items_.at(static_cast<size_t>(index));
}

void TREDevice::EnsureSelection() {
  BuildList();
  if (selection_made_ || items_.empty()) return;
  const QString def = source_.DefaultDevice ? source_.DefaultDevice() : QString();
  int index = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].DeviceName().compare(def, Qt::CaseInsensitive) == 0) {
      index = static_cast<int>(i);
      break;
    }
  }
  Select(index);
}

int TREDevice::PrinterIndex() {
  EnsureSelection();
  return selected_;
}

void TREDevice::SetPrinterIndex(int index) {
  CheckNotPrinting();
  BuildList();
  if (index < 0) {
    selection_made_ = false;
    ReleaseSelection();
    selected_ = -1;
    EnsureSelection();
    return;
  }
  if (index >= static_cast<int>(items_.size())) return;
  if (selection_made_ && index == selected_) return;
  Select(index);
}

bool TREDevice::SelectPrinter(const QString& name, bool exact) {
  CheckNotPrinting();
  BuildList();
  for (size_t i = 0; i < items_.size(); ++i) {
    const bool match = exact ? items_[i].DeviceName() == name
                             : names_.at(static_cast<qsizetype>(i))
                                   .contains(name, Qt::CaseInsensitive);
    if (match) {
      SetPrinterIndex(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

void TREDevice::ReleaseSelection() {
  canvas_.SetPainter(nullptr);
  painter_.reset();
  printer_.reset();
  bins_built_ = false;
  bins_.clear();
  bin_ = -1;
  max_copies_ = -1;
}

void TREDevice::Select(int index) {
  ReleaseSelection();
  selected_ = index;
  selection_made_ = true;
  const QString& device = items_[static_cast<size_t>(index)].DeviceName();
  // A printer CUPS cannot open has no device mode; settings that need one are ignored.
  printer_ = source_.DeviceMode ? source_.DeviceMode(device) : TCupsPrinters::DeviceMode(device);
}

QString TREDevice::DeviceName() {
  EnsureSelection();
  return selected_ >= 0 ? items_[static_cast<size_t>(selected_)].DeviceName() : QString();
}

QString TREDevice::DriverName() {
  EnsureSelection();
  return selected_ >= 0 ? items_[static_cast<size_t>(selected_)].DriverName() : QString();
}

QString TREDevice::PortName() {
  EnsureSelection();
  return selected_ >= 0 ? items_[static_cast<size_t>(selected_)].PortName() : QString();
}

bool TREDevice::HasDevMode() {
  EnsureSelection();
  return printer_.has_value();
}

TDeviceMode* TREDevice::Printer() {
  EnsureSelection();
  return printer_ ? &*printer_ : nullptr;
}

QPaintDevice* TREDevice::MetricsDevice() {
  if (!HasDevMode()) return nullptr;
  if (!metrics_device_) metrics_device_ = std::make_unique<QPdfWriter>(&metrics_sink_);
  Configure(*metrics_device_, *printer_);
  return metrics_device_.get();
}

// ---- Settings ----------------------------------------------------------------------------------------------

TOrientation TREDevice::Orientation() {
  if (!HasDevMode()) return poPortrait;
  return printer_->Layout.orientation() == QPageLayout::Landscape ? poLandScape : poPortrait;
}

void TREDevice::SetOrientation(TOrientation orientation) {
  if (!HasDevMode()) throw EReportError(report_messages::kNoDevMode);
  if (orientation == poDefault) return;
  printer_->Layout.setOrientation(orientation == poLandScape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

int TREDevice::Copies() { return HasDevMode() ? printer_->Copies : 1; }

int TREDevice::MaxCopies() {
  EnsureSelection();
  if (max_copies_ < 0) {
    const int max = source_.MaxCopies && selected_ >= 0 ? source_.MaxCopies(DeviceName()) : 0;
    max_copies_ = max > 0 ? max : 10000;
  }
  return max_copies_;
}

void TREDevice::SetCopies(int copies) {
  CheckNotPrinting();
  if (!HasDevMode()) return;
  if (copies >= 1 && copies < MaxCopies()) printer_->Copies = copies;
}

int TREDevice::Duplex() { return HasDevMode() ? printer_->Duplex : 0; }

bool TREDevice::SupportsDuplex() { return HasDevMode() && printer_->SupportsDuplex(); }

void TREDevice::SetDuplex(int duplex) {
  CheckNotPrinting();
  if (duplex < 0 || duplex > 2 || !SupportsDuplex()) return;
  // A mode the printer does not offer is refused, as the printer would.
  const auto mode = static_cast<TDeviceMode::TDuplex>(duplex);
  if (printer_->DuplexModes.contains(mode)) printer_->Duplex = mode;
}

bool TREDevice::Collate() { return HasDevMode() && printer_->Collate; }

bool TREDevice::SupportsCollate() { return HasDevMode() && printer_->SupportsMultipleCopies; }

void TREDevice::SetCollate(bool collate) {
  CheckNotPrinting();
  if (SupportsCollate()) printer_->Collate = collate;
}

const QStringList& TREDevice::Bins() {
  EnsureSelection();
  if (!bins_built_) {
    bins_.clear();
    if (selected_ >= 0 && source_.Bins) {
      for (const QString& bin : source_.Bins(DeviceName())) bins_ << bin.left(24);
    }
    bins_built_ = true;
  }
  return bins_;
}

bool TREDevice::SelectBin(const QString& name, bool exact) {
  const QStringList& bins = Bins();
  for (qsizetype i = 0; i < bins.size(); ++i) {
    const bool match = exact ? bins.at(i) == name : bins.at(i).contains(name, Qt::CaseInsensitive);
    if (match) {
      bin_ = static_cast<int>(i);
      ApplyBin();
      return true;
    }
  }
  return false;
}

void TREDevice::SetBinNumber(int number) {
  const QStringList& bins = Bins();
  bin_ = number >= 1 && number <= bins.size() ? number - 1 : -1;
  ApplyBin();
}

void TREDevice::ApplyBin() {
  // Only a printer's device mode carries CUPS options.
  if (!printer_ || printer_->PrinterName.isEmpty()) return;
  QStringList& options = printer_->CupsOptions;
  for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
    if (options.at(i) == QLatin1String("media-source")) {
      options.remove(i, 2);
      break;
    }
  }
  if (bin_ >= 0) options << QStringLiteral("media-source") << bins_.at(bin_);
}

int TREDevice::PaperSize() {
  return HasDevMode() ? static_cast<int>(printer_->Layout.pageSize().id()) : -1;
}

void TREDevice::SetPaperSize(int page_size_id) {
  if (!HasDevMode() || page_size_id < 0 || page_size_id > QPageSize::LastPageSize) return;
  if (page_size_id == QPageSize::Custom) return;
  printer_->SetPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(page_size_id)));
}

void TREDevice::SetPageSize(const QPageSize& size) {
  if (HasDevMode()) printer_->SetPageSize(size);
}

// ---- Information context ------------------------------------------------------------------------------------

TPageGeometry TREDevice::Geometry() {
  TPageGeometry geometry;
  if (Printers().isEmpty()) {
    geometry.XDPI = geometry.YDPI = 96;
    return geometry;
  }
  if (!HasDevMode()) return geometry;
  const int resolution = printer_->Resolution;
  const QPageLayout& layout = printer_->Layout;
  const QRectF full = layout.fullRect(QPageLayout::Inch);
  const QRectF paint = layout.paintRect(QPageLayout::Inch);
  geometry.XDPI = geometry.YDPI = resolution > 0 ? resolution : 300;
  geometry.LeftWaste = paint.left() - full.left();
  geometry.TopWaste = paint.top() - full.top();
  geometry.RightWaste = full.right() - paint.right();
  geometry.BottomWaste = full.bottom() - paint.bottom();
  geometry.PageWidth = full.width();
  geometry.PageHeight = full.height();
  return geometry;
}

int TREDevice::PageWidth() {
  const TPageGeometry g = Geometry();
  return static_cast<int>((g.PageWidth - g.LeftWaste - g.RightWaste) * g.XDPI + 0.5);
}

int TREDevice::PageHeight() {
  const TPageGeometry g = Geometry();
  return static_cast<int>((g.PageHeight - g.TopWaste - g.BottomWaste) * g.YDPI + 0.5);
}

int TREDevice::XDPI() { return static_cast<int>(Geometry().XDPI); }
int TREDevice::YDPI() { return static_cast<int>(Geometry().YDPI); }

// ---- Print job -----------------------------------------------------------------------------------------------

void TREDevice::BeginDoc() {
  if (printing_) throw EReportError(report_messages::kDeviceAlreadyPrinting);
  if (!HasDevMode()) throw EReportError(report_messages::kInvalidPrinter);
  QString target = output_name_;
  // A printer that only writes files has nothing to hand a job to.
  if (target.isEmpty() && source_.FilesOnly) throw EReportError(report_messages::kInvalidPrinter);
  if (target.isEmpty()) {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/RE-XXXXXX.pdf"));
    file.setAutoRemove(false);
    if (!file.open()) throw EReportError(report_messages::kInvalidPrinter);
    job_file_ = file.fileName();
    target = job_file_;
  }
  job_printer_ = std::make_unique<QPdfWriter>(target);
  Configure(*job_printer_, *printer_);
  job_printer_->setTitle(document_title_.isEmpty() ? title_ : document_title_);
  job_printer_->setCreator(QStringLiteral("Jotlist"));
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(job_printer_.get())) {
    painter_.reset();
    job_printer_.reset();
    if (!job_file_.isEmpty()) QFile::remove(job_file_);
    job_file_.clear();
    throw EReportError(report_messages::kInvalidPrinter);
  }
  canvas_.SetPainter(painter_.get());
  printing_ = true;
  aborted_ = false;
  page_open_ = false;
  pages_started_ = 0;
}

void TREDevice::NewPage(bool open) {
  CheckPrinting();
  page_open_ = false;
  if (!open) return;
  // The job's first page exists from the start; later ones are added, in the layout the
  // device mode has now (an orientation change between pages).
  if (pages_started_ > 0) {
    if (!(job_printer_->pageLayout() == printer_->Layout)) job_printer_->setPageLayout(printer_->Layout);
    job_printer_->newPage();
  }
  ++pages_started_;
  page_open_ = true;
}

void TREDevice::EndDoc() {
  CheckPrinting();
  page_open_ = false;
  canvas_.SetPainter(nullptr);
  if (painter_ && painter_->isActive()) painter_->end();
  painter_.reset();
  job_printer_.reset();
  printing_ = false;
  const QString job_file = std::exchange(job_file_, QString());
  const bool prints = !aborted_ && pages_started_ > 0;
  // A cancelled or empty job to a file leaves no file behind.
  if (!prints && !output_name_.isEmpty()) QFile::remove(output_name_);
  if (job_file.isEmpty()) return;
  try {
    if (prints) Submit(job_file);
  } catch (...) {
    QFile::remove(job_file);
    throw;
  }
  QFile::remove(job_file);
}

void TREDevice::AbortDoc() {
  CheckPrinting();
  aborted_ = true;
  EndDoc();
}

std::vector<std::pair<QByteArray, QByteArray>> TREDevice::JobOptions() {
  std::vector<std::pair<QByteArray, QByteArray>> options;
  // Options the print dialog set (page sets, layouts and the like), then our own.
  const QStringList& pairs = printer_->CupsOptions;
  for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
    if (pairs.at(i) == QLatin1String("media-source")) continue;
    options.emplace_back(pairs.at(i).toUtf8(), pairs.at(i + 1).toUtf8());
  }
  options.emplace_back("copies", QByteArray::number(std::max(1, printer_->Copies)));
  options.emplace_back("multiple-document-handling",
                       printer_->Collate ? "separate-documents-collated-copies"
                                         : "separate-documents-uncollated-copies");
  switch (Duplex()) {
    case 1: options.emplace_back("sides", "two-sided-long-edge"); break;
    case 2: options.emplace_back("sides", "two-sided-short-edge"); break;
    default: options.emplace_back("sides", "one-sided"); break;
  }
  if (bin_ >= 0 && bin_ < bins_.size()) {
    options.emplace_back("media-source", bins_.at(bin_).toUtf8());
  }
  return options;
}

void TREDevice::Submit(const QString& file) {
  const std::vector<std::pair<QByteArray, QByteArray>> pairs = JobOptions();
  cups_option_t* options = nullptr;
  int count = 0;
  for (const auto& [name, value] : pairs) {
    count = cupsAddOption(name.constData(), value.constData(), count, &options);
  }
  const int job = cupsPrintFile(DeviceName().toUtf8().constData(),
                                QFile::encodeName(file).constData(),
                                title_.toUtf8().constData(), count, options);
  cupsFreeOptions(count, options);
  // A job CUPS refused is not printed: say so rather than end quietly.
  if (job == 0) {
    throw EReportError(QStringLiteral("Unable to print: ") +
                       QString::fromUtf8(cupsLastErrorString()));
  }
}

// ---- For the dialogs ---------------------------------------------------------------------------------------

void TREDevice::AdoptDialogSettings(const TDeviceMode& mode) {
  CheckNotPrinting();
  if (!HasDevMode()) return;
  const QString chosen = mode.PrinterName;
  TDeviceMode adopted = mode;
  if (!chosen.isEmpty() && chosen != DeviceName()) {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].DeviceName() == chosen) {
        selected_ = static_cast<int>(i);
        bins_built_ = false;
        bin_ = -1;
        max_copies_ = -1;
        break;
      }
    }
    // The settings stay; what the printer offers is the new printer's.
    if (!source_.DeviceMode) {
      if (const std::optional<TDeviceMode> offered = TCupsPrinters::DeviceMode(chosen)) {
        adopted.PageSizes = offered->PageSizes;
        adopted.CustomMargins = offered->CustomMargins;
        adopted.DuplexModes = offered->DuplexModes;
        adopted.SupportsMultipleCopies = offered->SupportsMultipleCopies;
      }
    }
  }
  printer_ = std::move(adopted);
}

TPrinterPaper TREDevice::PaperOf(int index) {
  TPrinterPaper paper;
  BuildList();
  if (index < 0 || index >= static_cast<int>(items_.size())) return paper;
  const QString& device = items_[static_cast<size_t>(index)].DeviceName();
  paper.Sizes = TCupsPrinters::PageSizes(device, &paper.Default);
  // A printer that names no sizes of its own (one CUPS cannot open, one that only writes
  // files) takes the common ones.
  if (paper.Sizes.isEmpty()) {
    for (const QPageSize::PageSizeId id : {QPageSize::Letter, QPageSize::Legal, QPageSize::Executive, QPageSize::A3,
                                           QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::Tabloid})
      paper.Sizes.append(QPageSize(id));
  }
  // The selected printer's present paper is its own.
  if (index == selected_ && printer_) paper.Default = printer_->Layout.pageSize();
  if (!paper.Default.isValid()) {
    const bool inches = QLocale().measurementSystem() != QLocale::MetricSystem;
    paper.Default = QPageSize(inches ? QPageSize::Letter : QPageSize::A4);
  }
  if (source_.Bins) {
    for (const QString& bin : source_.Bins(device)) paper.Bins << bin.left(24);
  }
  return paper;
}
