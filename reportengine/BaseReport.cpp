#include "reportengine/BaseReport.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPaintDevice>

#include <algorithm>
#include <cmath>
#include <exception>

#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"

namespace {

// Tolerance for comparisons of lengths that went through unit conversions.
constexpr double kEpsilon = 1e-9;
// Limits of device fonts and pens (values from report files are not trusted).
constexpr int kMaxFontPixels = 32767;
constexpr int kMaxPenPixels = 10000;

const TTabList& EmptyTabs() {
  static const TTabList empty = std::make_shared<const std::vector<TTabStop>>();
  return empty;
}

// Parses a whole non-negative number; false when the text is not one.
bool ParsePage(const QString& text, int& page) {
  bool ok = false;
  page = text.trimmed().toInt(&ok);
  return ok && page >= 0;
}

}  // namespace

TBaseReport::TBaseReport(QObject* owner) : TREBaseComponent(owner), tabs_(EmptyTabs()) {}

TBaseReport::~TBaseReport() = default;

// ---- Properties -------------------------------------------------------------------------------

void TBaseReport::SetLineHeightMethod(TLineHeightMethod method) {
  line_height_method_ = method;
  if (printing_) UpdateLineHeight();
}

void TBaseReport::SetLinesPerInch(int lines) {
  if (lines < 1) return;
  lines_per_inch_ = lines;
  UpdateLineHeight();
}

void TBaseReport::SetUnits(TPrintUnits units) {
  switch (units) {
    case unInch: units_factor_ = 1.0; break;
    case unMM: units_factor_ = 25.4; break;
    case unCM: units_factor_ = 2.54; break;
    case unPoint: units_factor_ = 72.0; break;
    case unUser: break;
  }
  units_ = units;
}

void TBaseReport::SetUnitsFactor(double factor) {
  if (!(factor > 0)) return;
  units_factor_ = factor;
  if (factor == 1.0) {
    units_ = unInch;
  } else if (factor == 25.4) {
    units_ = unMM;
  } else if (factor == 2.54) {
    units_ = unCM;
  } else if (factor == 72.0) {
    units_ = unPoint;
  } else {
    units_ = unUser;
  }
}

double TBaseReport::MarginLeft() const { return ToUnits(margin_left_); }
void TBaseReport::SetMarginLeft(double value) { margin_left_ = ToInches(value); }
double TBaseReport::MarginRight() const { return ToUnits(margin_right_); }
void TBaseReport::SetMarginRight(double value) { margin_right_ = ToInches(value); }
double TBaseReport::MarginTop() const { return ToUnits(margin_top_); }
void TBaseReport::SetMarginTop(double value) { margin_top_ = ToInches(value); }
double TBaseReport::MarginBottom() const { return ToUnits(margin_bottom_); }
void TBaseReport::SetMarginBottom(double value) { margin_bottom_ = ToInches(value); }

void TBaseReport::SetTabShade(int percent) { tab_shade_ = std::clamp(percent, 0, 100); }

void TBaseReport::SetTitle(const QString& title) { title_ = title.left(31); }

void TBaseReport::SetTextBKMode(TBKMode mode) {
  if (mode == text_bk_mode_) return;
  text_bk_mode_ = mode;
  TextBKChanged();
}

void TBaseReport::SetBKColor(TColor color) {
  if (color == bk_color_) return;
  bk_color_ = color;
  TextBKChanged();
}

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
  region_count_ = 0;
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
  region_count_ = 0;
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
    cursor_y_ = section_top_ + line_height_ - descent_;
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
  origin_x_ = 0;
  origin_y_ = 0;
  tab_index_ = 0;
  tab_active_ = false;
  ResetSection();
  line_num_ = 1;
  column_num_ = 1;
  UpdateLineHeight();
  cursor_x_ = section_left_;
  cursor_y_ = section_top_ + line_height_ - descent_;
  // Fired once the cursor is in column 1, so a handler draws where the column starts.
  if (columns_ > 1) FireEvent(OnNewColumn);
}

