#include "reportengine/ReportCursor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Tolerance for comparisons of lengths that went through unit conversions.
constexpr double kEpsilon = 1e-9;

}  // namespace

// ---- Units ------------------------------------------------------------------------------------

void TReportCursor::SetUnits(TPrintUnits units) {
  switch (units) {
    case unInch: units_factor_ = 1.0; break;
    case unMM: units_factor_ = 25.4; break;
    case unCM: units_factor_ = 2.54; break;
    case unPoint: units_factor_ = 72.0; break;
    case unUser: break;
  }
  units_ = units;
}

void TReportCursor::SetUnitsFactor(double factor) {
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

// ---- Section ----------------------------------------------------------------------------------

void TReportCursor::SetSectionLeft(double inches) {
  section_.Left = inches;
  if (x_ < section_.Left) x_ = section_.Left;
  RecomputeColumnWidth();
}

void TReportCursor::SetSectionRight(double inches) {
  section_.Right = inches;
  if (x_ > section_.Right) x_ = section_.Right;
  RecomputeColumnWidth();
}

void TReportCursor::SetSectionTop(double inches) {
  section_.Top = inches;
  if (y_ < section_.Top) y_ = section_.Top;
}

void TReportCursor::SetSectionBottom(double inches) {
  section_.Bottom = inches;
  if (y_ > section_.Bottom) y_ = section_.Bottom;
}

void TReportCursor::ResetSection(double page_width, double page_height) {
  section_.Left = margins_.Left;
  section_.Right = page_width - margins_.Right;
  section_.Top = margins_.Top;
  section_.Bottom = page_height - margins_.Bottom;
  RecomputeColumnWidth();
}

// ---- Cursor -----------------------------------------------------------------------------------

void TReportCursor::Advance(double start_x, double width, int rotation) {
  if (rotation == 0) {
    x_ = start_x + width;
    return;
  }
  const double radians = rotation * M_PI / 180.0;
  x_ = start_x + std::cos(radians) * width;
  y_ -= std::sin(radians) * width;
}

void TReportCursor::PushPos() { saved_pos_.push_back({x_, y_, line_num_, column_num_}); }

void TReportCursor::PopPos() {
  if (saved_pos_.empty()) return;
  const TSavedPos pos = saved_pos_.back();
  saved_pos_.pop_back();
  x_ = pos.x;
  y_ = pos.y;
  line_num_ = pos.line;
  column_num_ = pos.column;
}

// ---- Lines and columns ------------------------------------------------------------------------

void TReportCursor::SetColumns(int count, double between) {
  columns_ = std::max(1, count);
  column_between_ = columns_ > 1 ? std::max(0.0, between) : 0.0;
  RecomputeColumnWidth();
  column_num_ = 1;
  x_ = section_.Left;
}

void TReportCursor::ResetColumns() {
  columns_ = 1;
  column_between_ = 0;
}

void TReportCursor::RecomputeColumnWidth() {
  column_width_ = (section_.Right - section_.Left + column_between_) / columns_;
}

void TReportCursor::LineFeed() {
  ++line_num_;
  y_ += line_height_;
}

void TReportCursor::GotoLine(int line) {
  line_num_ = line;
  y_ = section_.Top + line * line_height_ - descent_;
}

int TReportCursor::LinesLeft() const {
  const double bottom = LineBottom();
  if (!(bottom <= section_.Bottom + kEpsilon)) return 0;
  // Line metrics can come from a report file: a line height of 0 must not divide.
  if (!(line_height_ > 0)) return 1;
  const double whole = std::floor((section_.Bottom - bottom) / line_height_ + kEpsilon);
  return whole >= INT32_MAX - 1 ? INT32_MAX : static_cast<int>(whole) + 1;
}

bool TReportCursor::PastSectionBottom() const { return LineBottom() > section_.Bottom + kEpsilon; }

// ---- Line metrics -----------------------------------------------------------------------------

void TReportCursor::SetLineHeight(double inches) {
  if (!(inches > 0)) return;
  line_height_ = inches;
}

void TReportCursor::SetLineMetrics(double ascent, double descent, double line_height) {
  ascent_ = ascent;
  descent_ = descent;
  line_height_ = line_height;
}

double TReportCursor::MethodLineHeight(double font_height) const {
  switch (line_height_method_) {
    case lhmLinesPerInch: return 1.0 / lines_per_inch_;
    case lhmFont: return font_height * 72.0 / 60.0;
    case lhmUser: break;
  }
  return line_height_;
}

bool TReportCursor::UpdateLineMetrics(double ascent, double descent, double line_height) {
  if (ascent == ascent_ && descent == descent_ && line_height == line_height_) return false;
  SetLineMetrics(ascent, descent, line_height);
  return true;
}
