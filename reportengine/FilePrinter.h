// TFilePrinter: plays a report file written by TReportFiler back to the selected printer, or
// page by page onto any painter (an image at a given resolution, zoom and device origin).
// It opens the input by stream mode, reads the file header, walks the page chain and decodes
// each command record whole before it performs the matching canvas operation. Bytes that break
// the format stop playback with "Unexpected code found in report file.", never more.
// The preview renderer derives from this class and reuses OpenInput, GotoPage and PrintPage.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QPointer>
#include <QString>
#include <memory>

#include "reportengine/CanvasReport.h"
#include "reportengine/RECanvas.h"
#include "reportengine/RecordReader.h"
#include "reportengine/ReportFileReader.h"
#include "reportengine/ReportStream.h"

class QPainter;

class TFilePrinter : public TCanvasReport {
 public:
  explicit TFilePrinter(QObject* owner = nullptr);
  ~TFilePrinter() override;

  // The report file (modes smFile, smMemory, smTempFile).
  const QString& FileName() const { return file_name_; }
  void SetFileName(const QString& name);
  TStreamMode StreamMode() const { return stream_mode_; }
  void SetStreamMode(TStreamMode mode);
  // The caller's stream for mode smUser: read from position 0, never freed.
  QIODevice* Stream() const { return user_stream_; }
  void SetStream(QIODevice* stream) { user_stream_ = stream; }

  // Both print the whole file with the copies stored in it.
  void Execute() override;
  void Start() override;
  // Nothing to do: playback opens and closes its job in one call.
  void Finish() override;

  // Prints pages first..last (0: from the first, to the last) with `copies` copies (0: as
  // stored in the file) on the selected printer. Without a printer shows the error box
  // "No printers are defined, aborting print job." and does nothing else. The job is ended,
  // or cancelled after an error, and the input closed, also when playback fails.
  void Playback(int first, int last, int copies);

  // Opens the input named by FileName/StreamMode/Stream and plays page `page` onto `painter`
  // at xdpi by ydpi pixels per inch, with `zoom` percent and the device origin (pixels) added
  // to every position; the paper is neither filled nor outlined. A page past the end plays
  // the last page. Returns false when the file has no page. Raises on broken bytes like
  // Playback.
  bool PlayPage(int page, QPainter& painter, double xdpi, double ydpi, double zoom = 100,
                QPoint device_origin = QPoint());

  // ---- Walking the open input (the preview uses these between OpenInput and CloseInput) ----
  // Moves to `page` (or as near as the file goes) and sets the page size from its header.
  // True when on a page; raises "Unexpected code found in report file." on a broken chain.
  bool GotoPage(int page);
  // Plays the commands of `page` on the current canvas (GotoPage first). Needs Printing().
  void PrintPage(int page);
  // From the file header (0 before any input is open).
  int PageCount() const { return reader_.header().page_count; }
  int FilePage() const { return reader_.current_page(); }
  int64_t PreviousLink() const { return reader_.previous_link(); }
  int64_t NextLink() const { return reader_.next_link(); }
  double FilePageWidth() const { return reader_.page_width(); }
  double FilePageHeight() const { return reader_.page_height(); }
  const ReportFileHeader& FileHeader() const { return reader_.header(); }

 protected:
  // Opens the input by stream mode and reads the file header ("StreamMode is smUser but
  // Stream is nil"; "Unexpected code found in report file." when it is not a report file).
  void OpenInput();
  void CloseInput();
  bool InputOpen() const { return input_open_; }

  // Draws on `painter` instead of the printer (null: the printer again), at the resolution
  // given; the page size comes from the file.
  void SetTarget(QPainter* painter, double xdpi, double ydpi);
  // PlayPage on the input already open (OpenInput), which stays open: a preview keeps its
  // input between pages. The date macros show the time last given to SetStartDateTime.
  bool PlayOpenPage(int page, QPainter& painter, double xdpi, double ydpi, double zoom = 100,
                    QPoint device_origin = QPoint());

  // Called when a page is about to be drawn (the preview's page-change event).
  virtual void PageChanging() {}
  // Text of macro `number` (0..34) of a text record.
  virtual QString MacroText(int number);

  TRECanvas& Canvas() override;
  TPageGeometry DeviceGeometry() override;
  QPaintDevice* MetricsDevice() override;
  void OrientationChanged() override;
  // A page painted on screen or into an image shows no raw printer data: it is passed over.
  void OutPrintData(const QByteArray& data) override;
  void OutPrintDataStream(QIODevice& stream, qint64 count) override;

 private:
  [[noreturn]] void Unexpected();
  // Decoding and dispatch of the command records (FilePrinterDispatch.cpp).
  void Dispatch(const ReportRecord& r);
  void PlayBlock(const QString& text, double x, double line_y, double width);
  QString RecordText(const QByteArray& bytes);
  QImage Graphic(const ReportRecord& r) const;
  QRect DeviceRect(const QPointF& top_left, const QPointF& bottom_right) const;
  QPolygon DevicePoints(const std::vector<QPointF>& points) const;
  // Lowers the font height (set from a font height record) until the reference text is no
  // wider than the record's reference width; runs before the next text, in the font that
  // text is drawn in, as the writer measured it.
  void FitFontHeight();
  double ReferenceWidth();
  void ApplyHeaderToPrinter();
  // The closing steps of PlayOpenPage: fonts, printing state, target, zoom and origin.
  void EndPlayPage();

  QString file_name_;
  TStreamMode stream_mode_ = smMemory;
  QPointer<QIODevice> user_stream_;

  ReportStream stream_;
  ReportFileReader reader_;
  bool input_open_ = false;
  ReportRecord record_;
  // A font height read whose fitting waits for the next text.
  bool fit_pending_ = false;
  double fit_reference_ = 0;

  QPainter* target_ = nullptr;  // not owned
  TRECanvas target_canvas_;
  double target_xdpi_ = 96, target_ydpi_ = 96;
};
