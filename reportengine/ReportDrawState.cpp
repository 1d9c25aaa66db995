#include "reportengine/ReportDrawState.h"

#include <algorithm>
#include <cmath>

#include "reportengine/ReportError.h"

namespace {

// Limit of device pens (widths from report files are not trusted).
constexpr int kMaxPenPixels = 10000;

}  // namespace

bool TReportDrawState::SetBrush(TBrushRecord brush) {
  if (brush == brush_) return false;
  brush_ = std::move(brush);
  return true;
}

bool TReportDrawState::SetPen(const TPenRecord& pen) {
  if (pen == pen_) return false;
  pen_ = pen;
  return true;
}

int TReportDrawState::PenWidthPixels(int width, double xdpi, double scale_x, double zoom) {
  if (width >= 0) return std::clamp(width, 1, kMaxPenPixels);
  const double pixels = -(width / 100.0) * xdpi * scale_x * zoom / 10000.0;
  return std::clamp(static_cast<int>(std::lround(std::min(pixels, 1e6))), 1, kMaxPenPixels);
}

bool TReportDrawState::SetTextBKMode(TBKMode mode) {
  if (mode == text_bk_mode_) return false;
  text_bk_mode_ = mode;
  return true;
}

bool TReportDrawState::SetBKColor(TColor color) {
  if (color == bk_color_) return false;
  bk_color_ = color;
  return true;
}

void TReportDrawState::PushRegion() {
  if (region_count_ >= kMaxRegions) throw EReportError(report_messages::kClipStackFull);
  ++region_count_;
}

bool TReportDrawState::PopRegion() {
  if (region_count_ == 0) return false;
  --region_count_;
  return true;
}
