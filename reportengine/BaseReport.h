// TBaseReport: the device-independent page model of the report engine. A report is drawn
// by calling text, tab, font and graphics operations in report units; this class keeps
// all state and reaches output only through the protected virtual hooks below.
// Descendants: TCanvasReport (a QPainter canvas), TPrinterReport (the printer), and the
// report-file writer.
//
// It is built from parts, each holding the state and rules of one seam: TReportCursor
// (units, margins, section, cursor, columns, line metrics), TTabStops (tab lists and saved
// sets), TReportFontState (font record, change notices, realized fonts) and TReportDrawState
// (brush, pen, background, clip region depth). What needs the hooks or several parts at once
// stays here, its definitions in one file per seam: BaseReport.cpp (properties, page
// selection, progress text, events, lifecycle), BaseReportCursor.cpp (units, section, cursor,
// line metrics, coordinates), BaseReportText.cpp, BaseReportTabs.cpp, BaseReportFonts.cpp and
// BaseReportGraphics.cpp (drawing, clipping, pass-through).
//
// Coordinates: the public API takes report units (inches = units / UnitsFactor). Hooks
// receive "page inches": inches from the paper's left and top edges with the origin
// already added. Rectangles and point arrays of the canvas-style operations are device
// pixels of the output device, as a canvas takes them.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QPointer>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

#include "reportengine/OutputHooks.h"
#include "reportengine/REBaseComponent.h"
#include "reportengine/ReportCursor.h"
#include "reportengine/ReportDrawState.h"
#include "reportengine/ReportFontState.h"
#include "reportengine/ReportTypes.h"
#include "reportengine/TabStops.h"

class QIODevice;
class QPaintDevice;

class TBaseReport : public TREBaseComponent {
 public:
  using TReportEvent = std::function<void(TBaseReport&)>;
  // OnPrintPage: the report and the current page number (the handler may change it);
  // returns whether there is another page.
  using TPrintPageEvent = std::function<bool(TBaseReport&, int&)>;

  explicit TBaseReport(QObject* owner = nullptr);
  ~TBaseReport() override;

  // ---- Published properties -----------------------------------------------------------
  int FirstPage() const { return first_page_; }
  void SetFirstPage(int page) { first_page_ = page; }
  int LastPage() const { return last_page_; }
  void SetLastPage(int page) { last_page_ = page; }

  // The progress label: any object with a "text" property (a QLabel, say); the engine
  // writes the expanded StatusFormat into it. Cleared when the object is destroyed.
  QObject* StatusLabel() const { return status_label_; }
  void SetStatusLabel(QObject* label) { status_label_ = label; }
  const QString& StatusFormat() const { return status_format_; }
  void SetStatusFormat(const QString& format) { status_format_ = format; }
  // Lines inserted by "%0" to "%9".
  QStringList& StatusText() { return status_text_; }
  const QStringList& StatusText() const { return status_text_; }

  TLineHeightMethod LineHeightMethod() const { return cursor_.LineHeightMethod(); }
  void SetLineHeightMethod(TLineHeightMethod method);
  int LinesPerInch() const { return cursor_.LinesPerInch(); }
  // Values below 1 are ignored; the line height is recomputed.
  void SetLinesPerInch(int lines);

  TPrintUnits Units() const { return cursor_.Units(); }
  // unUser leaves the factor unchanged.
  void SetUnits(TPrintUnits units);
  double UnitsFactor() const { return cursor_.UnitsFactor(); }
  // Values not above 0 are ignored; Units follows (1, 25.4, 2.54, 72 or unUser).
  void SetUnitsFactor(double factor);

  double MarginLeft() const;
  void SetMarginLeft(double value);
  double MarginRight() const;
  void SetMarginRight(double value);
  double MarginTop() const;
  void SetMarginTop(double value);
  double MarginBottom() const;
  void SetMarginBottom(double value);

  int TabShade() const { return tabs_.Shade(); }
  // Clamped to 0..100.
  void SetTabShade(int percent);

  const QString& Title() const { return title_; }
  // The title a PDF written by the job carries in its document information (what viewers
  // show); empty: Title. The job keeps Title as its name.
  const QString& DocumentTitle() const { return document_title_; }
  void SetDocumentTitle(const QString& title) { document_title_ = title; }
  // Cut to 31 characters.
  void SetTitle(const QString& title);