void TBaseReport::ResetDrawingState() {
  brush_ = TBrushRecord();
  BrushChanged();
  pen_ = TPenRecord();
  PenChanged();
  origin_x_ = 0;
  origin_y_ = 0;
  columns_ = 1;
  column_between_ = 0;
  tabs_ = EmptyTabs();
  tab_index_ = 0;
  tab_active_ = false;
  ResetSection();
  line_num_ = 1;
  column_num_ = 1;
  UpdateLineHeight();
  cursor_x_ = section_left_;
  cursor_y_ = section_top_ + line_height_ - descent_;
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

void TBaseReport::SetLineMetrics(double ascent, double descent, double line_height) {
  ascent_ = ascent;
  descent_ = descent;
  line_height_ = line_height;
}

void TBaseReport::SetPageSize(double width, double height) {
  geometry_.PageWidth = width;
  geometry_.PageHeight = height;
}

// ---- Geometry, section, cursor ------------------------------------------------------------------

double TBaseReport::PageWidth() const { return ToUnits(geometry_.PageWidth); }
double TBaseReport::PageHeight() const { return ToUnits(geometry_.PageHeight); }

double TBaseReport::SectionLeft() const { return ToUnits(section_left_); }
double TBaseReport::SectionRight() const { return ToUnits(section_right_); }
double TBaseReport::SectionTop() const { return ToUnits(section_top_); }
double TBaseReport::SectionBottom() const { return ToUnits(section_bottom_); }

void TBaseReport::SetSectionLeft(double value) {
  section_left_ = ToInches(value);
  if (cursor_x_ < section_left_) cursor_x_ = section_left_;
  RecomputeColumnWidth();
}

void TBaseReport::SetSectionRight(double value) {
  section_right_ = ToInches(value);
  if (cursor_x_ > section_right_) cursor_x_ = section_right_;
  RecomputeColumnWidth();
}

void TBaseReport::SetSectionTop(double value) {
  section_top_ = ToInches(value);
  if (cursor_y_ < section_top_) cursor_y_ = section_top_;
}

void TBaseReport::SetSectionBottom(double value) {
  section_bottom_ = ToInches(value);
  if (cursor_y_ > section_bottom_) cursor_y_ = section_bottom_;
}

void TBaseReport::ResetSection() {
  section_left_ = margin_left_;
  section_right_ = geometry_.PageWidth - margin_right_;
  section_top_ = margin_top_;
  section_bottom_ = geometry_.PageHeight - margin_bottom_;
  RecomputeColumnWidth();
}

void TBaseReport::RecomputeColumnWidth() {
  column_width_ = (SectionWidthInches() + column_between_) / columns_;
}

double TBaseReport::XPos() const { return ToUnits(cursor_x_); }
void TBaseReport::SetXPos(double value) { cursor_x_ = ToInches(value); }
double TBaseReport::YPos() const { return ToUnits(cursor_y_); }

void TBaseReport::SetYPos(double value) {
  UpdateLineHeight();
  cursor_y_ = ToInches(value);
}

void TBaseReport::GotoXY(double x, double y) {
  SetXPos(x);
  SetYPos(y);
}

void TBaseReport::GotoLine(int line) {
  UpdateLineHeight();
  line_num_ = line;
  cursor_y_ = section_top_ + line * line_height_ - descent_;
}

double TBaseReport::ColumnWidth() const { return ToUnits(column_width_); }

void TBaseReport::SetColumns(int count, double between) {
  columns_ = std::max(1, count);
  column_between_ = columns_ > 1 ? std::max(0.0, ToInches(between)) : 0.0;
  RecomputeColumnWidth();
  column_num_ = 1;
  cursor_x_ = section_left_;
}

double TBaseReport::ColumnStart() const {
  return ToUnits(section_left_ + (column_num_ - 1) * column_width_);
}

void TBaseReport::PushPos() {
  saved_pos_.push_back({cursor_x_, cursor_y_, line_num_, column_num_});
}

void TBaseReport::PopPos() {
  if (saved_pos_.empty()) return;
  const TSavedPos pos = saved_pos_.back();
  saved_pos_.pop_back();
  cursor_x_ = pos.x;
  cursor_y_ = pos.y;
  line_num_ = pos.line;
  column_num_ = pos.column;
}

double TBaseReport::OriginX() const { return ToUnits(origin_x_); }
void TBaseReport::SetOriginX(double value) { origin_x_ = ToInches(value); }
double TBaseReport::OriginY() const { return ToUnits(origin_y_); }
void TBaseReport::SetOriginY(double value) { origin_y_ = ToInches(value); }

// ---- Line metrics ---------------------------------------------------------------------------------

double TBaseReport::LineHeight() const { return ToUnits(line_height_); }

void TBaseReport::SetLineHeight(double value) {
  const double inches = ToInches(value);
  if (!(inches > 0)) return;
  line_height_ = inches;
}

double TBaseReport::Ascent() const { return ToUnits(ascent_); }
double TBaseReport::Descent() const { return ToUnits(descent_); }

void TBaseReport::UpdateLineHeight() {
  double ascent = ascent_;
  double descent = descent_;
  if (printing_) {
    const TRealizedFont& font = RealizedFont();
    ascent = font.Ascent;
    descent = font.Descent;
  }
  double height = line_height_;
  switch (line_height_method_) {
    case lhmLinesPerInch: height = 1.0 / lines_per_inch_; break;
    case lhmFont: height = font_.Height * 72.0 / 60.0; break;
    case lhmUser: break;
  }
  if (ascent == ascent_ && descent == descent_ && height == line_height_) return;
  ascent_ = ascent;
  descent_ = descent;
  line_height_ = height;
  LineMetricsChanged();
}

int TBaseReport::LinesLeft() {
  const double bottom = LineBottom();
  if (!(bottom <= section_bottom_ + kEpsilon)) return 0;
  // Line metrics can come from a report file: a line height of 0 must not divide.
  if (!(line_height_ > 0)) return 1;
  const double whole = std::floor((section_bottom_ - bottom) / line_height_ + kEpsilon);
  return whole >= INT32_MAX - 1 ? INT32_MAX : static_cast<int>(whole) + 1;
}

double TBaseReport::LineBaseline(int n) const {
  return ToUnits(section_top_ + n * line_height_ - descent_);
}

// ---- Text -------------------------------------------------------------------------------------------

double TBaseReport::TextWidthInches(const QString& text) {
  const TRealizedFont& font = RealizedFont();
  QPaintDevice* device = MetricsDevice();
  if (!device) device = &MetricsImage();
  const QFontMetricsF metrics(font.Font, device);
  const double pixels = std::max(1.0, metrics.horizontalAdvance(text));
  return pixels / (geometry_.XDPI * zoom_ / 100.0);
}

double TBaseReport::TextWidth(const QString& text) {
  CheckPrinting();
  return ToUnits(TextWidthInches(text));
}

void TBaseReport::AdvanceCursor(double start_x, double width) {
  if (font_.Rotation == 0) {
    cursor_x_ = start_x + width;
    return;
  }
  const double radians = font_.Rotation * M_PI / 180.0;
  cursor_x_ = start_x + std::cos(radians) * width;
  cursor_y_ -= std::sin(radians) * width;
}

void TBaseReport::PrintAligned(TTextAlign align, const QString& text, double x) {
  CheckPrinting();
  const double width = TextWidthInches(text);
  out_text_width_ = width;
  if (OutputAllowed()) OutText(align, text, x + origin_x_, cursor_y_ + origin_y_);
  const double start = align == taLeft ? x : align == taCenter ? x - width / 2 : x - width;
  AdvanceCursor(start, width);
}

void TBaseReport::PrintLeft(const QString& text, double x) {
  PrintAligned(taLeft, text, ToInches(x));
}

void TBaseReport::PrintCenter(const QString& text, double x) {
  PrintAligned(taCenter, text, ToInches(x));
}

void TBaseReport::PrintRight(const QString& text, double x) {
  PrintAligned(taRight, text, ToInches(x));
}

void TBaseReport::PrintBlockInches(const QString& text, double x, double width) {
  CheckPrinting();
  if (OutputAllowed()) OutBlock(text, x + origin_x_, cursor_y_ + origin_y_, width);
  AdvanceCursor(x, width);
}

void TBaseReport::PrintBlock(const QString& text, double x, double width) {
  PrintBlockInches(text, ToInches(x), ToInches(width));
}

void TBaseReport::PrintPiece(const QString& text) {
  if (!tab_active_) {
    PrintAligned(taLeft, text, cursor_x_);
    return;
  }
  tab_active_ = false;
  const TTabStop& stop = (*tabs_)[tab_index_ - 1];
  const double x = stop.Pos + (column_num_ - 1) * column_width_;
  const TPrintJustify justify = tab_justify_ != pjNone ? tab_justify_ : stop.Justify;
  switch (justify) {
    case pjCenter: PrintAligned(taCenter, text, x + stop.Width / 2); break;
    case pjRight: PrintAligned(taRight, text, x + stop.Width - stop.Margin); break;
    case pjBlock:
      PrintBlockInches(text, x + stop.Margin, stop.Width - 2 * stop.Margin);
      break;
    case pjLeft:
    case pjNone: PrintAligned(taLeft, text, x + stop.Margin); break;
  }
}

void TBaseReport::Print(const QString& text) {
  CheckPrinting();
  const QStringList pieces = text.split(QLatin1Char('\t'));
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i > 0) Tab();
    if (pieces.at(i).isEmpty()) continue;
    PrintPiece(pieces.at(i));
  }
}

