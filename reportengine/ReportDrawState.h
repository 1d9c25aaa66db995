// TReportDrawState: the page model's drawing state, a part of TBaseReport: brush, pen, the
// background behind text, how bitmaps combine with the page, and the depth of the clip region
// stack. Each setter returns whether the state changed; the report then sends the notice and
// performs the drawing itself.
#pragma once

#include "reportengine/ReportTypes.h"

class TReportDrawState {
 public:
  static constexpr int kMaxRegions = 21;

  const TBrushRecord& Brush() const { return brush_; }
  bool SetBrush(TBrushRecord brush);
  void ResetBrush() { brush_ = TBrushRecord(); }
  const TPenRecord& Pen() const { return pen_; }
  bool SetPen(const TPenRecord& pen);
  void ResetPen() { pen_ = TPenRecord(); }
  // Pen width in pixels for a width argument: >= 0 pixels (at least 1), negative hundredths
  // of an inch on a device of `xdpi` pixels per inch at `scale_x` and `zoom` percent.
  static int PenWidthPixels(int width, double xdpi, double scale_x, double zoom);

  TBKMode TextBKMode() const { return text_bk_mode_; }
  bool SetTextBKMode(TBKMode mode);
  TColor BKColor() const { return bk_color_; }
  bool SetBKColor(TColor color);

  bool BitmapMode() const { return bitmap_mode_; }
  void SetBitmapMode(bool combine) { bitmap_mode_ = combine; }

  int RegionCount() const { return region_count_; }
  // Counts a pushed region; raises when kMaxRegions are pushed already.
  void PushRegion();
  // Uncounts the top region; false when there is none.
  bool PopRegion();
  void ClearRegions() { region_count_ = 0; }

 private:
  TBrushRecord brush_;
  TPenRecord pen_;
  TBKMode text_bk_mode_ = bkTransparent;
  TColor bk_color_ = clWhite;
  bool bitmap_mode_ = false;
  int region_count_ = 0;
};