  TBKMode TextBKMode() const { return drawing_.TextBKMode(); }
  void SetTextBKMode(TBKMode mode);
  // Background colour behind opaque text.
  TColor BKColor() const { return drawing_.BKColor(); }
  void SetBKColor(TColor color);

  int Copies() const { return copies_; }
  // Only while idle ("Invalid method call.  Report already printing.").
  void SetCopies(int copies);

  TOrientation Orientation() const { return orientation_; }
  // May change between pages; the page geometry is re-read (OrientationChanged hook).
  void SetOrientation(TOrientation orientation);

  double ScaleX() const { return scale_x_; }
  void SetScaleX(double percent);
  double ScaleY() const { return scale_y_; }
  void SetScaleY(double percent);

  TReportEvent OnPrint;
  TPrintPageEvent OnPrintPage;
  TReportEvent OnBeforePrint;
  TReportEvent OnAfterPrint;
  TReportEvent OnNewPage;
  TReportEvent OnNewColumn;
  TReportEvent OnPrintHeader;
  TReportEvent OnPrintFooter;
  TReportEvent OnEndOfSection;

  // ---- Public state ---------------------------------------------------------------------
  const QString& OutputFileName() const { return output_file_name_; }
  // Only while idle.
  void SetOutputFileName(const QString& name);
  // Comma-separated pages and ranges ("1,3-4,7-", "-2"); empty means FirstPage..LastPage.
  const QString& PageSelection() const { return page_selection_; }
  void SetPageSelection(const QString& selection) { page_selection_ = selection; }
  // Whether `page` is selected by PageSelection, or FirstPage..LastPage when it is empty.
  bool PageSelected(int page) const;
  bool Aborted() const { return aborted_; }
  bool Printing() const { return printing_; }
  int CurrentPage() const { return current_page_; }
  // The date and time output started (date macros).
  const QDateTime& StartDateTime() const { return start_date_time_; }
  // The expanded StatusFormat for the current state.
  QString StatusString() const;
  // Output kind of this class (okPrinter, okPreview, okFile).
  virtual TOutputKind OutputKind() const { return okPrinter; }
  int Destinations() const { return destinations_; }
  // True when an operation produces output now: printing, the page not skipped and the
  // class's own kind in the destination set.
  bool OutputAllowed() const;
  bool PageSkipped() const { return page_skipped_; }

  // ---- Lifecycle ------------------------------------------------------------------------
  // Runs a whole report: Start, OnPrint (or OnPrintPage + NewPage while it returns true
  // and the report is not aborted), Finish. Finish also runs when something raises.
  virtual void Execute();
  // Opens output (see the hooks for the order of steps). Refused while printing.
  virtual void Start();
  // Ends output; also cancels the job when aborted. Refused when not printing.
  virtual void Finish();
  // Ends this page and starts the next one.
  virtual void NewPage();
  // Sets Aborted and skips the current page: nothing more is output.
  virtual void Abort();

  // ---- Page geometry (inches unless in units) ---------------------------------------------
  double XDPI() const { return geometry_.XDPI; }
  double YDPI() const { return geometry_.YDPI; }
  const TPageGeometry& Geometry() const { return geometry_; }
  double LeftWaste() const { return geometry_.LeftWaste; }
  double RightWaste() const { return geometry_.RightWaste; }
  double TopWaste() const { return geometry_.TopWaste; }
  double BottomWaste() const { return geometry_.BottomWaste; }
  // Page size in units.
  double PageWidth() const;
  double PageHeight() const;

  // ---- Section, cursor, columns (units) ---------------------------------------------------
  double SectionLeft() const;
  void SetSectionLeft(double value);
  double SectionRight() const;
  void SetSectionRight(double value);
  double SectionTop() const;
  void SetSectionTop(double value);
  double SectionBottom() const;
  void SetSectionBottom(double value);
  // Back to the margins' section.
  void ResetSection();

  double XPos() const;
  void SetXPos(double value);
  // Baseline of the current line. Setting it recomputes the line height first.
  double YPos() const;
  void SetYPos(double value);
  void GotoXY(double x, double y);
  // Moves to the baseline of `line` (1-based) of the section.
  void GotoLine(int line);
  int LineNum() const { return cursor_.LineNum(); }
  int ColumnNum() const { return cursor_.ColumnNum(); }
  int Columns() const { return cursor_.Columns(); }
  // Column pitch (units): distance from one column's left edge to the next one's.
  double ColumnWidth() const;
  // Splits the section into `count` columns with `between` units between them (count
  // below 1 is taken as 1); goes to line 1 of column 1.
  void SetColumns(int count, double between);
  // The left edge of the current column (units).
  double ColumnStart() const;
  void PushPos();
  // Restores the last pushed cursor; does nothing when none was pushed.
  void PopPos();
  double OriginX() const;
  void SetOriginX(double value);
  double OriginY() const;
  void SetOriginY(double value);