void TBaseReport::Println(const QString& text) {
  Print(text);
  NewLine();
}

void TBaseReport::CR() { cursor_x_ = section_left_ + (column_num_ - 1) * column_width_; }

void TBaseReport::LF() {
  UpdateLineHeight();
  ++line_num_;
  cursor_y_ += line_height_;
}

void TBaseReport::NewLine() {
  CheckPrinting();
  if (column_num_ < columns_ && LinesLeft() <= 1) {
    ++column_num_;
    line_num_ = 1;
    UpdateLineHeight();
    CR();
    cursor_y_ = section_top_ + line_height_ - descent_;
    FireEvent(OnNewColumn);
  } else {
    CR();
    LF();
  }
  tab_index_ = 0;
  tab_active_ = false;
  // The new line reaches past the section's bottom edge.
  if (LineBottom() > section_bottom_ + kEpsilon) FireEvent(OnEndOfSection);
}

// ---- Tabs -------------------------------------------------------------------------------------------

void TBaseReport::MutateTabs(const std::function<void(std::vector<TTabStop>&)>& change) {
  auto copy = std::make_shared<std::vector<TTabStop>>(*tabs_);
  change(*copy);
  tabs_ = std::move(copy);
}

void TBaseReport::SetTab(double pos, TPrintJustify justify, double width, double margin,
                         int borders, int shade) {
  TTabStop stop;
  if (pos < 0) {
    stop.Pos = tabs_->empty() ? margin_left_ : tabs_->back().Pos + tabs_->back().Width;
  } else {
    stop.Pos = ToInches(pos);
  }
  stop.Justify = justify == pjNone ? pjLeft : justify;
  if (width > 0) {
    stop.Width = ToInches(width);
    stop.Margin = margin / 100.0;
    stop.Border = borders & kBoxLineAll;
    stop.Shade = std::clamp(shade, 0, 100);
  }
  MutateTabs([&stop](std::vector<TTabStop>& tabs) { tabs.push_back(stop); });
}

