// TBaseReport, units, section and cursor: the public values in report units over the
// TReportCursor part, the line metrics the cursor moves by, and the mapping of positions to
// device pixels and back.
#include <cmath>

#include "reportengine/BaseReport.h"

// ---- Units and margins ------------------------------------------------------------------------

void TBaseReport::SetUnits(TPrintUnits units) { cursor_.SetUnits(units); }
void TBaseReport::SetUnitsFactor(double factor) { cursor_.SetUnitsFactor(factor); }

double TBaseReport::MarginLeft() const { return ToUnits(cursor_.Margins().Left); }
void TBaseReport::SetMarginLeft(double value) { cursor_.Margins().Left = ToInches(value); }
double TBaseReport::MarginRight() const { return ToUnits(cursor_.Margins().Right); }
void TBaseReport::SetMarginRight(double value) { cursor_.Margins().Right = ToInches(value); }
double TBaseReport::MarginTop() const { return ToUnits(cursor_.Margins().Top); }
void TBaseReport::SetMarginTop(double value) { cursor_.Margins().Top = ToInches(value); }
double TBaseReport::MarginBottom() const { return ToUnits(cursor_.Margins().Bottom); }
void TBaseReport::SetMarginBottom(double value) { cursor_.Margins().Bottom = ToInches(value); }

// ---- Page, section, cursor --------------------------------------------------------------------

double TBaseReport::PageWidth() const { return ToUnits(geometry_.PageWidth); }
double TBaseReport::PageHeight() const { return ToUnits(geometry_.PageHeight); }

void TBaseReport::SetPageSize(double width, double height) {
  geometry_.PageWidth = width;
  geometry_.PageHeight = height;
}

double TBaseReport::SectionLeft() const { return ToUnits(cursor_.Section().Left); }
double TBaseReport::SectionRight() const { return ToUnits(cursor_.Section().Right); }
double TBaseReport::SectionTop() const { return ToUnits(cursor_.Section().Top); }
double TBaseReport::SectionBottom() const { return ToUnits(cursor_.Section().Bottom); }
void TBaseReport::SetSectionLeft(double value) { cursor_.SetSectionLeft(ToInches(value)); }
void TBaseReport::SetSectionRight(double value) { cursor_.SetSectionRight(ToInches(value)); }
void TBaseReport::SetSectionTop(double value) { cursor_.SetSectionTop(ToInches(value)); }
void TBaseReport::SetSectionBottom(double value) { cursor_.SetSectionBottom(ToInches(value)); }

void TBaseReport::ResetSection() {
  cursor_.ResetSection(geometry_.PageWidth, geometry_.PageHeight);
}

double TBaseReport::XPos() const { return ToUnits(cursor_.X()); }
void TBaseReport::SetXPos(double value) { cursor_.SetX(ToInches(value)); }
double TBaseReport::YPos() const { return ToUnits(cursor_.Y()); }

void TBaseReport::SetYPos(double value) {
  UpdateLineHeight();
  cursor_.SetY(ToInches(value));
}

void TBaseReport::GotoXY(double x, double y) {
  SetXPos(x);
  SetYPos(y);
}

void TBaseReport::GotoLine(int line) {
  UpdateLineHeight();
  cursor_.GotoLine(line);
}

double TBaseReport::ColumnWidth() const { return ToUnits(cursor_.ColumnWidth()); }

void TBaseReport::SetColumns(int count, double between) {
  cursor_.SetColumns(count, ToInches(between));
}

double TBaseReport::ColumnStart() const {
  return ToUnits(cursor_.Section().Left + cursor_.ColumnOffset());
}

void TBaseReport::PushPos() { cursor_.PushPos(); }
void TBaseReport::PopPos() { cursor_.PopPos(); }

double TBaseReport::OriginX() const { return ToUnits(cursor_.OriginX()); }
void TBaseReport::SetOriginX(double value) { cursor_.SetOriginX(ToInches(value)); }
double TBaseReport::OriginY() const { return ToUnits(cursor_.OriginY()); }
void TBaseReport::SetOriginY(double value) { cursor_.SetOriginY(ToInches(value)); }

// ---- Line metrics -----------------------------------------------------------------------------

void TBaseReport::SetLineHeightMethod(TLineHeightMethod method) {
  cursor_.SetLineHeightMethod(method);
  if (printing_) UpdateLineHeight();
}

void TBaseReport::SetLinesPerInch(int lines) {
  if (lines < 1) return;
  cursor_.SetLinesPerInch(lines);
  UpdateLineHeight();
}

double TBaseReport::LineHeight() const { return ToUnits(cursor_.LineHeight()); }
void TBaseReport::SetLineHeight(double value) { cursor_.SetLineHeight(ToInches(value)); }
double TBaseReport::Ascent() const { return ToUnits(cursor_.Ascent()); }
double TBaseReport::Descent() const { return ToUnits(cursor_.Descent()); }

void TBaseReport::SetLineMetrics(double ascent, double descent, double line_height) {
  cursor_.SetLineMetrics(ascent, descent, line_height);
}

void TBaseReport::UpdateLineHeight() {
  double ascent = cursor_.Ascent();
  double descent = cursor_.Descent();
  if (printing_) {
    const TRealizedFont& font = RealizedFont();
    ascent = font.Ascent;
    descent = font.Descent;
  }
  const double height = cursor_.MethodLineHeight(Font().Height);
  if (cursor_.UpdateLineMetrics(ascent, descent, height)) LineMetricsChanged();
}

int TBaseReport::LinesLeft() { return cursor_.LinesLeft(); }

double TBaseReport::LineBaseline(int n) const { return ToUnits(cursor_.LineBaseline(n)); }

// ---- Coordinates ------------------------------------------------------------------------------

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
double TBaseReport::XD2U(int x) const { return ToUnits(XD2I(x) - cursor_.OriginX()); }
double TBaseReport::YD2U(int y) const { return ToUnits(YD2I(y) - cursor_.OriginY()); }
