// TReportCursor: the page model's units and layout state, a part of TBaseReport. It holds the
// report units, the margins, the section (the part of the page being filled), the cursor and
// the origin, the columns, the saved cursor positions and the line metrics, and keeps their
// rules (the cursor stays inside a section edge that moves past it, the column pitch follows
// the section). Everything is in inches except where a name says units; the report converts
// its public values with ToInches and ToUnits. No output and no events happen here.
#pragma once

#include <vector>

#include "reportengine/ReportTypes.h"

// Four edges of a part of the page, inches from the paper's left and top edges (Right and
// Bottom too).
struct TPageEdges {
  double Left = 0;
  double Right = 0;
  double Top = 0;
  double Bottom = 0;
};

class TReportCursor {
 public:
  // ---- Units ----------------------------------------------------------------------------------
  TPrintUnits Units() const { return units_; }
  // unUser leaves the factor unchanged.
  void SetUnits(TPrintUnits units);
  double UnitsFactor() const { return units_factor_; }
  // Values not above 0 are ignored; Units follows (1, 25.4, 2.54, 72 or unUser).
  void SetUnitsFactor(double factor);
  double ToInches(double units) const { return units / units_factor_; }
  double ToUnits(double inches) const { return inches * units_factor_; }

  // ---- Margins and section --------------------------------------------------------------------
  // The margins are plain settings: ResetSection reads them.
  const TPageEdges& Margins() const { return margins_; }
  TPageEdges& Margins() { return margins_; }
  const TPageEdges& Section() const { return section_; }
  // Each moves one edge; the cursor is pulled inside an edge that passes it.
  void SetSectionLeft(double inches);
  void SetSectionRight(double inches);
  void SetSectionTop(double inches);
  void SetSectionBottom(double inches);
  // The section inside the margins of a page of the given size.
  void ResetSection(double page_width, double page_height);

  // ---- Cursor and origin ----------------------------------------------------------------------
  double X() const { return x_; }
  // The baseline of the current line.
  double Y() const { return y_; }
  void SetX(double inches) { x_ = inches; }
  void SetY(double inches) { y_ = inches; }
  double OriginX() const { return origin_x_; }
  double OriginY() const { return origin_y_; }
  void SetOriginX(double inches) { origin_x_ = inches; }
  void SetOriginY(double inches) { origin_y_ = inches; }
  // Moves the cursor to the right end of text `width` long that starts at start_x, along the
  // baseline of text rotated by `rotation` degrees.
  void Advance(double start_x, double width, int rotation);
  // Keeps the cursor, line and column; PopPos restores the last one kept (nothing happens
  // when none was).
  void PushPos();
  void PopPos();

  // ---- Lines and columns ----------------------------------------------------------------------
  int LineNum() const { return line_num_; }
  void SetLineNum(int line) { line_num_ = line; }
  int ColumnNum() const { return column_num_; }
  void SetColumnNum(int column) { column_num_ = column; }
  int Columns() const { return columns_; }
  // Column pitch: from one column's left edge to the next one's.
  double ColumnWidth() const { return column_width_; }
  // `count` columns (below 1 taken as 1) with `between` inches between them (none for one
  // column); the cursor goes to the left edge of column 1.
  void SetColumns(int count, double between);
  // Back to one column with no space between.
  void ResetColumns();
  // Distance from the section's left edge to the current column's.
  double ColumnOffset() const { return (column_num_ - 1) * column_width_; }
  // Carriage return: X to the current column's left edge.
  void CarriageReturn() { x_ = section_.Left + ColumnOffset(); }
  // Line feed: the next line (the line height is expected up to date).
  void LineFeed();
  // Y to the baseline of line 1 of the section.
  void FirstLine() { y_ = section_.Top + line_height_ - descent_; }
  // X at the section's left edge and Y on the first line's baseline.
  void Home() {
    x_ = section_.Left;
    FirstLine();
  }
  // Line 1 of column 1 (the cursor stays where it is).
  void FirstLineAndColumn() {
    line_num_ = 1;
    column_num_ = 1;
  }
  // Line `line` of the section, Y on its baseline.
  void GotoLine(int line);
  // Baseline of line n of the section.
  double LineBaseline(int n) const { return section_.Top + n * line_height_ - descent_; }
  // Bottom of the current line (its baseline plus the descent).
  double LineBottom() const { return y_ + descent_; }
  // Whole lines that still fit in the section.
  int LinesLeft() const;
  // Whether the current line reaches past the section's bottom edge.
  bool PastSectionBottom() const;

  // ---- Line metrics ---------------------------------------------------------------------------
  TLineHeightMethod LineHeightMethod() const { return line_height_method_; }
  void SetLineHeightMethod(TLineHeightMethod method) { line_height_method_ = method; }
  int LinesPerInch() const { return lines_per_inch_; }
  void SetLinesPerInch(int lines) { lines_per_inch_ = lines; }
  double Ascent() const { return ascent_; }
  double Descent() const { return descent_; }
  double LineHeight() const { return line_height_; }
  // Sets the line height; values not above 0 are ignored.
  void SetLineHeight(double inches);
  // Sets all three as given (a report file's line metrics record).
  void SetLineMetrics(double ascent, double descent, double line_height);
  // The line height the method gives for a font `font_height` inches high (under lhmUser
  // the current one).
  double MethodLineHeight(double font_height) const;
  // Sets the metrics; true when one of them changed.
  bool UpdateLineMetrics(double ascent, double descent, double line_height);

 private:
  struct TSavedPos {
    double x, y;
    int line, column;
  };

  void RecomputeColumnWidth();

  TPrintUnits units_ = unInch;
  double units_factor_ = 1.0;
  TPageEdges margins_;
  TPageEdges section_{0, 8.5, 0, 11};
  double x_ = 0, y_ = 0;
  double origin_x_ = 0, origin_y_ = 0;
  int line_num_ = 1;
  int column_num_ = 1;
  int columns_ = 1;
  double column_width_ = 8.5;
  double column_between_ = 0;
  std::vector<TSavedPos> saved_pos_;
  TLineHeightMethod line_height_method_ = lhmLinesPerInch;
  int lines_per_inch_ = 6;
  double ascent_ = 0, descent_ = 0, line_height_ = 1.0 / 6.0;
};