void TBaseReport::ClearTabs() {
  tabs_ = EmptyTabs();
  tab_index_ = 0;
  tab_active_ = false;
}

void TBaseReport::SaveTabs(int index) { saved_tabs_[index] = tabs_; }

void TBaseReport::RestoreTabs(int index) {
  const auto found = saved_tabs_.find(index);
  tabs_ = found == saved_tabs_.end() ? EmptyTabs() : found->second;
  tab_index_ = 0;
  tab_active_ = false;
}

const TTabStop* TBaseReport::StopAt(int n) const {
  const int index = n == 0 ? tab_index_ : n;
  if (index < 1 || index > static_cast<int>(tabs_->size())) return nullptr;
  return &(*tabs_)[index - 1];
}

double TBaseReport::TabStart(int n) const {
  const TTabStop* stop = StopAt(n);
  return stop ? ToUnits(stop->Pos + stop->Margin) : 0.0;
}

double TBaseReport::TabWidth(int n) const {
  const TTabStop* stop = StopAt(n);
  return stop ? ToUnits(stop->Width - 2 * stop->Margin) : 0.0;
}

TColor TBaseReport::ShadeToColor(int shade) const {
  const int s = std::clamp(shade, 0, 100);
  const QColor base = ColorToQColor(shade_color_);
  const auto mix = [s](int c) { return c + (100 - s) * (255 - c) / 100; };
  return QColorToColor(QColor(mix(base.red()), mix(base.green()), mix(base.blue())));
}

void TBaseReport::Tab(int left, int right, int top, int bottom, int shade) {
  CheckPrinting();
  if (tab_index_ >= static_cast<int>(tabs_->size())) {
    tab_active_ = false;
    return;
  }
  ++tab_index_;
  tab_active_ = true;
  const TTabStop stop = (*tabs_)[tab_index_ - 1];
  if (!(stop.Width > 0)) return;

  const double x = stop.Pos + (column_num_ - 1) * column_width_;
  const double line_bottom = LineBottom();
  const double line_top = line_bottom - line_height_;
  const double x2 = x + stop.Width;

  int s = shade;
  if (s == kTabDefault) s = stop.Shade > 0 ? stop.Shade : tab_shade_;
  if (s > 0) {
    const TBrushRecord brush = brush_;
    const TPenRecord pen = pen_;
    const TBKMode mode = text_bk_mode_;
    SetBrush(ShadeToColor(s), bsSolid);
    SetPen(pen.Color, psClear, pen.Width, pen.Mode);
    SetTextBKMode(bkTransparent);
    TabRectangle(ToUnits(x), ToUnits(line_top), ToUnits(x2), ToUnits(line_bottom));
    SetBrush(brush.Color, brush.Style, brush.Pattern);
    SetPen(pen.Color, pen.Style, pen.Width, pen.Mode);
    SetTextBKMode(mode);
  }

  const auto line = [this](int arg, int flag, int border, double xa, double ya, double xb,
                           double yb) {
    const bool own = arg == kTabDefault && (border & flag) != 0;
    const bool given = arg != 0 && arg != kTabDefault;
    if (!own && !given) return;
    const TPenRecord pen = pen_;
    if (given) SetPen(clBlack, psSolid, arg, pmCopy);
    MoveTo(ToUnits(xa), ToUnits(ya));
    LineTo(ToUnits(xb), ToUnits(yb));
    if (given) SetPen(pen.Color, pen.Style, pen.Width, pen.Mode);
  };
  line(left, kBoxLineLeft, stop.Border, x, line_bottom, x, line_top);
  line(right, kBoxLineRight, stop.Border, x2, line_top, x2, line_bottom);
  line(top, kBoxLineTop, stop.Border, x, line_top, x2, line_top);
  line(bottom, kBoxLineBottom, stop.Border, x2, line_bottom, x, line_bottom);
}