  // ---- Line metrics (units) ----------------------------------------------------------------
  double LineHeight() const;
  // Sets the line height (meaningful under lhmUser; the other methods recompute it).
  void SetLineHeight(double value);
  double Ascent() const;
  double Descent() const;
  // Whole lines that still fit in the section.
  int LinesLeft();
  // Baseline of line n of the section (units).
  double LineBaseline(int n) const;

  // ---- Text ----------------------------------------------------------------------------------
  void PrintLeft(const QString& text, double x);
  void PrintCenter(const QString& text, double x);
  void PrintRight(const QString& text, double x);
  // Text starting at x and spread over exactly `width`.
  void PrintBlock(const QString& text, double x, double width);
  // Text at the current tab stop or the cursor; a TAB ends a piece and moves to the next stop.
  void Print(const QString& text);
  void Println(const QString& text);
  void NewLine();
  // Carriage return (X to the column's left edge) and line feed (next line).
  void CR();
  void LF();
  // Width of the text in units in the current font, at least one device pixel.
  double TextWidth(const QString& text);

  // ---- Tabs ------------------------------------------------------------------------------------
  // Appends a stop: position (units; negative = after the previous stop, or at the left
  // margin for the first), justification, width (units), margin (hundredths of an inch),
  // borders (kBoxLine flags) and shade (percent); the last four kept only for width > 0.
  void SetTab(double pos, TPrintJustify justify, double width, double margin, int borders,
              int shade);
  // Makes the next stop current and draws its cell; kTabDefault arguments take the stop's
  // own settings. Line arguments are pen widths (negative: hundredths of an inch).
  void Tab(int left = kTabDefault, int right = kTabDefault, int top = kTabDefault,
           int bottom = kTabDefault, int shade = kTabDefault);
  void ClearTabs();
  // Keep the current list under `index` / make the list saved under `index` current (an
  // index never saved gives an empty list).
  void SaveTabs(int index = 0);
  void RestoreTabs(int index = 0);
  // Inner left edge and inner width (units) of stop n (1-based; 0 = the current stop).
  double TabStart(int n = 0) const;
  double TabWidth(int n = 0) const;
  TPrintJustify TabJustify() const { return tabs_.Justify(); }
  void SetTabJustify(TPrintJustify justify) { tabs_.SetJustify(justify); }
  // Index of the current stop (0 before the first Tab after NewLine or ClearTabs).
  int TabIndex() const { return tabs_.Index(); }
  const std::vector<TTabStop>& Tabs() const { return tabs_.List(); }
  // Colour of tab shading (mixed with white by the shade percent).
  TColor ShadeColor() const { return tabs_.ShadeColor(); }
  void SetShadeColor(TColor color) { tabs_.SetShadeColor(color); }
  // Colour for a shade percent (limited to 100) over ShadeColor.
  TColor ShadeToColor(int shade) const;

  // ---- Fonts -----------------------------------------------------------------------------------
  const TFontRecord& Font() const { return fonts_.Record(); }
  // Name and size (points; ignored unless above 0); resets colour, pitch and all styles.
  void SetFont(const QString& name, double size);
  // Makes a saved font record current at once (one change notice).
  void RestoreFont(const TFontRecord& font);
  QString FontName() const { return Font().Name; }
  void SetFontName(const QString& name);
  TColor FontColor() const { return Font().Color; }
  void SetFontColor(TColor color);
  TFontPitch FontPitch() const { return Font().Pitch; }
  void SetFontPitch(TFontPitch pitch);
  // Size in points.
  double FontSize() const { return Font().Height * 72.0; }
  void SetFontSize(double points);
  // Height in units; never below one device pixel.
  double FontHeight() const;
  void SetFontHeight(double value);
  bool Bold() const { return Font().Bold; }
  void SetBold(bool on);
  bool Underline() const { return Font().Underline; }
  void SetUnderline(bool on);
  bool Italic() const { return Font().Italic; }
  void SetItalic(bool on);
  bool StrikeOut() const { return Font().StrikeOut; }
  void SetStrikeOut(bool on);
  // Superscript and subscript exclude each other.
  bool Superscript() const { return Font().Superscript; }
  void SetSuperscript(bool on);
  bool Subscript() const { return Font().Subscript; }
  void SetSubscript(bool on);
  int FontRotation() const { return Font().Rotation; }
  // Degrees, stored modulo 360.
  void SetFontRotation(int degrees);
  TFontAlign FontAlign() const { return Font().Align; }
  void SetFontAlign(TFontAlign align);
  // The current font realized for the output device (created on first need).
  const TRealizedFont& RealizedFont();
  // Number of realized fonts kept (most recently used first); never more than
  // kMaxRealizedFonts, whatever a report file asks for.
  int RealizedFontCount() const { return fonts_.RealizedCount(); }
  // Fonts realized (created for the device) since this report was made: the work the
  // cache did not save.
  int64_t FontsCreated() const { return fonts_.Created(); }
  static constexpr int kMaxRealizedFonts = TReportFontState::kMaxRealized;

