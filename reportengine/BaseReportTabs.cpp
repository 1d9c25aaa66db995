// TBaseReport, tabs: the public tab operations over the TTabStops part, and Tab, which moves
// to the next stop and draws its cell (shade and borders) with the report's brush and pen.
#include "reportengine/BaseReport.h"

void TBaseReport::SetTabShade(int percent) { tabs_.SetShade(percent); }

void TBaseReport::SetTab(double pos, TPrintJustify justify, double width, double margin,
                         int borders, int shade) {
  tabs_.Add(pos, justify, width, margin, borders, shade, UnitsFactor(), cursor_.Margins().Left);
}

void TBaseReport::ClearTabs() { tabs_.Clear(); }

void TBaseReport::SaveTabs(int index) { tabs_.Save(index); }

void TBaseReport::RestoreTabs(int index) { tabs_.Restore(index); }

double TBaseReport::TabStart(int n) const {
  const TTabStop* stop = tabs_.StopAt(n);
  return stop ? ToUnits(stop->Pos + stop->Margin) : 0.0;
}

double TBaseReport::TabWidth(int n) const {
  const TTabStop* stop = tabs_.StopAt(n);
  return stop ? ToUnits(stop->Width - 2 * stop->Margin) : 0.0;
}

TColor TBaseReport::ShadeToColor(int shade) const { return tabs_.ShadeToColor(shade); }

void TBaseReport::Tab(int left, int right, int top, int bottom, int shade) {
  CheckPrinting();
  const TTabStop* next = tabs_.Advance();
  if (next == nullptr) return;
  const TTabStop stop = *next;
  if (!(stop.Width > 0)) return;

  const double x = stop.Pos + cursor_.ColumnOffset();
  const double line_bottom = cursor_.LineBottom();
  const double line_top = line_bottom - cursor_.LineHeight();
  const double x2 = x + stop.Width;

  const int s = tabs_.ShadeFor(stop, shade);
  if (s > 0) {
    const TBrushRecord brush = Brush();
    const TPenRecord pen = Pen();
    const TBKMode mode = TextBKMode();
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
    const TPenRecord pen = Pen();
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