// ---- Fonts ------------------------------------------------------------------------------------------

void TBaseReport::NotifyFontChange() {
  if (font_change_depth_ > 0) {
    font_change_pending_ = true;
    return;
  }
  font_change_pending_ = false;
  FontChanged();
}

void TBaseReport::EndFontChange() {
  if (font_change_depth_ > 0) --font_change_depth_;
  if (font_change_depth_ == 0 && font_change_pending_) NotifyFontChange();
}

void TBaseReport::SetFontField(const std::function<void(TFontRecord&)>& change) {
  TFontRecord font = font_;
  change(font);
  if (font == font_) return;
  font_ = std::move(font);
  NotifyFontChange();
}

void TBaseReport::SetFont(const QString& name, double size) {
  BeginFontChange();
  SetFontField([&](TFontRecord& f) {
    f.Name = name.left(60);
    if (size > 0) f.Height = size / 72.0;
    f.Color = clBlack;
    f.Pitch = fpDefault;
    f.Bold = f.Underline = f.Italic = f.StrikeOut = f.Superscript = f.Subscript = false;
    f.Rotation = 0;
    f.Align = faBaseline;
  });
  EndFontChange();
}

void TBaseReport::RestoreFont(const TFontRecord& font) {
  BeginFontChange();
  SetFontField([&](TFontRecord& f) {
    f = font;
    f.Name = f.Name.left(60);
    f.Rotation = ((f.Rotation % 360) + 360) % 360;
  });
  EndFontChange();
}

void TBaseReport::SetFontName(const QString& name) {
  SetFontField([&](TFontRecord& f) { f.Name = name.left(60); });
}

void TBaseReport::SetFontColor(TColor color) {
  SetFontField([&](TFontRecord& f) { f.Color = color; });
}

void TBaseReport::SetFontPitch(TFontPitch pitch) {
  SetFontField([&](TFontRecord& f) { f.Pitch = pitch; });
}

void TBaseReport::SetFontSize(double points) {
  if (!(points > 0)) return;
  SetFontField([&](TFontRecord& f) { f.Height = points / 72.0; });
}

double TBaseReport::FontHeight() const {
  return ToUnits(std::max(font_.Height, 1.0 / geometry_.YDPI));
}

void TBaseReport::SetFontHeight(double value) {
  const double inches = std::max(ToInches(value), 1.0 / geometry_.YDPI);
  SetFontField([&](TFontRecord& f) { f.Height = inches; });
}

void TBaseReport::SetBold(bool on) {
  SetFontField([&](TFontRecord& f) { f.Bold = on; });
}

void TBaseReport::SetUnderline(bool on) {
  SetFontField([&](TFontRecord& f) { f.Underline = on; });
}

void TBaseReport::SetItalic(bool on) {
  SetFontField([&](TFontRecord& f) { f.Italic = on; });
}

void TBaseReport::SetStrikeOut(bool on) {
  SetFontField([&](TFontRecord& f) { f.StrikeOut = on; });
}

void TBaseReport::SetSuperscript(bool on) {
  SetFontField([&](TFontRecord& f) {
    f.Superscript = on;
    if (on) f.Subscript = false;
  });
}

void TBaseReport::SetSubscript(bool on) {
  SetFontField([&](TFontRecord& f) {
    f.Subscript = on;
    if (on) f.Superscript = false;
  });
}

void TBaseReport::SetFontRotation(int degrees) {
  SetFontField([&](TFontRecord& f) { f.Rotation = ((degrees % 360) + 360) % 360; });
}

