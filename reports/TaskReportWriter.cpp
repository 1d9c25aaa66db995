#include "reports/TaskReportWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryFile>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

#include "reportengine/PreviewRenderer.h"
#include "reportengine/PrinterReport.h"
#include "reportengine/REDevice.h"
#include "reportengine/ReportFiler.h"
#include "reports/StatusFontMeasure.h"

using xbase::Status;

namespace {

constexpr double kPagePixelsPerInch = 96;

std::string Utf8(const QString& text) { return text.toStdString(); }

// Where the report is written: a file beside the target that takes the target's place
// once the report is whole, so that a failed run never leaves half a file under the
// target's name and never harms the file it would replace. A target that exists and is
// not a regular file (a device, a pipe) gets the finished file's bytes copied into it
// from a temporary folder, and a symbolic link's file is replaced, not the link.
class TPendingFile {
 public:
  explicit TPendingFile(const QString& target) {
    const QFileInfo info(target);
    target_ = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    direct_ = QFileInfo::exists(target_) && !QFileInfo(target_).isFile();
  }
  ~TPendingFile() {
    if ((!committed_ || direct_) && !name_.isEmpty()) QFile::remove(name_);
  }
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;

  // Creates the file; Name() is then the file for the engine to write to.
  Status Create() {
    const QString folder = direct_ ? QDir::tempPath() : QFileInfo(target_).absolutePath();
    QTemporaryFile file(folder + QStringLiteral("/.jlistreport-XXXXXX"));
    if (!file.open()) {
      return Status::IoError("cannot write " + Utf8(target_) + ": " + Utf8(file.errorString()));
    }
    file.setAutoRemove(false);
    name_ = file.fileName();
    return Status::Ok();
  }
  const QString& Name() const { return name_; }

  // Puts the finished file in the target's place (one rename: the old file or the new).
  // `trailer`, when not empty, must end the finished file (a writer that cannot report a
  // failed write leaves it out).
  Status Commit(const QByteArray& trailer) {
    if (!Whole(trailer)) return Status::IoError("the report was not printed to " + Utf8(target_));
    if (direct_) return CopyToTarget();
    // The temporary file is private to its owner; the report gets the modes a new file
    // gets (or those of the file it replaces).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat old {};
    const QByteArray target = QFile::encodeName(target_);
    const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask);
    static_cast<void>(::chmod(QFile::encodeName(name_).constData(), mode));  // the report is whole either way
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(name_).toStdString(), target.toStdString(), error);
    if (error) return Status::IoError("cannot write " + Utf8(target_) + ": " + error.message());
    committed_ = true;
    return Status::Ok();
  }

 private:
  bool Whole(const QByteArray& trailer) const {
    QFile file(name_);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    if (trailer.isEmpty()) return true;
    const qint64 tail = std::min<qint64>(file.size(), 64);
    return file.seek(file.size() - tail) && file.read(tail).trimmed().endsWith(trailer);
  }

  Status CopyToTarget() {
    QFile from(name_);
    QFile to(target_);
    auto failed = [this, &to] { return Status::IoError("cannot write " + Utf8(target_) + ": " + Utf8(to.errorString())); };
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly)) return failed();
    while (!from.atEnd()) {
      const QByteArray block = from.read(1 << 16);
      if (to.write(block) != block.size()) return failed();
    }
    if (!to.flush()) return failed();
    committed_ = true;
    return Status::Ok();
  }

  QString target_;
  QString name_;
  bool direct_ = false;
  bool committed_ = false;
};

// Runs a report whole; an engine error becomes a status.
Status Run(TBaseReport& report) {
  try {
    report.Execute();
  } catch (const std::exception& e) {
    return Status::IoError(e.what());
  }
  if (report.Aborted()) return Status::IoError("the report was cancelled");
  return Status::Ok();
}

}  // namespace

TTaskReportWriter::TTaskReportWriter(TTaskWalk& source, const TTaskReportOptions& options)
    : measure_(TStatusFontMeasure::Font()),
      body_(source, options, measure_.AsFunction(), TStatusFontMeasure::ScreenPixelsPerInch()) {}

Status TTaskReportWriter::WritePdf(const QString& path) {
  pages_ = 0;
  TREDevice& device = TREDevice::Instance();
  // Without printers Qt still writes PDF: the engine's file-only printer takes over.
  if (device.Printers().isEmpty()) device.SetPrinterSource(TREDevice::FilePrinterSource());
  TPendingFile pending(path);
  XB_RETURN_IF_ERROR(pending.Create());
  TPrinterReport report;
  body_.Attach(report);
  report.SetOutputFileName(pending.Name());
  XB_RETURN_IF_ERROR(Run(report));
  pages_ = device.PagesStarted();
  // Qt's PDF writer does not report a failed write; a PDF that ends short is caught here.
  return pending.Commit("%%EOF");
}

Status TTaskReportWriter::WriteReportFile(const QString& path) {
  pages_ = 0;
  TPendingFile pending(path);
  XB_RETURN_IF_ERROR(pending.Create());
  TReportFiler report;
  body_.Attach(report);
  report.SetAccuracyMethod(amPositioning);
  report.SetStreamMode(smFile);
  report.SetFileName(pending.Name());
  XB_RETURN_IF_ERROR(Run(report));
  pages_ = report.PagesWritten();
  return pending.Commit(QByteArray());
}

Status TTaskReportWriter::WritePages(const QString& folder, double zoom, QStringList* written) {
  pages_ = 0;
  written->clear();
  if (!QDir().mkpath(folder)) return Status::IoError("cannot create the folder " + Utf8(folder));
  QBuffer stream;
  stream.open(QIODevice::ReadWrite);
  {
    TReportFiler report;
    body_.Attach(report);
    report.SetAccuracyMethod(amPositioning);
    report.SetStreamMode(smUser);
    report.SetStream(&stream);
    XB_RETURN_IF_ERROR(Run(report));
  }
  TPreviewRenderer preview;
  preview.SetStreamMode(smUser);
  preview.SetStream(&stream);
  try {
    preview.SetZoomFactor(zoom);
    preview.StartOffscreen(kPagePixelsPerInch, kPagePixelsPerInch);
    const int pages = preview.PageCount();
    const int digits = std::max(3, static_cast<int>(QString::number(pages).size()));
    for (int page = 1; page <= pages; ++page) {
      const QString name = QDir(folder).filePath(
          QStringLiteral("page-%1.png").arg(page, digits, 10, QLatin1Char('0')));
      if (!preview.PaintPage(page).save(name, "PNG")) {
        preview.Finish();
        return Status::IoError("cannot write " + Utf8(name));
      }
      written->append(name);
    }
    pages_ = pages;
    preview.Finish();
  } catch (const std::exception& e) {
    if (preview.Active()) preview.Finish();
    return Status::IoError(e.what());
  }
  return Status::Ok();
}