  // ---- Graphics (positions in units; rects and point arrays in device pixels) ---------------
  void SetBrush(TColor color, TBrushStyle style, const QImage& pattern = QImage());
  const TBrushRecord& Brush() const { return drawing_.Brush(); }
  // Width >= 0: pixels; negative: hundredths of an inch (at least 1 pixel).
  void SetPen(TColor color, TPenStyle style, int width, TPenMode mode);
  const TPenRecord& Pen() const { return drawing_.Pen(); }
  // Bitmaps combine with the page (AND) when true, else they are copied.
  bool BitmapMode() const { return drawing_.BitmapMode(); }
  void SetBitmapMode(bool combine) { drawing_.SetBitmapMode(combine); }

  void Arc(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
           double y4);
  void Chord(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
             double y4);
  void Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
           double y4);
  void Ellipse(double x1, double y1, double x2, double y2);
  void Rectangle(double x1, double y1, double x2, double y2);
  // A rectangle whose right and bottom edges are one device pixel further out.
  void TabRectangle(double x1, double y1, double x2, double y2);
  void RoundRect(double x1, double y1, double x2, double y2, double x3, double y3);
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void Polygon(const QPolygon& points);
  void Polyline(const QPolygon& points);
  void FillRect(const QRect& rect);
  void FrameRect(const QRect& rect);
  void DrawFocusRect(const QRect& rect);
  // fill_style 0: fill the area bounded by `color`; 1: fill the area of that colour.
  void FloodFill(double x, double y, TColor color, int fill_style);
  void BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source, TColor color);
  void CopyRect(const QRect& dest, const QImage& source, const QRect& source_rect);
  void Draw(double x, double y, const QImage& graphic);
  void StretchDraw(const QRect& rect, const QImage& graphic);
  // Text clipped to rect, origin at x, y (units); opaque unless the brush is clear.
  void TextRect(const QRect& rect, double x, double y, const QString& text);
  // Bitmap at x, y, its pixel size times the factors.
  void PrintBitmap(double x, double y, double scale_x, double scale_y, const QImage& bitmap);
  void PrintBitmapRect(double x1, double y1, double x2, double y2, const QImage& bitmap);

  // ---- Clipping and paths --------------------------------------------------------------------
  static constexpr int kMaxRegions = TReportDrawState::kMaxRegions;
  // Each pushes a region; a push beyond kMaxRegions raises (stack unchanged).
  void CreateRectRegion(double x1, double y1, double x2, double y2);
  void CreateRoundRectRegion(double x1, double y1, double x2, double y2, double x3,
                             double y3);
  void CreateEllipticRegion(double x1, double y1, double x2, double y2);
  void CreatePolygonRegion(const QPolygon& points);
  // Clips output to the top region (nothing happens with an empty stack).
  void SelectClipRegion();
  void ClearClipRegion();
  // Pops and destroys the top region (nothing happens with an empty stack).
  void DeleteRegion();
  int RegionCount() const { return drawing_.RegionCount(); }
  void BeginPath();
  void EndPath();
  void SelectClipPath();
  void StrokePath();
  void StrokeAndFillPath();

  // ---- Device pass-through --------------------------------------------------------------------
  // Up to 255 bytes of raw printer data.
  void PrintData(const QByteArray& data);
  // `count` bytes of the stream (0: the rest), in blocks of 4096.
  void PrintDataStream(QIODevice& stream, qint64 count);
  // Selects the printer's paper bin whose name contains `name` (case ignored).
  bool SelectBin(const QString& name);

  // ---- Output destinations --------------------------------------------------------------------
  void AllowPreviewOnly();
  void AllowPrinterOnly();
  void AllowAll();

  // ---- Coordinate services ----------------------------------------------------------------------
  int XU2D(double x) const;
  int YU2D(double y) const;
  double XD2U(int x) const;
  double YD2U(int y) const;
  // Page inches (origin included) to device pixels and back.
  int XI2D(double x) const;
  int YI2D(double y) const;
  double XD2I(int x) const;
  double YD2I(int y) const;
  double Zoom() const { return zoom_; }

 protected:
  // ==== Hooks: lifecycle ==========================================================================
  // Order of Start: refuse when printing; CanStart() (false: nothing happens); start time,
  // Aborted cleared, page 0; OnBeforePrint; DeviceBeginDoc(); ReadGeometry() (hook
  // DeviceGeometry) and the margins; printing; ResetDrawingState(); page 1 and its skip
  // state; DeviceStartPage() unless skipped; progress text; unless aborted OnNewPage and
  // OnPrintHeader.
  // Order of NewPage: OnPrintFooter; DeviceEndPage(); NewPageCommon(); DeviceStartPage()
  // unless skipped; ReadGeometry(); OnNewPage; OnPrintHeader.
  // Order of Finish: unless aborted OnPrintFooter; DeviceEndDoc() (also when aborted);
  // FreeFonts(); not printing (also when DeviceEndDoc raises); OnAfterPrint.

  // Whether output can start (the printer report refuses with no printer installed,
  // showing its message). Default true.
  virtual bool CanStart() { return true; }
  // Open the job or stream. Title and OutputFileName are set; not printing yet.
  virtual void DeviceBeginDoc() {}
  // A page that produces output begins (the first one too); printing is set.
  virtual void DeviceStartPage() {}
  // The current page ends (called also when it was skipped; PageSkipped() tells).
  virtual void DeviceEndPage() {}
  // Close the job: cancel it when Aborted(), else end it. Called after OnPrintFooter.
  virtual void DeviceEndDoc() {}
  // Geometry of the output device; default: 300 by 300 pixels per inch, 8.5 by 11 inches.
  virtual TPageGeometry DeviceGeometry() { return TPageGeometry(); }
  // The paint device fonts are realized for and measured on; null: an internal image at
  // the report's resolution.
  virtual QPaintDevice* MetricsDevice() { return nullptr; }
  // Device, driver and port names for the %D, %R and %T macros.
  virtual void DeviceNames(QString& device, QString& driver, QString& port) const;

  // ==== Hooks: state changes (called whenever the state changes, also on skipped pages and
  // during Start before the first page begins) ======================================================
  virtual void FontChanged() {}
  virtual void BrushChanged() {}
  virtual void PenChanged() {}
  // TextBKMode or BKColor.
  virtual void TextBKChanged() {}
  virtual void ScaleChanged() {}
  // Ascent, descent or line height recomputed to different values.
  virtual void LineMetricsChanged() {}
  // While printing: the orientation changed (the device applies it); ReadGeometry follows.
  virtual void OrientationChanged() {}
  virtual void DestinationsChanged(TAllowKind) {}

  // ==== Hooks: output (the list and its contract: OutputHooks.h) ==============================
  enum TTextAlign { taLeft, taCenter, taRight };
  enum TArcKind { akArc, akChord, akPie };
  REPORT_OUTPUT_HOOKS(REPORT_OUTPUT_HOOK_DEFAULT)

  // ==== Helpers for descendants ======================================================================
  // Raises "Invalid method call.  Report is not printing." unless printing.
  void CheckPrinting() const;
  // Raises "Invalid method call.  Report already printing." while printing.
  void CheckNotPrinting() const;
  // Re-reads DeviceGeometry() (resolution, offsets, page size).
  void ReadGeometry();
  // Brush black clear, pen black solid copy 1 pixel, origin 0, one column, tabs cleared,
  // section reset, line 1, column 1.
  void ResetDrawingState();
  // The common part of NewPage: page + 1, progress text, skip state, origin, tab position,
  // section, OnNewColumn when several columns, line 1, column 1.
  void NewPageCommon();
  // Expands StatusFormat into the status label and processes pending events.
  void UpdateStatus();
  // Destroys the realized fonts.
  void FreeFonts();
  // Recomputes ascent, descent and line height (LineMetricsChanged when they differ).
  void UpdateLineHeight();
  void SetPrinting(bool printing) { printing_ = printing; }
  void SetAborted(bool aborted) { aborted_ = aborted; }
  void SetCurrentPage(int page) { current_page_ = page; }
  void SetPageSkipped(bool skipped) { page_skipped_ = skipped; }
  void SetStartDateTime(const QDateTime& when) { start_date_time_ = when; }
  void SetDestinations(int mask) { destinations_ = mask; }
  // Line metrics in inches (as a report file records them).
  void SetLineMetrics(double ascent, double descent, double line_height);
  // Paper size in inches (a playback page header).
  void SetPageSize(double width, double height);
  void SetGeometry(const TPageGeometry& geometry) { geometry_ = geometry; }
  // Preview zoom (percent) and device origin (pixels).
  void SetZoom(double percent) { zoom_ = percent; }
  void SetDeviceOrigin(int x, int y) { device_origin_x_ = x; device_origin_y_ = y; }
  int DeviceOriginX() const { return device_origin_x_; }
  int DeviceOriginY() const { return device_origin_y_; }
  // Defers FontChanged until the matching EndFontChange (nested calls allowed).
  void BeginFontChange() { fonts_.BeginChange(); }
  void EndFontChange();
  // Pen width (pixels) for a width argument (negative: hundredths of an inch).
  int PenWidthPixels(int width) const;
  // Cursor and section in inches.
  double CursorXInches() const { return cursor_.X(); }
  double CursorYInches() const { return cursor_.Y(); }
  void SetCursorInches(double x, double y) {
    cursor_.SetX(x);
    cursor_.SetY(y);
  }
  double AscentInches() const { return cursor_.Ascent(); }
  double DescentInches() const { return cursor_.Descent(); }
  double LineHeightInches() const { return cursor_.LineHeight(); }
  double OriginXInches() const { return cursor_.OriginX(); }
  double OriginYInches() const { return cursor_.OriginY(); }
  // Inches of a value in units and back.
  double ToInches(double units) const { return cursor_.ToInches(units); }
  double ToUnits(double inches) const { return cursor_.ToUnits(inches); }
  // Width of text in page inches in the current font at 100 % scale (at least 1 pixel).
  double TextWidthInches(const QString& text);
  // While OutText runs: the text's width as TextWidthInches measured it for the cursor, so
  // that a descendant needing it does not measure the text again.
  double OutTextWidthInches() const { return out_text_width_; }

 private:
  void FireEvent(const TReportEvent& event);
  void PrintAligned(TTextAlign align, const QString& text, double x_inches);
  void PrintBlockInches(const QString& text, double x_inches, double width_inches);
  void PrintPiece(const QString& text);
  // Sends FontChanged now, or once the outermost EndFontChange is reached.
  void NotifyFontChange();
  bool OutOk() {
    CheckPrinting();
    return OutputAllowed();
  }
  // Counts a pushed region (raising when the stack is full); true when it is output.
  bool PushRegion();
  // Page inches of a position in units.
  double PX(double x) const { return ToInches(x) + cursor_.OriginX(); }
  double PY(double y) const { return ToInches(y) + cursor_.OriginY(); }
  // The device fonts are measured on: MetricsDevice(), else an image at the report's
  // resolution.
  QPaintDevice* MeasuringDevice();
  QImage& MetricsImage();

  // Properties.
  int first_page_ = 1;
  int last_page_ = kLastPageAll;
  QPointer<QObject> status_label_;
  QString status_format_ = QStringLiteral("Printing page %p");
  QStringList status_text_;
  QString title_ = QStringLiteral("Printer Report");
  QString document_title_;
  int copies_ = 1;
  TOrientation orientation_ = poPortrait;
  double scale_x_ = 100, scale_y_ = 100;
  QString output_file_name_;
  QString page_selection_;

  // Run state.
  bool printing_ = false;
  bool aborted_ = false;
  bool page_skipped_ = false;
  int current_page_ = 0;
  QDateTime start_date_time_;
  int destinations_ = kDestAll;
  TPageGeometry geometry_;
  double zoom_ = 100;
  int device_origin_x_ = 0, device_origin_y_ = 0;

  // The parts.
  TReportCursor cursor_;
  TTabStops tabs_;
  TReportFontState fonts_;
  TReportDrawState drawing_;

  QImage metrics_image_;
  double out_text_width_ = 0;
};