void TBaseReport::SetFontAlign(TFontAlign align) {
  SetFontField([&](TFontRecord& f) { f.Align = align; });
}

QImage& TBaseReport::MetricsImage() {
  if (metrics_image_.isNull()) {
    metrics_image_ = QImage(1, 1, QImage::Format_RGB32);
    metrics_image_.setDotsPerMeterX(static_cast<int>(std::lround(geometry_.XDPI / 0.0254)));
    metrics_image_.setDotsPerMeterY(static_cast<int>(std::lround(geometry_.YDPI / 0.0254)));
  }
  return metrics_image_;
}

const TRealizedFont& TBaseReport::RealizedFont() {
  TFontRecord key = font_;
  key.Color = clBlack;  // colour and alignment are applied when drawing
  key.Align = faBaseline;
  const double full = std::min(geometry_.YDPI * std::max(font_.Height, 1.0 / geometry_.YDPI) *
                                   zoom_ / 100.0,
                               double{kMaxFontPixels});
  int pixels = static_cast<int>(std::lround(full));
  if (font_.Superscript || font_.Subscript) pixels = static_cast<int>(std::lround(full / 2));
  // Heights can come from a report file: keep the device font within what a font engine
  // renders.
  pixels = std::clamp(pixels, 1, kMaxFontPixels);

  // The device font depends on the height only through its pixel size: heights that
  // round alike share one entry.
  key.Height = 0;
  std::string index_key = key.Name.toStdString();
  index_key.push_back('\0');
  const int64_t numbers[] = {key.Pitch, key.Bold, key.Underline, key.Italic, key.StrikeOut, key.Superscript,
                             key.Subscript, key.Rotation, pixels};
  for (const int64_t n : numbers) index_key += std::to_string(n) + ',';
  index_key.append(reinterpret_cast<const char*>(&zoom_), sizeof zoom_);
  if (const auto found = font_index_.find(index_key); found != font_index_.end()) {
    if (found->second != fonts_.begin()) fonts_.splice(fonts_.begin(), fonts_, found->second);
    return fonts_.front();
  }
  if (fonts_.size() >= static_cast<size_t>(kMaxRealizedFonts)) {
    font_index_.erase(fonts_.back().IndexKey);
    fonts_.pop_back();
  }
  ++fonts_created_;

  TRealizedFont realized;
  realized.IndexKey = index_key;
  realized.Key = key;
  realized.PixelHeight = pixels;
  realized.Zoom = zoom_;
  QFont& qfont = realized.Font;
  qfont.setFamily(font_.Name);
  qfont.setPixelSize(pixels);
  qfont.setWeight(font_.Bold ? QFont::Bold : QFont::Normal);
  qfont.setItalic(font_.Italic);
  qfont.setUnderline(font_.Underline);
  qfont.setStrikeOut(font_.StrikeOut);
  if (font_.Pitch == fpFixed) {
    qfont.setFixedPitch(true);
    qfont.setStyleHint(QFont::TypeWriter);
  }
  // Unhinted outlines scale linearly, so widths measured on one device hold on another.
  qfont.setHintingPreference(QFont::PreferNoHinting);

  QPaintDevice* device = MetricsDevice();
  if (!device) device = &MetricsImage();
  const QFontMetricsF metrics(qfont, device);
  const double per_inch = geometry_.YDPI * zoom_ / 100.0;
  realized.Ascent = metrics.ascent() / per_inch;
  realized.Descent = metrics.descent() / per_inch;
  realized.Leading = std::max(0.0, metrics.ascent() + metrics.descent() - pixels) / per_inch;
  fonts_.push_front(std::move(realized));
  font_index_.emplace(std::move(index_key), fonts_.begin());
  return fonts_.front();
}

void TBaseReport::FreeFonts() {
  font_index_.clear();
  fonts_.clear();
}

// ---- Graphics ---------------------------------------------------------------------------------------

int TBaseReport::PenWidthPixels(int width) const {
  if (width >= 0) return std::clamp(width, 1, kMaxPenPixels);
  const double pixels = -(width / 100.0) * geometry_.XDPI * scale_x_ * zoom_ / 10000.0;
  return std::clamp(static_cast<int>(std::lround(std::min(pixels, 1e6))), 1, kMaxPenPixels);
}

void TBaseReport::SetBrush(TColor color, TBrushStyle style, const QImage& pattern) {
  TBrushRecord brush{color, style, pattern};
  if (brush == brush_) return;
  brush_ = std::move(brush);
  BrushChanged();
}

void TBaseReport::SetPen(TColor color, TPenStyle style, int width, TPenMode mode) {
  const TPenRecord pen{color, style, PenWidthPixels(width), mode};
  if (pen == pen_) return;
  pen_ = pen;
  PenChanged();
}

