// TReportFiler: a report whose every drawing call appends one command record to a report
// file or stream instead of reaching a device. The file plays back to the printer
// (TFilePrinter) or into the preview any number of times. Record layouts: ReportFileFormat.h.
//
// Measuring (text widths, font metrics) happens on the selected printer, or at 96 pixels per
// inch on an 8.5 by 11 inch page when no printer is installed; the printer's settings (bin,
// copies, paper) are recorded in the file header for playback. Texts longer than 255 bytes are
// cut at 255 bytes in the file (the cursor still advances by the whole text).
#pragma once

#include <QIODevice>
#include <QPointer>
#include <QString>
#include <memory>

#include "reportengine/BaseReport.h"
#include "reportengine/RecordWriter.h"
#include "reportengine/ReportFileHeader.h"
#include "reportengine/ReportStream.h"

// How plain text is recorded: as text at a position (the playback font decides its width), or
// spread over the width measured while writing, so that line ends stay where they were.
enum TAccuracyMethod { amPositioning, amAppearance };

class TReportFiler : public TBaseReport {
 public:
  explicit TReportFiler(QObject* owner = nullptr);
  ~TReportFiler() override;

  TOutputKind OutputKind() const override { return okFile; }

  // File written in modes smFile and smMemory; the generated name in mode smTempFile.
  const QString& FileName() const { return file_name_; }
  void SetFileName(const QString& name);
  TStreamMode StreamMode() const { return stream_mode_; }
  void SetStreamMode(TStreamMode mode);
  TAccuracyMethod AccuracyMethod() const { return accuracy_method_; }
  void SetAccuracyMethod(TAccuracyMethod method) { accuracy_method_ = method; }
  // The caller's stream for mode smUser; written from position 0 and never freed.
  QIODevice* Stream() const { return user_stream_; }
  void SetStream(QIODevice* stream) { user_stream_ = stream; }

  // Page records written so far (the page count of the file).
  int PagesWritten() const { return pages_written_; }

 protected:
  bool CanStart() override;
  void DeviceBeginDoc() override;
  void DeviceStartPage() override;
  void DeviceEndPage() override;
  void DeviceEndDoc() override;
  TPageGeometry DeviceGeometry() override;
  QPaintDevice* MetricsDevice() override;

  void FontChanged() override;
  void BrushChanged() override;
  void PenChanged() override;
  void TextBKChanged() override;
  void ScaleChanged() override;
  void LineMetricsChanged() override;
  void OrientationChanged() override;
  void DestinationsChanged(TAllowKind kind) override;

  // Every output hook appends its record (OutCopyRect refuses: a copy from another canvas
  // cannot travel in a file).
  REPORT_OUTPUT_HOOK_OVERRIDES

 private:
  // The last state written, compared field by field on every change.
  struct Written {
    TBrushRecord brush;
    TFontRecord font;
    TPenRecord pen;
    double pen_width_inches = 0;
  };

  // The selected printer's settings and page, or the no-printer values.
  ReportFileHeader DeviceSettings();
  // Turns the selected printer's paper as Orientation asks (poDefault leaves it alone).
  void ApplyOrientation();
  bool Recording() const { return page_open_ && out_ != nullptr; }
  void WriteBrush(bool force);
  void WriteFont(bool force);
  // Width of the font reference text in the current font, inches.
  double ReferenceWidth();
  // The reference width of the last font height record is the width in the font the next
  // text is drawn in (with the styles set after the height): measured again before that
  // text and written over the first measure when they differ. The reader fits the height
  // at the same point.
  void SettleReferenceWidth();
  void WritePen(bool force);
  void WriteTextBK(bool force);
  void WriteScale(bool force);
  void WriteLineMetrics(bool force);
  // Device pixels as page inches (right and bottom exclusive); a list of more than
  // kMaxListPoints points raises.
  report_file::operand::Rect DeviceInches(const QRect& rect) const;
  report_file::operand::PointList DeviceInches(const QPolygon& points) const;
  // The image as a BMP graphic operand (no bytes for a null image).
  static report_file::operand::Graphic Bitmap(const QImage& image);
  void EndPageRecord();
  void CloseStream();

  QString file_name_;
  TStreamMode stream_mode_ = smMemory;
  TAccuracyMethod accuracy_method_ = amAppearance;
  QPointer<QIODevice> user_stream_;

  ReportStream stream_;
  std::unique_ptr<RecordWriter> out_;
  qint64 page_count_at_ = 0;     // place of the header's page count
  qint64 page_at_ = 0;           // code byte of the open (or last) page record
  qint64 next_link_at_ = 0;      // next link of the last page record, 0 = none
  bool page_open_ = false;
  qint64 reference_at_ = 0;       // reference width still to settle, 0 = none
  double reference_written_ = 0;
  int pages_written_ = 0;
  Written written_;
};