void TBaseReport::Arc(double x1, double y1, double x2, double y2, double x3, double y3,
                      double x4, double y4) {
  if (!OutOk()) return;
  OutArc(akArc, PX(x1), PY(y1), PX(x2), PY(y2), PX(x3), PY(y3), PX(x4), PY(y4));
}

void TBaseReport::Chord(double x1, double y1, double x2, double y2, double x3, double y3,
                        double x4, double y4) {
  if (!OutOk()) return;
  OutArc(akChord, PX(x1), PY(y1), PX(x2), PY(y2), PX(x3), PY(y3), PX(x4), PY(y4));
}

void TBaseReport::Pie(double x1, double y1, double x2, double y2, double x3, double y3,
                      double x4, double y4) {
  if (!OutOk()) return;
  OutArc(akPie, PX(x1), PY(y1), PX(x2), PY(y2), PX(x3), PY(y3), PX(x4), PY(y4));
}

void TBaseReport::Ellipse(double x1, double y1, double x2, double y2) {
  if (OutOk()) OutEllipse(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::Rectangle(double x1, double y1, double x2, double y2) {
  if (OutOk()) OutRectangle(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::TabRectangle(double x1, double y1, double x2, double y2) {
  if (OutOk()) OutTabRectangle(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::RoundRect(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (OutOk()) OutRoundRect(PX(x1), PY(y1), PX(x2), PY(y2), ToInches(x3), ToInches(y3));
}

void TBaseReport::MoveTo(double x, double y) {
  if (OutOk()) OutMoveTo(PX(x), PY(y));
}

void TBaseReport::LineTo(double x, double y) {
  if (OutOk()) OutLineTo(PX(x), PY(y));
}

void TBaseReport::Polygon(const QPolygon& points) {
  if (OutOk() && !points.isEmpty()) OutPolygon(points);
}

void TBaseReport::Polyline(const QPolygon& points) {
  if (OutOk() && !points.isEmpty()) OutPolyline(points);
}

void TBaseReport::FillRect(const QRect& rect) {
  if (OutOk()) OutFillRect(rect);
}

void TBaseReport::FrameRect(const QRect& rect) {
  if (OutOk()) OutFrameRect(rect);
}

void TBaseReport::DrawFocusRect(const QRect& rect) {
  if (OutOk()) OutDrawFocusRect(rect);
}

void TBaseReport::FloodFill(double x, double y, TColor color, int fill_style) {
  if (OutOk()) OutFloodFill(PX(x), PY(y), color, fill_style);
}

void TBaseReport::BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                            TColor color) {
  if (OutOk() && !bitmap.isNull()) OutBrushCopy(dest, bitmap, source, color);
}

void TBaseReport::CopyRect(const QRect& dest, const QImage& source, const QRect& source_rect) {
  if (OutOk() && !source.isNull()) OutCopyRect(dest, source, source_rect);
}

void TBaseReport::Draw(double x, double y, const QImage& graphic) {
  if (OutOk() && !graphic.isNull()) OutDraw(PX(x), PY(y), graphic);
}

void TBaseReport::StretchDraw(const QRect& rect, const QImage& graphic) {
  if (OutOk() && !graphic.isNull()) OutStretchDraw(rect, graphic);
}

void TBaseReport::TextRect(const QRect& rect, double x, double y, const QString& text) {
  if (OutOk()) OutTextRect(rect, PX(x), PY(y), text);
}

void TBaseReport::PrintBitmap(double x, double y, double scale_x, double scale_y,
                              const QImage& bitmap) {
  if (OutOk() && !bitmap.isNull()) OutPrintBitmap(PX(x), PY(y), scale_x, scale_y, bitmap);
}

void TBaseReport::PrintBitmapRect(double x1, double y1, double x2, double y2,
                                  const QImage& bitmap) {
  if (OutOk() && !bitmap.isNull()) OutPrintBitmapRect(PX(x1), PY(y1), PX(x2), PY(y2), bitmap);
}

// ---- Clipping and paths -------------------------------------------------------------------------------

bool TBaseReport::PushRegion() {
  CheckPrinting();
  if (region_count_ >= kMaxRegions) throw EReportError(report_messages::kClipStackFull);
  ++region_count_;
  return OutputAllowed();
}

void TBaseReport::CreateRectRegion(double x1, double y1, double x2, double y2) {
  if (PushRegion()) OutCreateRectRegion(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::CreateRoundRectRegion(double x1, double y1, double x2, double y2, double x3,
                                        double y3) {
  if (PushRegion()) {
    OutCreateRoundRectRegion(PX(x1), PY(y1), PX(x2), PY(y2), ToInches(x3), ToInches(y3));
  }
}

void TBaseReport::CreateEllipticRegion(double x1, double y1, double x2, double y2) {
  if (PushRegion()) OutCreateEllipticRegion(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::CreatePolygonRegion(const QPolygon& points) {
  if (PushRegion()) OutCreatePolygonRegion(points);
}

void TBaseReport::SelectClipRegion() {
  CheckPrinting();
  if (region_count_ > 0 && OutputAllowed()) OutSelectClipRegion();
}

void TBaseReport::ClearClipRegion() {
  if (OutOk()) OutClearClipRegion();
}

void TBaseReport::DeleteRegion() {
  CheckPrinting();
  if (region_count_ == 0) return;
  --region_count_;
  if (OutputAllowed()) OutDeleteRegion();
}

void TBaseReport::BeginPath() {
  if (OutOk()) OutBeginPath();
}

void TBaseReport::EndPath() {
  if (OutOk()) OutEndPath();
}

void TBaseReport::SelectClipPath() {
  if (OutOk()) OutSelectClipPath();
}

void TBaseReport::StrokePath() {
  if (OutOk()) OutStrokePath();
}

void TBaseReport::StrokeAndFillPath() {
  if (OutOk()) OutStrokeAndFillPath();
}

// ---- Pass-through, destinations ------------------------------------------------------------------------

void TBaseReport::PrintData(const QByteArray& data) {
  if (OutOk()) OutPrintData(data.left(255));
}

void TBaseReport::PrintDataStream(QIODevice& stream, qint64 count) {
  CheckPrinting();
  const qint64 available = std::max<qint64>(0, stream.bytesAvailable());
  if (count <= 0 || count > available) count = available;
  if (count > 0 && OutputAllowed()) OutPrintDataStream(stream, count);
}

bool TBaseReport::SelectBin(const QString& name) { return OutSelectBin(name); }

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

// ---- Coordinates ----------------------------------------------------------------------------------------

int TBaseReport::XI2D(double x) const {
  return static_cast<int>(std::lround(
             (x * scale_x_ * zoom_ / 10000.0 - geometry_.LeftWaste) * geometry_.XDPI)) +
         device_origin_x_;
}

int TBaseReport::YI2D(double y) const {
  return static_cast<int>(std::lround(
             (y * scale_y_ * zoom_ / 10000.0 - geometry_.TopWaste) * geometry_.YDPI)) +
         device_origin_y_;
}

double TBaseReport::XD2I(int x) const {
  return ((x - device_origin_x_) / geometry_.XDPI + geometry_.LeftWaste) * 10000.0 /
         (scale_x_ * zoom_);
}

double TBaseReport::YD2I(int y) const {
  return ((y - device_origin_y_) / geometry_.YDPI + geometry_.TopWaste) * 10000.0 /
         (scale_y_ * zoom_);
}

int TBaseReport::XU2D(double x) const { return XI2D(PX(x)); }
int TBaseReport::YU2D(double y) const { return YI2D(PY(y)); }
double TBaseReport::XD2U(int x) const { return ToUnits(XD2I(x) - origin_x_); }
double TBaseReport::YD2U(int y) const { return ToUnits(YD2I(y) - origin_y_); }

// ---- Dialogs ------------------------------------------------------------------------------------------

bool TBaseReport::ShowPrintDialog(QWidget* parent) {
  CheckNotPrinting();
  TREDevice& device = TREDevice::Instance();
  TPrintDialogRequest request;
  request.Collate = device.Collate();
  request.Copies = device.Copies();
  request.FromPage = first_page_;
  request.ToPage = last_page_;
  request.MinPage = 1;
  request.MaxPage = last_page_;
  request.AllowPrintToFile = true;
  if (!device.PrintDialog(request, parent)) return false;
  device.SetCollate(request.Collate);
  copies_ = request.Copies;
  if (request.Range == TPrintDialogRequest::prPageNums) {
    first_page_ = request.FromPage;
    last_page_ = request.ToPage;
  } else {
    first_page_ = 1;
    last_page_ = 9999;
  }
  // The file chosen in the dialog is where the job goes; the printer chosen instead takes
  // the job back from a file chosen before.
  output_file_name_ = request.PrintToFile ? request.OutputFileName : QString();
  return true;
}

bool TBaseReport::ShowPrinterSetupDialog(QWidget* parent) {
  CheckNotPrinting();
  return TREDevice::Instance().PrinterSetupDialog(parent);
}
